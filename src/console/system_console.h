// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include "console_input.h"

/// The console of the system the program was built for, over standard input. On a terminal,
/// the terminal's own settings are put back on every way out, signals that end the program
/// included.
std::unique_ptr<ConsoleInput> openSystemConsole();
