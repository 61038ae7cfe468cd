// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/// One whitespace-free token, fed a byte at a time, judged as a signed 32-bit integer written
/// the way C's `%i` reads one: optional sign, then decimal digits, octal digits after a leading
/// 0, or hexadecimal digits after 0x or 0X. Unlike `%i`, the whole token must be that integer
/// and it must fit; nothing is left over and nothing wraps. Memory stays bounded however long
/// the token is: only its first bytes are kept, to name it in a message.
class IntegerToken {
public:
    enum class Verdict {
        Integer,       ///< The token is one integer that fits.
        NotAnInteger,  ///< Empty, a stray character, or digits not allowed in its base.
        OutOfRange,    ///< A well-formed integer outside -2147483648 to 2147483647.
        /// A leading 0, then only decimal digits with an 8 or 9 among them: a decimal number to
        /// the eye, which the leading 0 makes a malformed octal one. Not an integer either.
        DecimalDigitInOctal,
    };

    void feed(unsigned char byte);

    /// Judges everything fed so far; on `Integer`, stores the value in `value`.
    Verdict finish(std::int32_t& value) const;

    /// The token for a one-line message, quoted: unprintable bytes as \xHH, and "..." after the
    /// first `kShownBytes` bytes of a longer token.
    std::string quoted() const;

    static constexpr std::size_t kShownBytes = 40;

private:
    enum class State {
        Start,
        Signed,
        Zero,
        HexPrefix,
        Decimal,
        Octal,
        DecimalInOctal,
        Hex,
        Invalid
    };

    void accumulate(unsigned digit, unsigned base);

    State state_ = State::Start;
    bool negative_ = false;
    bool tooLarge_ = false;
    std::uint64_t magnitude_ = 0;  ///< Exact while `tooLarge_` is false; at most 2^31 then.
    std::size_t length_ = 0;       ///< Bytes fed, all of them.
    char shown_[kShownBytes] = {};
};
