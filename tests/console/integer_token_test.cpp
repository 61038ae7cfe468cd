#include "integer_token.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

IntegerToken::Verdict judge(const std::string& text, std::int32_t& value) {
    IntegerToken token;
    for (char byte : text) {
        token.feed(static_cast<unsigned char>(byte));
    }
    return token.finish(value);
}

// The whole token must be one integer that fits; a rejected one leaves the value alone.
TEST(IntegerTokenTest, Token_JudgedByPercentIRulesAsAWholeWithin32Bits) {
    using Verdict = IntegerToken::Verdict;
    constexpr std::int32_t kUntouched = 12345;
    const struct {
        std::string text;
        Verdict verdict;
        std::int32_t value;
    } cases[] = {// Signs and bases, up to both ends of the range in each base.
                 {"0", Verdict::Integer, 0},
                 {"-0", Verdict::Integer, 0},
                 {"+5", Verdict::Integer, 5},
                 {"-42", Verdict::Integer, -42},
                 {"010", Verdict::Integer, 8},
                 {"-017", Verdict::Integer, -15},
                 {"0x10", Verdict::Integer, 16},
                 {"0X1f", Verdict::Integer, 31},
                 {"-0xA", Verdict::Integer, -10},
                 {"000000000000000000000000000012", Verdict::Integer, 10},
                 {"2147483647", Verdict::Integer, INT32_MAX},
                 {"-2147483648", Verdict::Integer, INT32_MIN},
                 {"0x7fffffff", Verdict::Integer, INT32_MAX},
                 {"-0x80000000", Verdict::Integer, INT32_MIN},
                 {"017777777777", Verdict::Integer, INT32_MAX},
                 {"-020000000000", Verdict::Integer, INT32_MIN},
                 // One past either end, and far past.
                 {"2147483648", Verdict::OutOfRange, kUntouched},
                 {"-2147483649", Verdict::OutOfRange, kUntouched},
                 {"0x80000000", Verdict::OutOfRange, kUntouched},
                 {"-0x80000001", Verdict::OutOfRange, kUntouched},
                 {"020000000000", Verdict::OutOfRange, kUntouched},
                 {"4294967296", Verdict::OutOfRange, kUntouched},
                 {"99999999999999999999999999999999", Verdict::OutOfRange, kUntouched},
                 // Anything that is not wholly one integer.
                 {"", Verdict::NotAnInteger, kUntouched},
                 {"x", Verdict::NotAnInteger, kUntouched},
                 {"2x", Verdict::NotAnInteger, kUntouched},
                 {"08", Verdict::NotAnInteger, kUntouched},
                 {"0x", Verdict::NotAnInteger, kUntouched},
                 {"+", Verdict::NotAnInteger, kUntouched},
                 {"-", Verdict::NotAnInteger, kUntouched},
                 {"+-1", Verdict::NotAnInteger, kUntouched},
                 {"0x-1", Verdict::NotAnInteger, kUntouched},
                 {"1e3", Verdict::NotAnInteger, kUntouched},
                 {"1.0", Verdict::NotAnInteger, kUntouched},
                 {"0xg", Verdict::NotAnInteger, kUntouched},
                 {"0x1x", Verdict::NotAnInteger, kUntouched},
                 {"\x1b", Verdict::NotAnInteger, kUntouched},
                 {std::string("1\0", 2), Verdict::NotAnInteger, kUntouched},
                 {"99999999999999999999x", Verdict::NotAnInteger, kUntouched}};
    for (const auto& c : cases) {
        std::int32_t value = kUntouched;
        EXPECT_EQ(judge(c.text, value), c.verdict) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(IntegerTokenTest, Quoted_EscapesUnprintableBytesAndShortensLongTokens) {
    const struct {
        std::string text;
        const char* quoted;
    } cases[] = {
        {"2x", "\"2x\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {std::string("1\0\x1b\xff", 4), "\"1\\x00\\x1B\\xFF\""},
        {std::string(IntegerToken::kShownBytes, '7'),
         "\"7777777777777777777777777777777777777777\""},
        {std::string(IntegerToken::kShownBytes + 1, '7'),
         "\"7777777777777777777777777777777777777777...\""},
    };
    for (const auto& c : cases) {
        IntegerToken token;
        for (char byte : c.text) {
            token.feed(static_cast<unsigned char>(byte));
        }
        EXPECT_EQ(token.quoted(), c.quoted);
    }
}

}  // namespace
