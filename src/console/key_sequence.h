#pragma once

#include <cstddef>
#include <string_view>

/// How many of `bytes`, as a terminal in key-at-a-time mode sends them, make its first key:
/// - a character, with all the UTF-8 continuation bytes its lead byte announces;
/// - a control sequence after ECMA-48: CSI (`ESC [`) with parameter bytes, intermediate bytes
///   and a final byte (`ESC [ 15 ; 6 ~`), SS3 (`ESC O`) with parameter bytes and a final byte
///   (`ESC O 2 P`), or the Linux console's `ESC [ [ A` to `ESC [ [ E`;
/// - Alt with a key, sent as Escape before it: a character or a whole control sequence
///   (`ESC ESC [ A` is Alt with an arrow);
/// - Escape alone, when nothing but another Escape follows it.
/// A sequence cut short is as long as what came of it. Returns 0 only for no bytes.
std::size_t keyLength(std::string_view bytes);

/// True when `bytes` is one key pressed once or held: its first key and nothing but repeats of it,
/// which a laggy link delivers together.
bool isOneKeyPress(std::string_view bytes);
