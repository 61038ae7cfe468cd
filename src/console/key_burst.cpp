// SPDX-License-Identifier: MIT
#include "key_burst.h"

#include "key_sequence.h"

bool KeyBurst::add(std::string_view bytes) {
    bytes_.append(bytes.data(), bytes.size());
    return scan(false);
}

KeyBurst::Verdict KeyBurst::finish() {
    if (scan(true) || pasteBegun_) {
        return Verdict::Paste;
    }
    if (!anyKey_) {
        return Verdict::Nothing;
    }
    if (allEscape_) {
        return Verdict::Escape;
    }
    return allEndOfInput_ ? Verdict::EndOfInput : Verdict::OtherKey;
}

// A key that reaches the end of what has come may have more bytes on the way, and so may an
// Escape before another, which may start a sequence that Alt goes with: each waits for them
// unless the burst is over, so that a burst comes to the same however its bytes are split.
bool KeyBurst::scan(bool burstOver) {
    if (bytes_.size() > kMostKeyBytes) {
        return true;
    }
    const std::string_view all = bytes_;
    while (scanned_ < all.size()) {
        const std::string_view rest = all.substr(scanned_);
        const std::size_t length = keyLength(rest);
        if ((length == rest.size() || rest == "\x1b\x1b") && !burstOver) {
            return false;
        }
        scanned_ += length;
        if (take(rest.substr(0, length))) {
            return true;
        }
    }
    return false;
}

// A paste is known by its first character: one that ends at once held nothing.
bool KeyBurst::take(std::string_view key) {
    if (key == kPasteStart || key == kPasteEnd) {
        pasteBegun_ = key == kPasteStart;
        return false;
    }
    if (pasteBegun_) {
        return true;
    }
    if (isTerminalReport(key)) {
        return false;
    }
    anyKey_ = true;
    allEscape_ = allEscape_ && key == "\x1b";
    allEndOfInput_ =
        allEndOfInput_ && key.size() == 1 && static_cast<unsigned char>(key[0]) == endOfInputByte_;
    if (isEscapeKey(key)) {
        return false;
    }
    if (characters_ == 0) {
        firstCharacter_ = key;
    }
    charactersAlike_ = charactersAlike_ && key == firstCharacter_;
    ++characters_;
    return characters_ >= kFewestPastedCharacters && !charactersAlike_;
}
