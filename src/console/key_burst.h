// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

/// One burst of input at the continue prompt: the bytes a terminal sends with no pause between
/// them, and whatever was already waiting. Fed as it arrives, it tells a paste from key presses:
/// - a paste holds a bracketed paste (`ESC [ 200 ~` and more), or at least five characters that
///   are not all one key held down, or more than `kMostKeyBytes` bytes. Keys rolled over come a
///   few at a time, and a held key repeats one key; only text sent at once comes as more;
/// - anything else is key presses, all of them together one press: Escape when every key in it
///   is Escape, the end of the input when every key is the terminal's end-of-input character,
///   and otherwise any other key.
/// Characters are the keys that do not start with Escape. Bracketed-paste markers, an empty
/// bracketed paste and a terminal's reports (`isTerminalReport`) are no key.
class KeyBurst {
public:
    enum class Verdict {
        Nothing,     ///< No key yet.
        Paste,       ///< Values: `bytes()` are the burst so far, the rest follows as typing.
        Escape,      ///< The key that ends the program.
        EndOfInput,  ///< The end-of-input key (Ctrl-D).
        OtherKey,    ///< Any other key, or several together.
    };

    static constexpr std::size_t kMostKeyBytes = 4096;
    static constexpr std::size_t kFewestPastedCharacters = 5;

    /// `endOfInputByte` is the terminal's end-of-input character, or -1 when it has none.
    explicit KeyBurst(int endOfInputByte) : endOfInputByte_(endOfInputByte) {}

    /// Takes the burst's next bytes. Returns true once the burst is known to be a paste, after
    /// which nothing more may be added.
    bool add(std::string_view bytes);

    /// What the whole burst was, once no more of it comes. A key cut short counts as it came.
    Verdict finish();

    /// Every byte added so far.
    std::string& bytes() { return bytes_; }

private:
    bool scan(bool burstOver);
    bool take(std::string_view key);

    int endOfInputByte_;
    std::string bytes_;
    std::size_t scanned_ = 0;  ///< Bytes of `bytes_` already split into keys.
    std::string firstCharacter_;
    std::size_t characters_ = 0;
    bool charactersAlike_ = true;
    bool pasteBegun_ = false;  ///< A bracketed paste has begun, and not yet ended.
    bool anyKey_ = false;
    bool allEscape_ = true;
    bool allEndOfInput_ = true;
};
