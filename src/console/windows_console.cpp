#include <windows.h>
// After windows.h, which they need.
#include <conio.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

#include "system_console.h"

namespace {

constexpr int kEscape = 27;
constexpr int kControlC = 3;

// Ctrl-C and Ctrl-Break end the program with the status Windows gives any console program they
// stop. TerminateProcess, not ExitProcess: this may run on the console's own thread while the
// main thread holds the C runtime's locks.
void endAsControlC() {
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
}

BOOL WINAPI endOnControlC(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        endAsControlC();
    }
    return FALSE;
}

class WindowsConsole final : public ConsoleInput {
public:
    WindowsConsole()
        : keyboard_(_isatty(_fileno(stdin)) != 0), console_(GetStdHandle(STD_INPUT_HANDLE)) {
        // Scripted input reaches the reader byte for byte, as on every other system: no CR-LF
        // folding and no Ctrl-Z taken as the end of a file. At the keyboard, Ctrl-Z stays the
        // way a Windows user ends the input.
        if (!keyboard_) {
            _setmode(_fileno(stdin), _O_BINARY);
        }
        SetConsoleCtrlHandler(endOnControlC, TRUE);
    }

    std::size_t readInput(char* buffer, std::size_t capacity) override {
        const unsigned request = capacity < INT_MAX ? static_cast<unsigned>(capacity) : INT_MAX;
        SetLastError(ERROR_SUCCESS);
        const int count = _read(_fileno(stdin), buffer, request);
        if (count < 0) {
            throw std::system_error(errno, std::generic_category());
        }
        // Ctrl-C cuts a console line read short with nothing read, which the C runtime reports as
        // the end of the input, while the Ctrl-C itself is handled on another thread: the first
        // to finish must not decide the status.
        if (count == 0 && keyboard_ && GetLastError() == ERROR_OPERATION_ABORTED) {
            endAsControlC();
        }
        return static_cast<std::size_t>(count);
    }

    // As at a POSIX terminal, only complete lines wait for the line read; a key pressed while
    // output was printing is the key.
    bool inputWaiting() override {
        for (const INPUT_RECORD& event : waitingEvents()) {
            if (isKeyDown(event) && event.Event.KeyEvent.uChar.AsciiChar == '\r') {
                return true;
            }
        }
        return false;
    }

    bool hasKeyboard() const override { return keyboard_; }

    Key readKey(std::string& typed) override {
        // Wine's _getch gives a character above 127 as a negative number; Windows' does not.
        const int code = _getch() & 0xFF;
        // 0 and 0xE0 come before an arrow or function key's second code, which is there at
        // once; 0xE0 is also a letter in some code pages (à in 1252, р in 866).
        if ((code == 0 || code == 0xE0) && _kbhit() != 0) {
            _getch();
            return Key::Other;
        }
        if (code == kControlC) {
            endAsControlC();
        }
        if (!takeRepeatsOf(static_cast<char>(code))) {
            typed.assign(1, static_cast<char>(code));
            return Key::Typed;
        }
        return code == kEscape ? Key::Escape : Key::Other;
    }

    // The console shows what is written to it; standard output may be a pipe.
    void echo(std::string_view text) override {
        for (const char character : text) {
            _putch(static_cast<unsigned char>(character));
        }
    }

private:
    static bool isKeyDown(const INPUT_RECORD& event) {
        return event.EventType == KEY_EVENT && event.Event.KeyEvent.bKeyDown != 0;
    }

    std::vector<INPUT_RECORD> waitingEvents() {
        DWORD count = 0;
        if (GetNumberOfConsoleInputEvents(console_, &count) == 0 || count == 0) {
            return {};
        }
        std::vector<INPUT_RECORD> events(count);
        if (PeekConsoleInputA(console_, events.data(), count, &count) == 0) {
            return {};
        }
        events.resize(count);
        return events;
    }

    // Keys that arrived with the key just read: a held key's repeats are taken as part of its
    // one press; anything else means a paste, which the console hands over at once.
    bool takeRepeatsOf(char key) {
        const std::vector<INPUT_RECORD> events = waitingEvents();
        for (const INPUT_RECORD& event : events) {
            if (isKeyDown(event) && event.Event.KeyEvent.uChar.AsciiChar != 0 &&
                event.Event.KeyEvent.uChar.AsciiChar != key) {
                return false;
            }
        }
        std::vector<INPUT_RECORD> taken(events.size());
        DWORD count = 0;
        if (!taken.empty()) {
            ReadConsoleInputA(console_, taken.data(), static_cast<DWORD>(taken.size()), &count);
        }
        return true;
    }

    bool keyboard_;
    HANDLE console_;
};

}  // namespace

std::unique_ptr<ConsoleInput> openSystemConsole() {
    return std::make_unique<WindowsConsole>();
}
