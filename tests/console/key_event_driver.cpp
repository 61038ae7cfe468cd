// A person at a Windows console, for guard.exe: starts it on this program's console, with its
// output to a pipe, takes the steps of a keyboard case one by one and writes down what came.
// Usage: key_event_driver GUARD.EXE STEPS RESULT
// STEPS has one step per line:
//   keys VK:CHAR:STATE ...  each key pressed and released, all written into the console's input
//                           at once: virtual key, UTF-16 character, control key state
//   shown TEXT              TEXT (\n, \t and \\ escaped) comes in what guard.exe writes after the
//                           previous match, within 5 seconds
//   stop, continue          guard.exe is suspended, resumed
// RESULT gets what guard.exe wrote, then a line "status N" or "failed: WHY".
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD kPatienceMilliseconds = 5000;

struct Guard {
    PROCESS_INFORMATION process = {};
    HANDLE output = nullptr;
    std::string written;   ///< Everything guard.exe has written, CR LF as LF.
    std::size_t seen = 0;  ///< Where the next `shown` starts looking.

    void collect() {
        DWORD available = 0;
        while (PeekNamedPipe(output, nullptr, 0, nullptr, &available, nullptr) != 0 &&
               available > 0) {
            char chunk[4096];
            DWORD count = 0;
            if (ReadFile(output, chunk, sizeof chunk, &count, nullptr) == 0) {
                return;
            }
            for (DWORD index = 0; index < count; ++index) {
                if (chunk[index] != '\r') {
                    written += chunk[index];
                }
            }
        }
    }

    bool shown(const std::string& text) {
        for (const DWORD start = GetTickCount(); GetTickCount() - start < kPatienceMilliseconds;
             Sleep(5)) {
            collect();
            const std::size_t at = written.find(text, seen);
            if (at != std::string::npos) {
                seen = at + text.size();
                return true;
            }
        }
        return false;
    }

    bool exited(DWORD& status) {
        for (const DWORD start = GetTickCount(); GetTickCount() - start < kPatienceMilliseconds;) {
            collect();
            if (WaitForSingleObject(process.hProcess, 10) == WAIT_OBJECT_0) {
                collect();
                return GetExitCodeProcess(process.hProcess, &status) != 0;
            }
        }
        return false;
    }
};

void press(HANDLE console, std::istringstream& keys) {
    std::vector<INPUT_RECORD> events;
    unsigned key = 0;
    unsigned character = 0;
    unsigned long state = 0;
    char colon = 0;
    while (keys >> key >> colon >> character >> colon >> state) {
        for (const BOOL down : {TRUE, FALSE}) {
            INPUT_RECORD event = {};
            event.EventType = KEY_EVENT;
            event.Event.KeyEvent.bKeyDown = down;
            event.Event.KeyEvent.wRepeatCount = 1;
            event.Event.KeyEvent.wVirtualKeyCode = static_cast<WORD>(key);
            event.Event.KeyEvent.wVirtualScanCode =
                static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
            event.Event.KeyEvent.uChar.UnicodeChar = static_cast<WCHAR>(character);
            event.Event.KeyEvent.dwControlKeyState = state;
            events.push_back(event);
        }
    }
    DWORD written = 0;
    WriteConsoleInputW(console, events.data(), static_cast<DWORD>(events.size()), &written);
}

std::string unescaped(const std::string& text) {
    std::string plain;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] == '\\' && index + 1 < text.size()) {
            const char next = text[++index];
            plain += next == 'n' ? '\n' : next == 't' ? '\t' : next;
        } else {
            plain += text[index];
        }
    }
    return plain;
}

// A Ctrl-C written as a key event reaches every program on the console, this one included.
BOOL WINAPI carryOn(DWORD /*event*/) {
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: key_event_driver GUARD.EXE STEPS RESULT\n");
        return 2;
    }
    SetConsoleCtrlHandler(carryOn, TRUE);
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    const HANDLE console =
        CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inheritable, OPEN_EXISTING, 0, nullptr);
    HANDLE outputEnd = nullptr;
    Guard guard;
    CreatePipe(&guard.output, &outputEnd, &inheritable, 0);
    SetHandleInformation(guard.output, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = console;
    startup.hStdOutput = outputEnd;
    startup.hStdError = outputEnd;
    std::string commandLine = std::string("\"") + argv[1] + "\"";
    std::string failure;
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &guard.process) == 0) {
        failure = "guard.exe did not start";
    }
    CloseHandle(outputEnd);

    std::ifstream steps(argv[2]);
    for (std::string line; failure.empty() && std::getline(steps, line);) {
        std::istringstream words(line);
        std::string step;
        words >> step;
        if (step == "keys") {
            press(console, words);
        } else if (step == "shown" && !guard.shown(unescaped(line.substr(6)))) {
            failure = "never shown: " + line.substr(6);
        } else if (step == "stop") {
            SuspendThread(guard.process.hThread);
        } else if (step == "continue") {
            ResumeThread(guard.process.hThread);
        }
    }
    DWORD status = 0;
    if (failure.empty() && !guard.exited(status)) {
        failure = "guard.exe did not exit";
    }
    if (!failure.empty()) {
        TerminateProcess(guard.process.hProcess, 1);
    }
    std::ofstream result(argv[3], std::ios::binary);
    result << guard.written << '\n'
           << (failure.empty() ? "status " + std::to_string(status) : "failed: " + failure) << '\n';
    return 0;
}
