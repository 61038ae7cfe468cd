// SPDX-License-Identifier: MIT
// Every form of integer token in integer_forms.txt, judged and named as the table says. The
// golden transcripts show a few of them through the whole program.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "integer_token.h"

namespace {

TEST(IntegerTokenTest, EveryForm_IsJudgedAndNamedAsTheTableSays) {
    const char* const verdicts[] = {"Integer", "NotAnInteger", "OutOfRange", "DecimalDigitInOctal"};
    std::ifstream table(INTEGER_FORMS_FILE);
    ASSERT_TRUE(table.is_open()) << INTEGER_FORMS_FILE;
    for (std::string row; std::getline(table, row);) {
        if (row.empty() || row[0] == '#') {
            continue;
        }
        std::istringstream fields(row);
        std::string written;
        std::string verdict;
        std::string expected;
        fields >> written >> verdict >> expected;
        IntegerToken token;
        for (std::size_t at = 0; at < written.size(); ++at) {
            const bool hex = written.compare(at, 2, "\\x") == 0;
            token.feed(static_cast<unsigned char>(
                hex ? std::stoi(written.substr(at + 2, 2), nullptr, 16) : written[at]));
            at += hex ? 3 : 0;
        }
        std::int32_t value = 0;
        const IntegerToken::Verdict judged = token.finish(value);
        EXPECT_EQ(verdicts[static_cast<int>(judged)], verdict) << row;
        EXPECT_EQ(judged == IntegerToken::Verdict::Integer ? std::to_string(value) : token.quoted(),
                  expected)
            << row;
    }
}

}  // namespace
