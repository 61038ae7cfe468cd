// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "console_input.h"
#include "line_editor.h"
#include "line_renderer.h"
#include "terminal_device.h"

/// Standard input at a terminal read key at a time, which the program edits into lines itself:
/// - values: a line editor of the program's own (`LineEditor`, shown by `LineRenderer`) with the
///   person's erase, kill, word-erase, end-of-input, reprint and literal-next keys and echo, a
///   shell's cursor keys and the lines handed over earlier. A line is handed over at Enter, at
///   Ctrl-D part-way, or in parts once longer than `kEditableBytes`, so no line is too long.
///   Escape clears the line, and on an empty line ends the session. A bracketed paste is values
///   as it stands, up to its end marker however late that comes;
/// - the continue prompt: a burst of key presses is one key; a paste, and what was typed ahead,
///   is values (see `KeyBurst`), read next as if typed. Bytes waiting when the prompt appears
///   count as part of the burst. But while a bracketed paste has not ended, or a line too long
///   to edit whole goes on, there is no key to wait for: what comes is values;
/// - values typed after a set's seventh, on a line typed rather than pasted, are taken back
///   (`takeBackValues`): the prompt waits for a key, and the next values line starts with them;
///   so does the rest of a paste short of a set, with no key awaited.
class TerminalInput : public ConsoleInput {
public:
    static constexpr std::size_t kEditableBytes = 4096;
    static constexpr int kKeySequenceMilliseconds = 25;     ///< Longest pause within one burst.
    static constexpr int kSlowLinkMilliseconds = 500;       ///< Longest wait for the rest of a key
                                                            ///< that no person sends in parts.
    static constexpr std::size_t kKeysShownOneByOne = 256;  ///< Most bytes arriving together
                                                            ///< that are drawn key by key.

    explicit TerminalInput(std::unique_ptr<TerminalDevice> device);

    std::size_t readInput(char* buffer, std::size_t capacity) override;
    bool inputWaiting() override { return !lines_.empty() || ended_; }
    Key readKey() override;
    void endTypedLine() override;
    TakenBack takeBackValues(std::string_view rest, bool wholeSetFollows) override;
    bool endedByEscape() const override { return endedByEscape_; }

private:
    /// How a line is handed over.
    enum class LineEnd {
        Enter,       ///< Enter, or a line-end key of the person's own: it ends a line.
        EndOfInput,  ///< Ctrl-D part-way: the line stands as it is, with no line end.
        Part,        ///< Too long to edit whole: the line goes on.
    };

    bool holdsValues() const;
    int patienceFor(std::string_view rest) const;
    std::size_t keyLengthAt(std::size_t& at);
    bool pastePending();
    bool receive(int milliseconds);
    void awaitInput();
    void edit();
    void takePasted(std::string_view key);
    void endPaste();
    void press(std::string_view key);
    void showKeyAndRestart(std::string_view key, bool lineEnds);
    void insert(std::string_view text);
    void handOver(LineEnd end);
    void showLine(std::size_t cursor);
    void flushScreen();

    std::unique_ptr<TerminalDevice> device_;
    LineSettings settings_;
    int width_;  ///< Of the terminal, as it was at the last read.
    LineEditor editor_;
    LineRenderer renderer_;
    std::string arrived_;              ///< Received, not yet edited or taken as a key.
    std::string lines_;                ///< Handed over, not yet read.
    std::string carried_;              ///< Values taken back, for the next line.
    std::string screen_;               ///< What the terminal is to show, not yet written.
    std::size_t burstCharacters_ = 0;  ///< Put in since input last paused, in this line.
    bool ended_ = false;               ///< The input has ended, and is not yet read as ended.
    bool endedByEscape_ = false;       ///< By Escape on an empty line.
    bool endAfterCarried_ = false;  ///< Ctrl-D at the prompt: the values taken back, then the end.
    bool pasting_ = false;          ///< Between a bracketed paste's start and its end.
    bool linePasted_ = false;       ///< The line being edited holds what was pasted.
    bool lineUnfinished_ = false;   ///< What was handed over last is part of a longer line.
    bool lastLineTyped_ = false;    ///< What was handed over last is a line typed whole.
    bool lastLinePasted_ = false;   ///< What was handed over last came in a paste.
    bool lastLineInBurst_ = false;  ///< It came in a paste the terminal did not mark.
    bool literal_ = false;          ///< The next byte is a character, whatever it is.
};
