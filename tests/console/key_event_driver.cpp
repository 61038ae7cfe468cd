// SPDX-License-Identifier: MIT
// The keyboard of guard.exe's console, for the keyboard cases that terminal_test.py runs under
// Wine. Usage: key_event_driver GUARD.EXE FOLDER
// Starts GUARD.EXE on this program's console, with its output going to FOLDER\output. Key presses
// arrive as files FOLDER\keys0, keys1, ..., each a line of numbers, three for each key: virtual
// key, UTF-16 character, control key state; and are written into the console's input at once, each
// as a press and a release. When guard.exe has ended, FOLDER\status holds its exit status.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

void press(HANDLE console, std::istream& keys) {
    std::vector<INPUT_RECORD> events;
    WORD key = 0;
    unsigned short character = 0;
    DWORD state = 0;
    while (keys >> key >> character >> state) {
        const auto scanCode = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
        for (const BOOL down : {TRUE, FALSE}) {
            INPUT_RECORD event = {KEY_EVENT, {}};
            event.Event.KeyEvent = {down, 1, key, scanCode, {static_cast<WCHAR>(character)}, state};
            events.push_back(event);
        }
    }
    DWORD written = 0;
    WriteConsoleInputW(console, events.data(), static_cast<DWORD>(events.size()), &written);
}

// A Ctrl-C written as a key event reaches every program on the console, this one included.
BOOL WINAPI carryOn(DWORD /*event*/) {
    return TRUE;
}

}  // namespace

// Started only by terminal_test.py, always with both arguments.
int main(int /*argc*/, char** argv) {
    SetConsoleCtrlHandler(carryOn, TRUE);
    const std::string folder = std::string(argv[2]) + "\\";
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    const HANDLE console =
        CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inheritable, OPEN_EXISTING, 0, nullptr);
    const HANDLE output = CreateFileA((folder + "output").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                      &inheritable, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = console;
    startup.hStdOutput = output;
    startup.hStdError = output;
    std::string commandLine = std::string("\"") + argv[1] + "\"";
    PROCESS_INFORMATION guard = {};
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &guard) == 0) {
        std::fprintf(stderr, "key_event_driver: could not start %s\n", argv[1]);
        return 1;
    }
    for (int burst = 0; WaitForSingleObject(guard.hProcess, 5) == WAIT_TIMEOUT;) {
        std::ifstream keys(folder + "keys" + std::to_string(burst));
        if (keys.is_open()) {
            press(console, keys);
            ++burst;
        }
    }
    DWORD status = 0;
    GetExitCodeProcess(guard.hProcess, &status);
    std::ofstream(folder + "status.new") << status << '\n';
    MoveFileA((folder + "status.new").c_str(), (folder + "status").c_str());
    return 0;
}
