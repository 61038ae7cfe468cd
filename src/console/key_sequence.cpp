// SPDX-License-Identifier: MIT
#include "key_sequence.h"

#include <string>

namespace {

constexpr char kEscape = '\x1b';
constexpr std::size_t kMouseReportBytes = 3;  // button, column, row after ESC [ M

bool inRange(std::string_view bytes, std::size_t at, unsigned low, unsigned high) {
    if (at >= bytes.size()) {
        return false;
    }
    const auto byte = static_cast<unsigned char>(bytes[at]);
    return byte >= low && byte <= high;
}

bool startsSequence(std::string_view bytes, std::size_t at) {
    return at + 1 < bytes.size() && bytes[at] == kEscape &&
           (bytes[at + 1] == '[' || bytes[at + 1] == 'O');
}

std::size_t upTo(std::size_t end, std::string_view bytes) {
    return end <= bytes.size() ? end : bytes.size();
}

// Only called where `startsSequence` holds.
std::size_t sequenceLength(std::string_view bytes, std::size_t at) {
    const bool csi = bytes[at + 1] == '[';
    std::size_t end = at + 2;
    if (csi && end < bytes.size() && bytes[end] == '[') {
        return upTo(end + 2, bytes) - at;
    }
    if (csi && end < bytes.size() && bytes[end] == 'M') {
        return upTo(end + 1 + kMouseReportBytes, bytes) - at;
    }
    while (inRange(bytes, end, 0x30, 0x3F)) {
        ++end;
    }
    // rxvt ends its shifted editing keys with `$`, which ECMA-48 would take for an intermediate.
    if (csi && inRange(bytes, end, '$', '$')) {
        return end + 1 - at;
    }
    while (csi && inRange(bytes, end, 0x20, 0x2F)) {
        ++end;
    }
    if (inRange(bytes, end, 0x40, 0x7E) || inRange(bytes, end, 0xC0, 0xFE)) {
        ++end;
    }
    return end - at;
}

// An operating system command, which terminals send only as a reply: up to and with BEL or ST
// (ESC \\). A reply holds no other control character, so one that comes first shows Alt+]
// followed by typing. Only called where `bytes` starts with ESC ].
std::size_t stringLength(std::string_view bytes) {
    for (std::size_t at = 2; at < bytes.size(); ++at) {
        if (bytes[at] == '\a') {
            return at + 1;
        }
        if (bytes[at] == kEscape && at + 1 < bytes.size()) {
            return bytes[at + 1] == '\\' ? at + 2 : 2;
        }
        if ((static_cast<unsigned char>(bytes[at]) < 0x20 || bytes[at] == '\x7f') &&
            bytes[at] != kEscape) {
            return 2;
        }
    }
    return bytes.size();
}

// Escape and the next byte, Alt with it, where a sequence has gone on too long to be one.
std::size_t bounded(std::size_t length) {
    return length > kLongestSequence ? 2 : length;
}

}  // namespace

// Only the lead bytes UTF-8 allows announce continuation bytes; any other byte stands alone.
std::size_t characterLength(std::string_view bytes) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    const std::size_t following = lead >= 0xF5   ? 0
                                  : lead >= 0xF0 ? 3
                                  : lead >= 0xE0 ? 2
                                  : lead >= 0xC2 ? 1
                                                 : 0;
    std::size_t length = 1;
    while (length <= following && inRange(bytes, length, 0x80, 0xBF)) {
        ++length;
    }
    return length;
}

std::size_t keyLength(std::string_view bytes) {
    if (bytes.empty()) {
        return 0;
    }
    if (bytes[0] != kEscape) {
        return characterLength(bytes);
    }
    if (bytes.size() == 1) {
        return 1;
    }
    if (bytes[1] == ']') {
        return bounded(stringLength(bytes));
    }
    if (startsSequence(bytes, 0)) {
        return bounded(sequenceLength(bytes, 0));
    }
    if (bytes[1] == kEscape) {
        return startsSequence(bytes, 1) ? 1 + bounded(sequenceLength(bytes, 1)) : 1;
    }
    return 1 + characterLength(bytes.substr(1));
}

// A byte that ends or continues every form a key can be cut short in: a final byte, and a
// continuation byte. Whatever either would change, more bytes could.
bool mayGoOn(std::string_view bytes) {
    if (bytes == "\x1b\x1b") {
        return true;
    }
    if (keyLength(bytes) < bytes.size()) {
        return false;
    }
    for (const char next : {'A', '\x80'}) {
        std::string probe(bytes);
        probe += next;
        if (keyLength(probe) != bytes.size()) {
            return true;
        }
    }
    return false;
}
