// SPDX-License-Identifier: MIT
#pragma once

#include "console_input.h"

/// Prints the three instruction texts, in order, to standard output.
void printInstructions();

/// Runs the whole dialogue over `console`: builds the guard once, then answers set after set
/// until Escape or the end of the input. Standard output carries the dialogue only; every
/// problem is one line on standard error. Returns the exit status: 0 after Escape, or at the
/// end of the input when every set was answered; 1 when a set was rejected or could not be
/// answered, the input ended part-way through a set, or standard input could not be read or
/// standard output written.
int runConsole(ConsoleInput& console);
