// SPDX-License-Identifier: MIT
#pragma once

#include <termios.h>

/// Standard input, a terminal, in key-at-a-time mode, without its own echo or line editing, and
/// in bracketed-paste mode, for as long as this lives: entered before anything is asked, so that
/// no key can come first, or, for a program started in the background, as soon as it has the
/// terminal. The person's own settings come back, and bracketed paste goes off, when it ends, on
/// every way out that signals take (every signal whose default ends the program, `std::terminate`
/// by way of SIGABRT; Ctrl-C and Ctrl-\ are shown first, as a shell shows them), and while Ctrl-Z
/// hands the terminal back to the shell; `fg` takes it again, with the person's settings as they
/// are then. The terminal is changed only while the program's process group is in its
/// foreground. Signals stay on, so Ctrl-C still ends the program; signals the program was started
/// with ignored stay ignored. A change of the terminal's size ends a wait for input. One at a
/// time.
class KeyMode {
public:
    /// `terminalForWriting` is a descriptor of the terminal open for writing, for the paste mode.
    explicit KeyMode(int terminalForWriting);
    ~KeyMode();
    KeyMode(const KeyMode&) = delete;
    KeyMode& operator=(const KeyMode&) = delete;

    /// Copies into `settings` the person's settings, as the program last found them when it took
    /// the terminal; false before it ever has.
    static bool personSettings(struct termios& settings);

    /// Puts the terminal in key mode where the program has it (a job in the foreground), as it
    /// may not yet have when started in the background, or when something else changed the
    /// terminal behind its back. True when the terminal is in key mode.
    static bool take();

    /// Whether the keys the terminal turns into signals come as characters instead, until the
    /// program next takes the terminal.
    static void quoteKeys(bool quoted);

    /// True, once, when the terminal was handed back to the shell since the last call.
    static bool takeHandedBack();
};

/// Ends the program as a hang-up does (status 129 in a shell), for a terminal that is gone.
[[noreturn]] void endAsHangUp();
