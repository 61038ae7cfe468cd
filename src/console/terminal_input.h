#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "console_input.h"

/// The person's own editing keys and echo, which a program reading key at a time keeps working.
struct LineSettings {
    static constexpr int kNone = -1;  ///< A key the person has switched off.

    int erase = 0x7F;       ///< Erases the last character (Backspace).
    int kill = 0x15;        ///< Erases the whole line (Ctrl-U).
    int wordErase = 0x17;   ///< Erases the last word (Ctrl-W).
    int endOfInput = 0x04;  ///< Ctrl-D: ends the input on an empty line, else hands the line over.
    int lineEnd = kNone;    ///< Ends a line, and stays in it, besides Enter; so does `lineEnd2`.
    int lineEnd2 = kNone;
    int reprint = 0x12;        ///< Shows the line again on a line of its own (Ctrl-R).
    int literalNext = 0x16;    ///< Takes the next key as a character, whatever it is (Ctrl-V).
    bool echo = true;          ///< What is typed is shown.
    bool echoControl = true;   ///< Control characters are shown as ^X rather than as they are.
    bool echoErase = true;     ///< Erasing rubs characters out; otherwise the erase key is shown.
    bool echoKill = true;      ///< The kill key rubs the line out; otherwise it is shown, and
    bool killNewline = false;  ///< then, with this, followed by a line end.
    bool echoNewline = false;  ///< Enter is shown even where typing is not.
};

/// A terminal read key at a time, without its own line editing or echo.
class TerminalDevice {
public:
    static constexpr int kForever = -1;  ///< A wait as long as it takes.

    virtual ~TerminalDevice() = default;

    /// Waits at most `milliseconds`, or `kForever`, for bytes, copies up to `capacity` of them
    /// into `buffer` and returns how many; 0 when none came in time.
    virtual std::size_t read(char* buffer, std::size_t capacity, int milliseconds) = 0;

    /// Shows `text` where the terminal shows what is typed.
    virtual void show(std::string_view text) = 0;

    /// True, once, when the terminal was handed back to the shell (Ctrl-Z) since the last call:
    /// a terminal's own line editing forgets what was typed then, and so does the program.
    virtual bool typingForgotten() = 0;

    /// The person's editing keys and echo, as they are now.
    virtual LineSettings lineSettings() const = 0;

    /// How many columns the terminal takes to show `character`: 2 for a wide one, 0 for one
    /// that combines with the one before it.
    virtual int columns(char32_t /*character*/) const { return 1; }
};

/// Standard input at a terminal read key at a time, which the program edits into lines itself:
/// - values: what is typed is shown as the person's settings say, with their erase, kill,
///   word-erase and end-of-input keys; a line is handed over at Enter, or at Ctrl-D part-way,
///   or in parts once longer than `kEditableBytes`, so no line is too long; keys that send
///   escape sequences (arrows, bracketed-paste markers) are never values;
/// - the continue prompt: a burst of key presses is one key; a paste, and what was typed ahead,
///   is values (see `KeyBurst`), read next as if typed.
/// Bytes waiting when the prompt appears count as part of the burst. But while a bracketed paste
/// begun as values were typed has not ended, or a line too long to edit whole goes on, there is
/// no key to wait for: what comes is values.
class TerminalInput final : public ConsoleInput {
public:
    static constexpr std::size_t kEditableBytes = 4096;
    static constexpr int kKeySequenceMilliseconds = 25;  ///< Longest pause within one burst.

    explicit TerminalInput(std::unique_ptr<TerminalDevice> device)
        : device_(std::move(device)), settings_(device_->lineSettings()) {}

    std::size_t readInput(char* buffer, std::size_t capacity) override;
    bool inputWaiting() override { return !lines_.empty() || ended_; }
    Key readKey() override;
    void endTypedLine() override;

private:
    bool holdsLineOfValues() const;
    bool isLineEnd(std::string_view key) const;
    bool receive(int milliseconds);
    void edit();
    void type(char byte);
    void insert(char byte);
    void showTyped(char byte);
    void eraseCharacter(bool rubOut);
    void eraseWord();
    void handOver(bool lineEnds);
    std::size_t columnAfter(std::size_t bytes) const;

    std::unique_ptr<TerminalDevice> device_;
    LineSettings settings_;
    std::string arrived_;          ///< Received, not yet edited or taken as a key.
    std::string line_;             ///< The line being edited.
    std::string lines_;            ///< Handed over, not yet read.
    std::string shown_;            ///< Echo not yet written.
    std::size_t startColumn_ = 0;  ///< Where `line_` starts on the screen, for rubbing out.
    bool ended_ = false;           ///< Ctrl-D on an empty line, not yet read as the end.
    bool pasting_ = false;         ///< Between a bracketed paste's start and its end.
    bool lineUnfinished_ = false;  ///< What was handed over last is part of a longer line.
    bool literal_ = false;         ///< The next byte is a character, whatever it is.
};
