#pragma once

/// The terminal at standard input in key-at-a-time mode, without echo, for as long as this
/// lives; its own settings come back when it ends, and on every way out that signals take.
/// Signals stay on, so Ctrl-C still ends the program.
class KeyMode {
public:
    KeyMode();
    ~KeyMode();
    KeyMode(const KeyMode&) = delete;
    KeyMode& operator=(const KeyMode&) = delete;

    /// False when the terminal would not change mode; no key can be read then.
    bool entered() const { return entered_; }

    /// Whether `byte` is the terminal's end-of-input character (Ctrl-D), which key-at-a-time
    /// mode hands over as a byte like any other.
    static bool endsInput(unsigned char byte);

private:
    bool entered_ = false;
};

/// Catches the signals that end or stop the program, so that a `KeyMode` is undone before the
/// program ends or the shell takes the terminal back, and redone when `fg` continues it. Signals
/// the program was started with ignored stay ignored. Called once, when standard input is a
/// terminal.
void keepTerminalAcrossSignals();

/// Ends the program as a hang-up does (status 129 in a shell), for a terminal that is gone.
[[noreturn]] void endAsHangUp();
