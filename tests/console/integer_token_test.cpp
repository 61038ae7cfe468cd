// SPDX-License-Identifier: MIT
// Every form of integer token in integer_forms.txt, judged and named as the table says. The
// golden transcripts show a few of them through the whole program.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "integer_token.h"
#include "table_rows.h"

namespace {

TEST(IntegerTokenTest, EveryForm_IsJudgedAndNamedAsTheTableSays) {
    const char* const verdicts[] = {"Integer", "NotAnInteger", "OutOfRange", "DecimalDigitInOctal"};
    for (const auto& row : tableRows(TABLES "console/integer_forms.txt")) {
        IntegerToken token;
        for (const char byte : row[0]) {
            token.feed(static_cast<unsigned char>(byte));
        }
        std::int32_t value = 0;
        const IntegerToken::Verdict judged = token.finish(value);
        EXPECT_EQ(verdicts[static_cast<int>(judged)], row[1]) << row[0];
        EXPECT_EQ(judged == IntegerToken::Verdict::Integer ? std::to_string(value) : token.quoted(),
                  row[2])
            << row[0];
    }
}

}  // namespace
