// SPDX-License-Identifier: MIT
#include "integer_token.h"

#include <cstdio>

namespace {

constexpr std::uint64_t kLargestMagnitude = 2147483648U;  // of -2^31; +2^31 is one too many

int digitValue(unsigned char byte) {
    if (byte >= '0' && byte <= '9') {
        return byte - '0';
    }
    if (byte >= 'a' && byte <= 'f') {
        return byte - 'a' + 10;
    }
    if (byte >= 'A' && byte <= 'F') {
        return byte - 'A' + 10;
    }
    return -1;
}

}  // namespace

void IntegerToken::feed(unsigned char byte) {
    if (length_ < kShownBytes) {
        shown_[length_] = static_cast<char>(byte);
    }
    ++length_;

    const int digit = digitValue(byte);
    switch (state_) {
        case State::Start:
            if (byte == '+' || byte == '-') {
                negative_ = byte == '-';
                state_ = State::Signed;
                return;
            }
            [[fallthrough]];
        case State::Signed:
            if (byte == '0') {
                state_ = State::Zero;
            } else if (digit >= 1 && digit <= 9) {
                state_ = State::Decimal;
                magnitude_ = static_cast<std::uint64_t>(digit);
            } else {
                state_ = State::Invalid;
            }
            return;
        case State::Zero:
            if (byte == 'x' || byte == 'X') {
                state_ = State::HexPrefix;
                return;
            }
            state_ = State::Octal;
            [[fallthrough]];
        case State::Octal:
            if (digit >= 0 && digit <= 7) {
                accumulate(digit, 8);
            } else {
                state_ = digit == 8 || digit == 9 ? State::DecimalInOctal : State::Invalid;
            }
            return;
        case State::DecimalInOctal:
            if (digit < 0 || digit > 9) {
                state_ = State::Invalid;
            }
            return;
        case State::Decimal:
            if (digit >= 0 && digit <= 9) {
                accumulate(digit, 10);
            } else {
                state_ = State::Invalid;
            }
            return;
        case State::HexPrefix:
        case State::Hex:
            if (digit >= 0) {
                state_ = State::Hex;
                accumulate(digit, 16);
            } else {
                state_ = State::Invalid;
            }
            return;
        case State::Invalid:
            return;
    }
}

void IntegerToken::accumulate(unsigned digit, unsigned base) {
    if (tooLarge_) {
        return;
    }
    magnitude_ = magnitude_ * base + digit;
    tooLarge_ = magnitude_ > kLargestMagnitude;
}

IntegerToken::Verdict IntegerToken::finish(std::int32_t& value) const {
    switch (state_) {
        case State::Zero:
        case State::Octal:
        case State::Decimal:
        case State::Hex:
            break;
        case State::DecimalInOctal:
            return Verdict::DecimalDigitInOctal;
        default:
            return Verdict::NotAnInteger;
    }
    const std::uint64_t limit = negative_ ? kLargestMagnitude : kLargestMagnitude - 1;
    if (tooLarge_ || magnitude_ > limit) {
        return Verdict::OutOfRange;
    }
    const auto signedMagnitude = static_cast<std::int64_t>(magnitude_);
    value = static_cast<std::int32_t>(negative_ ? -signedMagnitude : signedMagnitude);
    return Verdict::Integer;
}

std::string IntegerToken::quoted() const {
    std::string text = "\"";
    const std::size_t shown = length_ < kShownBytes ? length_ : kShownBytes;
    for (std::size_t i = 0; i < shown; ++i) {
        const auto byte = static_cast<unsigned char>(shown_[i]);
        if (byte == '"' || byte == '\\') {
            text += '\\';
            text += static_cast<char>(byte);
        } else if (byte >= 0x20 && byte < 0x7f) {
            text += static_cast<char>(byte);
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        }
    }
    if (length_ > kShownBytes) {
        text += "...";
    }
    text += '"';
    return text;
}
