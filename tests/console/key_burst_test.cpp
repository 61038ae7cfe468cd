// SPDX-License-Identifier: MIT
// The key grammar and what a burst of keys at the continue prompt comes to, for every form of
// key in key_forms.txt. The keyboard cases prove a few of them through the whole program.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "key_burst.h"
#include "key_sequence.h"
#include "table_rows.h"

namespace {

TEST(KeyLengthTest, EveryKeyForm_IsAsLongAsTheKey) {
    EXPECT_EQ(keyLength(""), 0U);
    for (const auto& row : tableRows(TABLES "console/key_forms.txt")) {
        const std::string& key = row[1];
        if (row[0] == "first") {
            EXPECT_EQ(keyLength(key), std::stoul(row[2])) << testing::PrintToString(key);
        } else if (row[0] == "key") {
            for (std::size_t cut = 1; cut <= key.size(); ++cut) {
                const std::string part = key.substr(0, cut);
                EXPECT_EQ(keyLength(part), part == "\x1b\x1b" ? 1 : cut)
                    << testing::PrintToString(part);
                EXPECT_EQ(mayGoOn(part), cut < key.size() || key == "\x1b")
                    << testing::PrintToString(part);
            }
            for (const std::string next : {"\x1b[B", "z"}) {
                EXPECT_EQ(keyLength(key + next), key.size() + (key == "\x1b" ? next.size() : 0))
                    << testing::PrintToString(key + next);
            }
        }
    }
}

TEST(KeyBurstTest, EveryBurst_IsOnePressOrAPaste) {
    const char* const verdicts[] = {"Nothing", "Paste", "Escape", "EndOfInput", "OtherKey"};
    for (const auto& row : tableRows(TABLES "console/key_forms.txt")) {
        if (row[0] == "burst") {
            KeyBurst burst('\x04');
            bool paste = false;
            std::istringstream pieces(row[1]);
            for (std::string piece; std::getline(pieces, piece, '|');) {
                paste = paste || burst.add(piece);
            }
            const KeyBurst::Verdict verdict = paste ? KeyBurst::Verdict::Paste : burst.finish();
            EXPECT_EQ(verdicts[static_cast<int>(verdict)], row[2])
                << testing::PrintToString(row[1]);
        }
    }
}

}  // namespace
