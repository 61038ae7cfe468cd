// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

/// How many of `bytes`, as a terminal in key-at-a-time mode sends them, make its first key:
/// - a character, with all the UTF-8 continuation bytes its lead byte announces;
/// - a control sequence after ECMA-48: CSI (`ESC [`) with parameter bytes, intermediate bytes
///   and a final byte (`ESC [ 15 ; 6 ~`), SS3 (`ESC O`) with parameter bytes and a final byte
///   (`ESC O 2 P`), or the Linux console's `ESC [ [ A` to `ESC [ [ E`; rxvt's `$` after the
///   parameters (`ESC [ 2 $`), and a final byte with its top bit set, as rxvt's 8-bit meta sends
///   it (`ESC [ 0xC1` for Alt and Up), end one too;
/// - an X10 mouse report, `ESC [ M` and three bytes;
/// - a terminal's reply to an operating system command, `ESC ]` up to BEL or `ESC \`;
/// - Alt with a key, sent as Escape before it: a character or a whole control sequence
///   (`ESC ESC [ A` is Alt with an arrow);
/// - Escape alone, when nothing but another Escape follows it.
/// A key cut short is as long as what came of it. A sequence or reply that has not ended within
/// `kLongestSequence` bytes is no sequence: only its Escape and the byte after it make the key,
/// Alt with that byte, so that what follows is read as usual and nothing waits for it without
/// end. Returns 0 only for no bytes.
std::size_t keyLength(std::string_view bytes);

inline constexpr std::size_t kLongestSequence = 256;

/// How many of `bytes` make its first character: a UTF-8 character with the continuation bytes
/// its lead byte announces and that came, or one byte that starts none.
std::size_t characterLength(std::string_view bytes);

/// Whether more bytes after `bytes`, all that has come so far, could change its first key: a
/// character short of the bytes its lead announces, a sequence or reply not yet ended, an Escape
/// that Alt may go with, or an Escape before another, which may start Alt with a sequence.
bool mayGoOn(std::string_view bytes);

/// What a terminal in bracketed-paste mode sends before and after what is pasted.
inline constexpr std::string_view kPasteStart = "\x1b[200~";
inline constexpr std::string_view kPasteEnd = "\x1b[201~";

/// Whether `key` (a whole key) is a terminal's report rather than a key press: focus gained or
/// lost (`ESC [ I`, `ESC [ O`), reported where another program turned focus reporting on, or a
/// whole reply to an operating system command (one cut short may be Alt+] and what followed).
inline bool isTerminalReport(std::string_view key) {
    const bool reply = key.substr(0, 2) == "\x1b]" &&
                       (key.back() == '\a' || key.substr(key.size() - 2) == "\x1b\\");
    return key == "\x1b[I" || key == "\x1b[O" || reply;
}

/// Whether `key` (a whole key) is one that only a key press sends, never a character typed or
/// pasted: it starts with Escape.
inline bool isEscapeKey(std::string_view key) {
    return !key.empty() && key[0] == '\x1b';
}
