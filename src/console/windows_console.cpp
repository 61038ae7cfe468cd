#include <conio.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <system_error>

#include "system_console.h"

namespace {

constexpr int kEscape = 27;
constexpr int kCtrlC = 3;

// Arrow and function keys arrive from _getch as one of these, then a second code.
bool startsTwoCodeKey(int code) {
    return code == 0 || code == 0xE0;
}

class WindowsConsole final : public ConsoleInput {
public:
    WindowsConsole() : keyboard_(_isatty(_fileno(stdin)) != 0) {
        // Scripted input reaches the reader byte for byte, as on every other system: no CR-LF
        // folding and no Ctrl-Z taken as the end of a file. At the keyboard, Ctrl-Z stays the
        // way a Windows user ends the input.
        if (!keyboard_) {
            _setmode(_fileno(stdin), _O_BINARY);
        }
    }

    std::size_t readInput(char* buffer, std::size_t capacity) override {
        const unsigned request = capacity < INT_MAX ? static_cast<unsigned>(capacity) : INT_MAX;
        const int count = _read(_fileno(stdin), buffer, request);
        if (count < 0) {
            throw std::system_error(errno, std::generic_category());
        }
        return static_cast<std::size_t>(count);
    }

    // Keys already pressed are lines typed ahead or a paste, waiting in the console's buffer.
    bool inputWaiting() override { return _kbhit() != 0; }

    bool hasKeyboard() const override { return keyboard_; }

    Key readKey() override {
        const int code = _getch();
        if (startsTwoCodeKey(code)) {
            _getch();
            return Key::Other;
        }
        if (code == kCtrlC) {
            // _getch hands Ctrl-C over as a key; it still means what it means everywhere else.
            std::raise(SIGINT);
        }
        return code == kEscape ? Key::Escape : Key::Other;
    }

private:
    bool keyboard_;
};

}  // namespace

std::unique_ptr<ConsoleInput> openSystemConsole() {
    return std::make_unique<WindowsConsole>();
}
