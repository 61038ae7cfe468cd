// SPDX-License-Identifier: MIT
#include "line_text.h"

#include <cwchar>

#include "key_sequence.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

char32_t characterAt(std::string_view text, std::size_t at) {
    const std::size_t length = characterLength(text.substr(at));
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t announced = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (lead < 0x80) {
        return lead;
    }
    if (lead < 0xC2 || lead >= 0xF5 || length != announced) {
        return kReplacement;
    }
    auto character = static_cast<char32_t>(lead & (0x7F >> announced));
    for (std::size_t next = 1; next < length; ++next) {
        character = (character << 6) | (static_cast<unsigned char>(text[at + next]) & 0x3F);
    }
    return character;
}

// Windows has no wcwidth; there the console edits and draws the values line itself, and nothing
// is measured.
int columnsInLocale(char32_t character) {
#ifdef _WIN32
    return character < 0x20 ? 0 : 1;
#else
    const int width = wcwidth(static_cast<wchar_t>(character));
    return width < 0 ? 1 : width;
#endif
}

std::size_t characterEnd(std::string_view text, std::size_t at, const TerminalDevice& device) {
    std::size_t end = at + characterLength(text.substr(at));
    while (end < text.size() && !isControl(text[end]) && !isBlank(text[end]) && text[end] != '\n' &&
           device.columns(characterAt(text, end)) == 0) {
        end += characterLength(text.substr(end));
    }
    return end;
}
