// SPDX-License-Identifier: MIT
#include "console_loop.h"
#include "system_console.h"

int main() {
    const auto console = openSystemConsole();
    return runConsole(*console);
}
