#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <initializer_list>
#include <system_error>

#include "system_console.h"

namespace {

constexpr unsigned char kEscape = 27;

// How long the rest of a key's bytes may take to arrive. A terminal writes an arrow's whole
// escape sequence at once, so the rest is normally there already; a lone Escape is followed by
// nothing, and this is how long it takes to end the program.
constexpr int kKeySequenceMilliseconds = 25;

// What the signal handlers need to put the terminal back and to take it again; written only
// while `rawModeActive` is not yet set, so a handler never sees them half written.
struct termios savedSettings;
struct termios rawSettings;
volatile std::sig_atomic_t rawModeActive = 0;

void handle(int signalNumber, void (*handler)(int), int flags) {
    struct sigaction action = {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    sigaction(signalNumber, &action, nullptr);
}

void restoreTerminalAndDie(int signalNumber) {
    if (rawModeActive != 0) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
    }
    // The handler was reset to the default on entry; the re-raised signal is delivered on
    // return and ends the program the way the sender meant, with the status the shell expects.
    std::raise(signalNumber);
}

void retakeTerminal() {
    if (rawModeActive != 0) {
        tcsetattr(STDIN_FILENO, TCSANOW, &rawSettings);
    }
}

// Ctrl-Z while waiting for the key: the shell gets its terminal back as it was, and `fg` finds
// the program waiting for a key again rather than for a line.
void restoreTerminalAndStop(int /*signalNumber*/) {
    if (rawModeActive != 0) {
        tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
    }
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    std::raise(SIGTSTP);
    // Here once continued, or at once where no shell could ever continue the program (an
    // orphaned process group is not stopped): either way, the key is still awaited.
    handle(SIGTSTP, restoreTerminalAndStop, SA_RESETHAND);
    retakeTerminal();
}

// A stop that gave no chance to restore anything (SIGSTOP) leaves the shell to reset the
// terminal its own way; on continue, the key wait takes it back.
void retakeTerminalOnContinue(int /*signalNumber*/) {
    retakeTerminal();
}

void restoreTerminalOnSignals() {
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        handle(signalNumber, restoreTerminalAndDie, SA_RESETHAND);
    }
    handle(SIGTSTP, restoreTerminalAndStop, SA_RESETHAND);
    handle(SIGCONT, retakeTerminalOnContinue, SA_RESTART);
}

// Key-at-a-time input without echo for as long as it lives. Signals stay on, so Ctrl-C still
// ends the program.
class RawMode {
public:
    RawMode() {
        if (tcgetattr(STDIN_FILENO, &savedSettings) != 0) {
            return;
        }
        rawSettings = savedSettings;
        rawSettings.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        rawSettings.c_cc[VMIN] = 1;
        rawSettings.c_cc[VTIME] = 0;
        rawModeActive = 1;
        entered_ = tcsetattr(STDIN_FILENO, TCSANOW, &rawSettings) == 0;
    }
    ~RawMode() {
        if (rawModeActive != 0) {
            tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
            rawModeActive = 0;
        }
    }
    RawMode(const RawMode&) = delete;
    RawMode& operator=(const RawMode&) = delete;

    bool entered() const { return entered_; }

    /// Whether `byte` is the terminal's end-of-input character (Ctrl-D), which raw mode hands
    /// over as a byte like any other.
    static bool endsInput(unsigned char byte) {
        return byte == savedSettings.c_cc[VEOF] && byte != _POSIX_VDISABLE;
    }

private:
    bool entered_ = false;
};

// Whether standard input is readable within `milliseconds`: 0 asks whether it is already, -1
// waits as long as it takes.
bool readableWithin(int milliseconds) {
    struct pollfd waiting = {STDIN_FILENO, POLLIN, 0};
    return poll(&waiting, 1, milliseconds) == 1;
}

// Reads up to `capacity` bytes of standard input; 0 at its end. A signal means try again;
// standard input left non-blocking (by another program sharing the terminal, say) means wait
// until it is readable, so that is never taken for a failure; anything else is a failure to
// read, thrown with the system's reason.
std::size_t readStandardInput(void* buffer, std::size_t capacity) {
    for (;;) {
        const ssize_t count = read(STDIN_FILENO, buffer, capacity);
        if (count >= 0) {
            return static_cast<std::size_t>(count);
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            readableWithin(-1);
        } else if (errno != EINTR) {
            throw std::system_error(errno, std::generic_category());
        }
    }
}

// Returns false at the end of the input.
bool readByte(unsigned char& byte) {
    return readStandardInput(&byte, 1) == 1;
}

// Takes the next byte only if it arrives within the time a key's own bytes take.
bool readFollowingByte(unsigned char& byte) {
    return readableWithin(kKeySequenceMilliseconds) && readByte(byte);
}

// An escape sequence (arrow, function key, Alt with a key) is one key: all of it is taken so
// none of it reaches the next set's values. CSI sequences end at a byte from '@' to '~'.
void takeRestOfEscapeSequence(unsigned char second) {
    unsigned char byte = 0;
    if (second == 'O') {
        readFollowingByte(byte);
    } else if (second == '[') {
        for (int taken = 0; taken < 32 && readFollowingByte(byte); ++taken) {
            if (byte >= '@' && byte <= '~') {
                return;
            }
        }
    }
}

// A key that types a non-ASCII character sends it as several UTF-8 bytes.
void takeRestOfCharacter(unsigned char lead) {
    int following = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    unsigned char byte = 0;
    while (following-- > 0 && readFollowingByte(byte)) {
    }
}

class PosixConsole final : public ConsoleInput {
public:
    PosixConsole() : keyboard_(isatty(STDIN_FILENO) == 1) {
        if (keyboard_) {
            restoreTerminalOnSignals();
        }
    }

    std::size_t readInput(char* buffer, std::size_t capacity) override {
        return readStandardInput(buffer, capacity);
    }

    bool inputWaiting() override { return readableWithin(0); }

    bool hasKeyboard() const override { return keyboard_; }

    Key readKey() override {
        RawMode raw;
        unsigned char byte = 0;
        if (!raw.entered() || !readByte(byte) || RawMode::endsInput(byte)) {
            return Key::End;
        }
        if (byte != kEscape) {
            takeRestOfCharacter(byte);
            return Key::Other;
        }
        // Escape pressed twice is Escape: the second is no start of a sequence.
        unsigned char second = 0;
        if (!readFollowingByte(second) || second == kEscape) {
            return Key::Escape;
        }
        takeRestOfEscapeSequence(second);
        return Key::Other;
    }

private:
    bool keyboard_;
};

}  // namespace

std::unique_ptr<ConsoleInput> openSystemConsole() {
    return std::make_unique<PosixConsole>();
}
