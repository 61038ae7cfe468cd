// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <string_view>
#include <system_error>

#include "line_text.h"
#include "posix_terminal.h"
#include "system_console.h"
#include "terminal_input.h"

namespace {

constexpr int kForever = TerminalDevice::kForever;
/// Milliseconds between looks at a terminal not yet the program's.
constexpr int kLookAgain = 100;

// Whether `descriptor` is ready within `milliseconds` (less than a second), or ever with
// `kForever`. select() rather than poll(): the poll() of macOS and of some BSDs answers
// "invalid" for a terminal. An error never counts as ready; a signal handled in between starts
// the wait again, unless `untilSignal`.
bool readyWithin(int descriptor, bool forWriting, int milliseconds, bool untilSignal = false) {
    for (;;) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(descriptor, &ready);
        struct timeval timeout = {0, static_cast<suseconds_t>(milliseconds) * 1000};
        const int count =
            select(descriptor + 1, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr,
                   nullptr, milliseconds == kForever ? nullptr : &timeout);
        if (count != -1 || errno != EINTR || untilSignal) {
            return count > 0;
        }
    }
}

// What a read or write of a description left non-blocking answers when it would have to wait.
bool wouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}

// Another program sharing a terminal may make the open file description behind it
// non-blocking, and a write that would block then fails and loses what it carried. A
// description of the program's own is safe from that; where the terminal cannot be opened
// again, the shared one is made blocking, as shells do with theirs. The new one is kept above
// the standard three, so that one of them that is closed stays closed and fails as it should.
int ownDescription(int descriptor, int access) {
    const char* const name = ttyname(descriptor);
    const int opened = name != nullptr ? open(name, access | O_NOCTTY | O_CLOEXEC) : -1;
    const int own = fcntl(opened, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    close(opened);
    if (own != -1) {
        return own;
    }
    fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return descriptor;
}

void keepOutputBlocking(int descriptor) {
    if (isatty(descriptor) != 1) {
        return;
    }
    const int own = ownDescription(descriptor, O_WRONLY);
    if (own != descriptor) {
        dup2(own, descriptor);
        close(own);
    }
}

// Standard input that is no terminal: a pipe or a file. Left non-blocking by another program,
// it is waited for rather than taken to have failed.
class StreamInput final : public ConsoleInput {
public:
    std::size_t readInput(char* buffer, std::size_t capacity) override {
        for (;;) {
            const ssize_t count = read(STDIN_FILENO, buffer, capacity);
            if (count >= 0) {
                return static_cast<std::size_t>(count);
            }
            if (wouldBlock(errno)) {
                readyWithin(STDIN_FILENO, false, kForever);
            } else if (errno != EINTR) {
                throw std::system_error(errno, std::generic_category());
            }
        }
    }
    bool inputWaiting() override { return true; }
    Key readKey() override { return Key::End; }
};

// The terminal at standard input, key at a time, for as long as this lives. Typing is shown on
// a description of the terminal opened for writing: standard input may be open for reading
// only, and standard output may go elsewhere.
class PosixTerminal final : public TerminalDevice {
public:
    PosixTerminal() : showing_(ownDescription(STDIN_FILENO, O_WRONLY)), keyMode_(showing_.number) {
        std::setlocale(LC_CTYPE, "");
    }

    // The terminal's own until the program has had the terminal and noted the person's.
    LineSettings lineSettings() const override {
        struct termios found = {};
        if (!KeyMode::personSettings(found)) {
            return LineSettings();
        }
        const auto key = [&found](int index) {
            return found.c_cc[index] == _POSIX_VDISABLE ? LineSettings::kNone
                                                        : static_cast<int>(found.c_cc[index]);
        };
        const auto flag = [&found](tcflag_t mode) { return (found.c_lflag & mode) != 0; };
        LineSettings settings;
        settings.erase = key(VERASE);
        settings.kill = key(VKILL);
        // As a terminal does, the extended editing keys work only with IEXTEN.
        settings.wordErase = flag(IEXTEN) ? key(VWERASE) : LineSettings::kNone;
        settings.reprint = flag(IEXTEN) ? key(VREPRINT) : LineSettings::kNone;
        settings.literalNext = flag(IEXTEN) ? key(VLNEXT) : LineSettings::kNone;
        settings.endOfInput = key(VEOF);
        settings.lineEnd = key(VEOL);
        settings.echo = flag(ECHO);
        settings.echoErase = flag(ECHOE);
        settings.killNewline = flag(ECHOK);
        settings.echoKill = flag(ECHOK) && flag(ECHOE);
        settings.echoNewline = flag(ECHONL);
#ifdef VEOL2
        settings.lineEnd2 = key(VEOL2);
#endif
#ifdef ECHOCTL
        settings.echoControl = flag(ECHOCTL);
#endif
#ifdef ECHOKE
        settings.echoKill = settings.echoKill && flag(ECHOKE);
#endif
        return settings;
    }

    // A terminal that is gone is a hang-up, whoever leads the session and whether or not it
    // passes the hang-up on; so is one that fails for any reason but a signal or a description
    // left non-blocking, as nothing can be read from it any more. A program started in the
    // background takes the terminal once it is brought forward, which `fg` does with no signal
    // when the program was not stopped: until it has, it looks again every tenth of a second.
    // A wait without limit ends at a signal handled (a resize, a continue), so that the line is
    // drawn anew.
    std::size_t read(char* buffer, std::size_t capacity, int milliseconds) override {
        for (;;) {
            const bool keyMode = KeyMode::take();
            const int wait = keyMode || (milliseconds != kForever && milliseconds < kLookAgain)
                                 ? milliseconds
                                 : kLookAgain;
            if (!readyWithin(STDIN_FILENO, false, wait, wait == kForever)) {
                if (wait == milliseconds) {
                    return 0;
                }
                continue;
            }
            KeyMode::take();
            const ssize_t count = ::read(STDIN_FILENO, buffer, capacity);
            if (count > 0) {
                return static_cast<std::size_t>(count);
            }
            struct termios settings = {};
            if (count == 0 ? tcgetattr(STDIN_FILENO, &settings) != 0
                           : errno != EINTR && !wouldBlock(errno)) {
                endAsHangUp();
            }
        }
    }

    // As wide as the terminal shows it, by the person's locale.
    int columns(char32_t character) const override {
        return columnsInLocale(character);
    }

    // Best effort: a terminal that cannot show typing any more is found out by the next read.
    void show(std::string_view text) override {
        while (!text.empty()) {
            const ssize_t written = write(showing_.number, text.data(), text.size());
            if (written > 0) {
                text.remove_prefix(static_cast<std::size_t>(written));
            } else if (written == -1 && wouldBlock(errno)) {
                readyWithin(showing_.number, true, kForever);
            } else if (written == 0 || errno != EINTR) {
                return;
            }
        }
    }

    void quoteKeys(bool quoted) override {
        KeyMode::quoteKeys(quoted);
    }

    bool typingForgotten() override {
        return KeyMode::takeHandedBack();
    }

    int width() const override {
        struct winsize size = {};
        return ioctl(showing_.number, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
    }

private:
    // Closed only after the key mode has ended, which writes to it.
    struct Description {
        int number;
        explicit Description(int opened) : number(opened) {}
        ~Description() {
            if (number != STDIN_FILENO) {
                close(number);
            }
        }
        Description(const Description&) = delete;
        Description& operator=(const Description&) = delete;
    };

    Description showing_;
    KeyMode keyMode_;
};

}  // namespace

std::unique_ptr<ConsoleInput> openSystemConsole() {
    keepOutputBlocking(STDOUT_FILENO);
    keepOutputBlocking(STDERR_FILENO);
    // A terminal open for writing only cannot be read: its read fails at once, as a pipe's would.
    if (isatty(STDIN_FILENO) == 1 && (fcntl(STDIN_FILENO, F_GETFL) & O_ACCMODE) != O_WRONLY) {
        return std::make_unique<TerminalInput>(std::make_unique<PosixTerminal>());
    }
    return std::make_unique<StreamInput>();
}
