#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>

#include "key_sequence.h"
#include "posix_terminal.h"
#include "system_console.h"

namespace {

constexpr unsigned char kEscape = 0x1b;

// How long a terminal may fall silent within one burst: a key's bytes, a held key's repeats
// that a slow link delivers together, or a paste. A terminal writes an arrow's whole escape
// sequence at once, so the rest is normally there already; after a key, nothing follows, and
// this is how long a key press, Escape included, takes to act.
constexpr int kKeySequenceMilliseconds = 25;

// Whether standard input is readable within `milliseconds`: 0 asks whether it is already, -1
// waits as long as it takes. select() rather than poll(): the poll() of macOS and of some BSDs
// answers "invalid" for a terminal. An error never counts as readable.
bool readableWithin(int milliseconds) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(STDIN_FILENO, &readable);
        const auto left =
            std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        struct timeval timeout = {};
        if (left.count() > 0) {
            timeout.tv_sec = static_cast<time_t>(left.count() / 1000000);
            timeout.tv_usec = static_cast<suseconds_t>(left.count() % 1000000);
        }
        const int ready = select(STDIN_FILENO + 1, &readable, nullptr, nullptr,
                                 milliseconds < 0 ? nullptr : &timeout);
        // A signal handled in between restarts the wait for the time that is left.
        if (ready != -1 || errno != EINTR) {
            return ready > 0;
        }
    }
}

// A terminal that no longer answers has been closed (hung up).
bool terminalGone() {
    struct termios settings = {};
    return tcgetattr(STDIN_FILENO, &settings) != 0;
}

class PosixConsole final : public ConsoleInput {
public:
    PosixConsole() : keyboard_(isatty(STDIN_FILENO) == 1) {
        if (keyboard_) {
            keepTerminalAcrossSignals();
        }
    }

    // A signal means try again; standard input left non-blocking (by another program sharing
    // the terminal, say) means wait until it is readable, so that is never taken for a failure;
    // a terminal that is gone is a hang-up, whoever leads the session and whether or not it
    // passes the hang-up on; anything else is a failure to read, thrown with the system's reason.
    std::size_t readInput(char* buffer, std::size_t capacity) override {
        for (;;) {
            const ssize_t count = read(STDIN_FILENO, buffer, capacity);
            if (keyboard_ && (count == 0 ? terminalGone() : count < 0 && errno == EIO)) {
                endAsHangUp();
            }
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

    // In line mode only complete lines are readable; a line still being typed is not waiting.
    bool inputWaiting() override { return readableWithin(0); }

    bool hasKeyboard() const override { return keyboard_; }

    // In key mode everything that has arrived is readable, lines still being typed included:
    // those were typed ahead, and the burst that follows them is theirs. Otherwise the key is
    // what arrives in one burst, if that is one key pressed once or held.
    Key readKey(std::string& typed) override {
        const KeyMode keyMode;
        if (!keyMode.entered()) {
            return Key::End;
        }
        const bool typedAhead = readableWithin(0);
        const std::string burst = readBurst();
        if (burst.empty()) {
            return Key::End;
        }
        if (typedAhead || !isOneKeyPress(burst)) {
            typed = burst;
            return Key::Typed;
        }
        const auto first = static_cast<unsigned char>(burst[0]);
        if (keyLength(burst) != 1) {
            return Key::Other;
        }
        if (first == kEscape) {
            return Key::Escape;
        }
        return KeyMode::endsInput(first) ? Key::End : Key::Other;
    }

    // The terminal shows what is written to it; standard output may be a pipe.
    void echo(std::string_view text) override {
        while (!text.empty()) {
            const ssize_t written = write(STDIN_FILENO, text.data(), text.size());
            if (written > 0) {
                text.remove_prefix(static_cast<std::size_t>(written));
            } else if (written == 0 || errno != EINTR) {
                return;
            }
        }
    }

private:
    // Bytes that arrive with no silence as long as a key's own bytes may take: one key press,
    // a held key's repeats, or a paste. Empty at the end of the input.
    std::string readBurst() {
        std::string burst;
        char chunk[4096];
        do {
            const std::size_t count = readInput(chunk, sizeof chunk);
            if (count == 0) {
                break;
            }
            burst.append(chunk, count);
        } while (readableWithin(kKeySequenceMilliseconds));
        return burst;
    }

    bool keyboard_;
};

}  // namespace

std::unique_ptr<ConsoleInput> openSystemConsole() {
    return std::make_unique<PosixConsole>();
}
