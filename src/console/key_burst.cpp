#include "key_burst.h"

#include "key_sequence.h"

namespace {

constexpr std::size_t kFewestPastedCharacters = 5;

}  // namespace

bool KeyBurst::add(std::string_view bytes) {
    bytes_.append(bytes.data(), bytes.size());
    return scan(false);
}

KeyBurst::Verdict KeyBurst::finish() {
    if (scan(true)) {
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

// A key that reaches the end of what has come may have more bytes on the way, so it waits for
// them unless the burst is over.
bool KeyBurst::scan(bool burstOver) {
    if (bytes_.size() > kMostKeyBytes) {
        return true;
    }
    const std::string_view all = bytes_;
    while (scanned_ < all.size()) {
        const std::string_view rest = all.substr(scanned_);
        const std::size_t length = keyLength(rest);
        if (length == rest.size() && !burstOver) {
            return false;
        }
        scanned_ += length;
        if (take(rest.substr(0, length))) {
            return true;
        }
    }
    return false;
}

bool KeyBurst::take(std::string_view key) {
    if (key == kPasteStart) {
        return true;
    }
    if (key == kPasteEnd) {
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
