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

TEST(IntegerTokenTest, PercentIForms_GiveTheirValues) {
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"0", 0},
        {"-0", 0},
        {"+5", 5},
        {"42", 42},
        {"-42", -42},
        {"010", 8},
        {"-017", -15},
        {"0x10", 16},
        {"0X1f", 31},
        {"-0xA", -10},
        {"+0x0", 0},
        {"000000000000000000000000000012", 10},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"0x7fffffff", INT32_MAX},
        {"-0x80000000", INT32_MIN},
        {"017777777777", INT32_MAX},
        {"-020000000000", INT32_MIN},
        {"0x00000000000000000000000001", 1},
    };
    for (const auto& c : cases) {
        std::int32_t value = 12345;
        EXPECT_EQ(judge(c.text, value), IntegerToken::Verdict::Integer) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(IntegerTokenTest, TextThatIsNotWhollyOneInteger_IsRejected) {
    const std::string cases[] = {
        "",
        "x",
        "2x",
        "08",
        "09",
        "0x",
        "0X",
        "+",
        "-",
        "--1",
        "+-1",
        "0x-1",
        "1e3",
        "0b1",
        "1.0",
        "0xg",
        "1,2",
        "x1",
        "0x1x",
        "\x1b",
        "12\x7f",
        std::string("1\0", 2),
        std::string("\0", 1),
    };
    for (const std::string& text : cases) {
        std::int32_t value = 12345;
        EXPECT_EQ(judge(text, value), IntegerToken::Verdict::NotAnInteger) << text;
        EXPECT_EQ(value, 12345) << "a rejected token must leave the value alone: " << text;
    }
}

TEST(IntegerTokenTest, IntegersOutside32Bits_AreOutOfRangeAtBothEnds) {
    const char* cases[] = {
        "2147483648",
        "-2147483649",
        "0x80000000",
        "-0x80000001",
        "020000000000",
        "4294967296",
        "4294967295",
        "99999999999999999999999999999999",
        "-0xffffffffffffffffff",
    };
    for (const char* text : cases) {
        std::int32_t value = 12345;
        EXPECT_EQ(judge(text, value), IntegerToken::Verdict::OutOfRange) << text;
        EXPECT_EQ(value, 12345) << text;
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
