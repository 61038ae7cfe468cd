#include "integer_token.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <utility>

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
    // Signs and bases, up to both ends of the range in each base.
    const std::pair<const char*, std::int32_t> integers[] = {{"0", 0},
                                                             {"-0", 0},
                                                             {"+5", 5},
                                                             {"-42", -42},
                                                             {"010", 8},
                                                             {"-017", -15},
                                                             {"0x10", 16},
                                                             {"0X1f", 31},
                                                             {"-0xA", -10},
                                                             {"000000000000000000000000000012", 10},
                                                             {"2147483647", INT32_MAX},
                                                             {"-2147483648", INT32_MIN},
                                                             {"0x7fffffff", INT32_MAX},
                                                             {"-0x80000000", INT32_MIN},
                                                             {"017777777777", INT32_MAX},
                                                             {"-020000000000", INT32_MIN}};
    // Space-separated, as the program meets them; the last ones hold bytes a string cannot.
    const std::string outOfRange =
        "2147483648 -2147483649 0x80000000 -0x80000001 020000000000 4294967296 "
        "99999999999999999999999999999999";
    const std::string notIntegers = "x 2x 08 0x + - +-1 0x-1 1e3 1.0 0xg 0x1x \x1b 9999999999999x";
    const std::string oddBytes[] = {"", std::string("1\0", 2)};

    using Verdict = IntegerToken::Verdict;
    for (const auto& [text, expected] : integers) {
        std::int32_t value = 12345;
        EXPECT_EQ(judge(text, value), Verdict::Integer) << text;
        EXPECT_EQ(value, expected) << text;
    }
    const auto expectRejected = [](const std::string& text, Verdict verdict) {
        std::int32_t value = 12345;
        EXPECT_EQ(judge(text, value), verdict) << text;
        EXPECT_EQ(value, 12345) << text;
    };
    std::istringstream tooLarge(outOfRange);
    for (std::string text; tooLarge >> text;) {
        expectRejected(text, Verdict::OutOfRange);
    }
    std::istringstream malformed(notIntegers);
    for (std::string text; malformed >> text;) {
        expectRejected(text, Verdict::NotAnInteger);
    }
    for (const std::string& text : oddBytes) {
        expectRejected(text, Verdict::NotAnInteger);
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
