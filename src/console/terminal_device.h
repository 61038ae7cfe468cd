// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

/// The person's own editing keys and echo, which a program reading key at a time keeps working.
struct LineSettings {
    static constexpr int kNone = -1;  ///< A key the person has switched off.

    int erase = 0x7F;       ///< Erases the character before the cursor (Backspace).
    int kill = 0x15;        ///< Cuts from the start of the line to the cursor (Ctrl-U).
    int wordErase = 0x17;   ///< Cuts the word before the cursor (Ctrl-W).
    int endOfInput = 0x04;  ///< Ctrl-D: ends the input on an empty line, else hands the line over.
    int lineEnd = kNone;    ///< Ends a line, as Enter does; so does `lineEnd2`.
    int lineEnd2 = kNone;
    int reprint = 0x12;        ///< Shows the line again on a line of its own (Ctrl-R).
    int literalNext = 0x16;    ///< Takes the next key as a character, whatever it is (Ctrl-V).
    bool echo = true;          ///< What is typed is shown.
    bool echoControl = true;   ///< Control characters are shown as ^X rather than as they are.
    bool echoErase = true;     ///< Erasing rubs characters out; otherwise the erase key is shown.
    bool echoKill = true;      ///< The kill key rubs out what it cuts; otherwise it is shown, and
    bool killNewline = false;  ///< then, with this, followed by a line end.
    bool echoNewline = false;  ///< Enter is shown even where typing is not.
};

/// A terminal read key at a time, without its own line editing or echo: the seam between the
/// values line and the system, which tests fill with a scripted keyboard and a fake screen.
class TerminalDevice {
public:
    static constexpr int kForever = -1;  ///< A wait as long as it takes.

    virtual ~TerminalDevice() = default;

    /// Waits at most `milliseconds`, or `kForever`, for bytes, copies up to `capacity` of them
    /// into `buffer` and returns how many; 0 when none came in time. A wait without limit may
    /// also end with none when the terminal changed size, so that the line is drawn anew.
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

    /// How many columns wide the terminal is now; 0 when it cannot tell.
    virtual int width() const { return 0; }

    /// While `quoted`, the keys the terminal turns into signals (Ctrl-C, Ctrl-\, Ctrl-Z) come as
    /// characters, as literal-next makes them in a terminal's own line editing.
    virtual void quoteKeys(bool /*quoted*/) {}
};
