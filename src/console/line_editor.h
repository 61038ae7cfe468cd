// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

#include "terminal_device.h"

/// What a key does on the values line.
enum class Edit {
    Insert,       ///< Its bytes go in at the cursor.
    HandOver,     ///< Enter, or a line-end key of the person's own.
    EndOfInput,   ///< Ends the input on an empty line, else hands the line over as it stands.
    Escape,       ///< Ends the session on an empty line, else clears the line.
    Reprint,      ///< Shows the line again on a line of its own.
    LiteralNext,  ///< The next byte goes in, whatever it is.
    Left,
    Right,
    WordLeft,   ///< To the start of the word before the cursor.
    WordRight,  ///< To the end of the word after it.
    Home,
    End,
    Delete,        ///< Removes the character under the cursor.
    Erase,         ///< Removes the character before the cursor.
    CutToEnd,      ///< From the cursor to the end of the line.
    CutToStart,    ///< From the start of the line to the cursor.
    CutWord,       ///< The word before the cursor, with the blanks after it.
    CutWordAfter,  ///< The word after the cursor, with the blanks before it.
    Yank,          ///< Puts back what was cut last.
    Older,         ///< The line handed over before the one shown.
    Newer,         ///< The line handed over after it, or the line being typed.
    Nothing,       ///< Any other key that sends an escape sequence.
};

/// What `key`, one whole key as `keyLength` measures it, does on the values line: the person's
/// own keys as `stty` sets them come first, then those of a shell's line editor (Ctrl-A, Ctrl-E,
/// Ctrl-B, Ctrl-F, Ctrl-K, Ctrl-Y, Ctrl-P, Ctrl-N; arrows, Home, End and Delete as terminals send
/// them; Ctrl or Alt with Left and Right, Alt-B and Alt-F by word; Alt-Backspace and Alt-D, or
/// Ctrl-Delete, cut a word). Every other control character is a character of the line.
Edit editFor(std::string_view key, const LineSettings& settings);

/// The values line as it is edited: its text, the cursor in it, the lines handed over earlier in
/// this session and what was cut last. It only keeps the text; showing it is `LineRenderer`'s.
/// The cursor always stands at the start of a character (with its combining marks), or at the
/// end. Memory is bounded by `kHistoryLines` lines of what the caller hands over.
class LineEditor {
public:
    static constexpr std::size_t kHistoryLines = 1000;

    /// `device` tells which characters combine with the one before them.
    explicit LineEditor(const TerminalDevice& device) : device_(device) {}

    const std::string& line() const { return line_; }
    std::size_t cursor() const { return cursor_; }  ///< A byte offset into `line()`.

    /// Puts `text` in at the cursor, which moves past it.
    void insert(std::string_view text);

    /// Moves the cursor, removes, cuts, puts back or recalls as `edit` says; Escape clears the
    /// line. The edits that are no change to the line (HandOver, Reprint, ...) do nothing here.
    void apply(Edit edit);

    /// Appends the line to `into` and starts an empty one. With `remember`, a line that holds
    /// more than blanks is kept for Older, but for one just like the newest kept.
    void handOver(bool remember, std::string& into);

    /// Forgets the line being typed, as a terminal does when the program is stopped.
    void forget();

    /// The first byte of the line that may have changed since the last call, or the line's size
    /// or more when none has: what a redraw must start from.
    std::size_t takeChangedFrom();

private:
    std::size_t characterBefore(std::size_t at) const;
    std::size_t wordStart() const;
    std::size_t wordEnd() const;
    void cut(std::size_t from, std::size_t to, bool addToLast);
    void changed(std::size_t from);
    void recall(std::size_t index);

    const TerminalDevice& device_;
    std::string line_;
    std::size_t cursor_ = 0;
    std::deque<std::string> history_;  ///< Oldest first.
    std::size_t shownLine_ = 0;        ///< Index in `history_` of the line shown; its size for
                                       ///< the line being typed.
    std::string typing_;               ///< The line being typed, kept while older ones are shown.
    std::string cut_;                  ///< What was cut last.
    bool cutGoesOn_ = false;           ///< The last edit was a cut, which the next one adds to.
    std::size_t changedFrom_ = 0;      ///< See `takeChangedFrom`.
};
