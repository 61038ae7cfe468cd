// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

#include "terminal_device.h"

/// A control character, shown as ^X where the person's settings say so: every byte below a blank
/// but tab, and DEL. A line feed is one only where Ctrl-V made it a character of the line.
inline bool isControl(char byte) {
    const auto code = static_cast<unsigned char>(byte);
    return (code < 0x20 && byte != '\t') || code == 0x7F;
}

/// The blanks that separate values, and words on the values line.
inline bool isBlank(char byte) {
    return byte == ' ' || byte == '\t';
}

/// The character whose UTF-8 bytes start at `at` in `text`; a byte that starts none, or a
/// character cut short, is U+FFFD, as a terminal shows it.
char32_t characterAt(std::string_view text, std::size_t at);

/// How many columns a terminal takes to show `character` by the person's locale (set with
/// setlocale): 2 for a wide one, 0 for one that combines with the one before it, 1 for one the
/// locale cannot measure, as terminals show those as one replacement character.
int columnsInLocale(char32_t character);

/// Where the character that starts at `at` ends, with the marks after it that combine with it
/// (that take no column on `device`): the unit the cursor moves over and Backspace rubs out.
std::size_t characterEnd(std::string_view text, std::size_t at, const TerminalDevice& device);
