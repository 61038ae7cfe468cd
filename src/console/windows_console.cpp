// SPDX-License-Identifier: MIT
#include <windows.h>
// After windows.h, which they need.
#include <conio.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "key_burst.h"
#include "system_console.h"

namespace {

constexpr int kControlC = 3;
// How long the console may fall silent within one burst of keys, as on POSIX terminals.
constexpr DWORD kKeySequenceMilliseconds = 25;
// Windows ends the input with Ctrl-Z and Enter on a line of its own; at the prompt, Ctrl-Z is
// any other key.
constexpr int kNoEndOfInputKey = -1;

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

    // Values taken back, and a character the key wait took from a paste, start the next line
    // read as if typed there: shown, and editable with the console's own keys; the rest of the
    // paste is still in the console, where the line read shows it.
    std::size_t readInput(char* buffer, std::size_t capacity) override {
        if (!held_.empty()) {
            return readLineStartingWith(std::exchange(held_, std::string()), buffer, capacity);
        }
        const unsigned request = capacity < INT_MAX ? static_cast<unsigned>(capacity) : INT_MAX;
        SetLastError(ERROR_SUCCESS);
        const int count = _read(_fileno(stdin), buffer, request);
        if (count < 0) {
            throw std::system_error(errno, std::generic_category());
        }
        endIfControlC(count == 0);
        lineTyped_ = keyboard_ && typedWhole({buffer, static_cast<std::size_t>(count)});
        return static_cast<std::size_t>(count);
    }

    // A line typed whole, with nothing typed or pasted after it, is the person's to see again;
    // a paste, which the console shows as it reads it, flows on.
    TakenBack takeBackValues(std::string_view rest, bool /*wholeSetFollows*/) override {
        if (!std::exchange(lineTyped_, false)) {
            return TakenBack::No;
        }
        held_.assign(rest.substr(0, rest.find_last_not_of("\r\n") + 1));
        return TakenBack::AfterKey;
    }

    // As at a POSIX terminal, only complete lines wait for the line read; a key pressed while
    // output was printing is the key.
    bool inputWaiting() override {
        if (!keyboard_ || !held_.empty()) {
            return true;
        }
        for (const INPUT_RECORD& event : waitingEvents()) {
            if (isKeyDown(event) && event.Event.KeyEvent.uChar.AsciiChar == '\r') {
                return true;
            }
        }
        return false;
    }

    // The key and whatever comes with it, until the console falls silent, are one burst, told
    // apart as at a POSIX terminal: a paste is values, and key presses together are one press.
    Key readKey() override {
        // Wine's _getch gives a character above 127 as a negative number; Windows' does not.
        const int code = _getch() & 0xFF;
        if (code == kControlC) {
            endAsControlC();
        }
        // 0 and 0xE0 come before an arrow or function key's second code, which is there at
        // once; 0xE0 is also a letter in some code pages (à in 1252, р in 866).
        const bool extended = (code == 0 || code == 0xE0) && _kbhit() != 0;
        if (extended) {
            _getch();
        }
        const std::string first = extended ? kNoCharacter : std::string(1, static_cast<char>(code));
        KeyBurst burst(kNoEndOfInputKey);
        bool paste = burst.add(first);
        const std::vector<INPUT_RECORD> events = eventsAfterPause();
        for (const INPUT_RECORD& event : events) {
            paste = paste || (isKeyDown(event) && burst.add(keyText(event.Event.KeyEvent)));
        }
        const KeyBurst::Verdict verdict = paste ? KeyBurst::Verdict::Paste : burst.finish();
        if (verdict == KeyBurst::Verdict::Paste) {
            held_ += extended ? "" : first;
            return Key::Other;
        }
        DWORD taken = 0;
        std::vector<INPUT_RECORD> discarded(events.size());
        if (!events.empty()) {
            ReadConsoleInputA(console_, discarded.data(), static_cast<DWORD>(events.size()),
                              &taken);
        }
        return verdict == KeyBurst::Verdict::Escape ? Key::Escape : Key::Other;
    }

private:
    // Ctrl-C cuts a console line read short with nothing read, which the C runtime reports as the
    // end of the input, while the Ctrl-C itself is handled on another thread: the first to
    // finish must not decide the status.
    void endIfControlC(bool nothingRead) const {
        if (nothingRead && keyboard_ && GetLastError() == ERROR_OPERATION_ABORTED) {
            endAsControlC();
        }
    }

    // One line, with no key waiting after it: the console gives lines typed ahead or pasted
    // together in one read.
    bool typedWhole(std::string_view read) {
        for (const INPUT_RECORD& event : waitingEvents()) {
            if (isKeyDown(event)) {
                return false;
            }
        }
        return read.find('\n') + 1 == read.size();
    }

    // The console's line read, given `start` as characters already typed: written where typing
    // is shown first, as the console expects of them. Line ends come as the C runtime gives
    // them, and Ctrl-Z ends the input there.
    std::size_t readLineStartingWith(const std::string& start, char* buffer, std::size_t capacity) {
        const UINT codePage = GetConsoleCP();
        std::wstring line(kLongestLine, L'\0');
        const int initial =
            MultiByteToWideChar(codePage, 0, start.data(), static_cast<int>(start.size()),
                                line.data(), static_cast<int>(kLongestLine / 2));
        DWORD shown = 0;
        const HANDLE screen =
            CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        WriteConsoleW(screen, line.data(), static_cast<DWORD>(initial), &shown, nullptr);
        CloseHandle(screen);
        CONSOLE_READCONSOLE_CONTROL control = {sizeof control, static_cast<ULONG>(initial), 0, 0};
        DWORD read = 0;
        SetLastError(ERROR_SUCCESS);
        if (ReadConsoleW(console_, line.data(), static_cast<DWORD>(line.size()), &read, &control) ==
            0) {
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category());
        }
        endIfControlC(read == 0);
        line.resize(read);
        line.erase(std::min(line.find(L'\x1a'), line.size()));
        if (line.size() >= 2 && line.compare(line.size() - 2, 2, L"\r\n") == 0) {
            line.replace(line.size() - 2, 2, L"\n");
        }
        const int count = WideCharToMultiByte(
            codePage, 0, line.data(), static_cast<int>(line.size()), buffer,
            static_cast<int>(std::min<std::size_t>(capacity, INT_MAX)), nullptr, nullptr);
        lineTyped_ = typedWhole({buffer, static_cast<std::size_t>(count)});
        return static_cast<std::size_t>(count);
    }

    static constexpr std::size_t kLongestLine = 8192;  ///< Characters a console line holds.

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

    // The console's events once it has had no new one for a burst's pause.
    std::vector<INPUT_RECORD> eventsAfterPause() {
        DWORD seen = 0;
        DWORD count = 0;
        do {
            seen = count;
            Sleep(kKeySequenceMilliseconds);
            if (GetNumberOfConsoleInputEvents(console_, &count) == 0) {
                break;
            }
        } while (count != seen);
        return waitingEvents();
    }

    // A key as a terminal would send it: its character, a sequence for a key with none, and
    // nothing for a modifier pressed on its own.
    static std::string keyText(const KEY_EVENT_RECORD& key) {
        if (key.uChar.AsciiChar != 0) {
            return std::string(1, key.uChar.AsciiChar);
        }
        switch (key.wVirtualKeyCode) {
            case VK_SHIFT:
            case VK_CONTROL:
            case VK_MENU:
            case VK_CAPITAL:
            case VK_LWIN:
            case VK_RWIN:
            case VK_NUMLOCK:
            case VK_SCROLL:
                return "";
            default:
                return kNoCharacter;
        }
    }

    static constexpr const char* kNoCharacter = "\x1b[A";

    std::string held_;  ///< Values taken back, or taken by the key wait from a paste: read first.
    bool lineTyped_ = false;  ///< The last line read was typed whole, with nothing after it.
    bool keyboard_;
    HANDLE console_;
};

}  // namespace

std::unique_ptr<ConsoleInput> openSystemConsole() {
    return std::make_unique<WindowsConsole>();
}
