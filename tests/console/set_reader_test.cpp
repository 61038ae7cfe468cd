#include "set_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "scripted_console.h"

namespace {

using Outcome = SetReading::Outcome;

// Owns the scripted input and the buffer over it; every test reads through a block size of one
// byte and a large one, so nothing may depend on where a read happens to split the input.
class SetReaderTest : public ::testing::TestWithParam<std::size_t> {
protected:
    void feed(const std::string& text) {
        console_ = std::make_unique<ScriptedConsole>(text, false, std::deque<Key>{}, GetParam());
        input_ = std::make_unique<InputBuffer>(*console_);
    }
    SetReading read() { return readSet(*input_); }

    std::string rest() {
        std::string text;
        for (int byte = input_->peek(); byte != InputBuffer::kEnd; byte = input_->peek()) {
            text += static_cast<char>(byte);
            input_->advance();
        }
        return text;
    }

private:
    std::unique_ptr<ScriptedConsole> console_;
    std::unique_ptr<InputBuffer> input_;
};

TEST_P(SetReaderTest, SevenValuesOnOneOrManyLines_AreOneSet) {
    for (const char* text :
         {"3 1 5 1 1 3 2\n", "3\n1\t5\r\n1\v1\f3     2", "\n\n  3 1 5\n1 1\n3 2"}) {
        feed(text);
        const SetReading reading = read();
        ASSERT_EQ(reading.outcome, Outcome::Complete) << text;
        EXPECT_EQ(reading.values, (InputSet{3, 1, 5, 1, 1, 3, 2})) << text;
    }
}

TEST_P(SetReaderTest, ValuesAfterTheSeventh_StayForTheNextSet) {
    feed("1 2 3 4 5 6 7 8 9\n10 11 12 13 14\n");
    EXPECT_EQ(read().values, (InputSet{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(rest(), " 8 9\n10 11 12 13 14\n");
}

TEST_P(SetReaderTest, BadToken_RejectsSetAndDiscardsOnlyTheRestOfItsLine) {
    feed("1 2 x 4 5 6 7 8\n9 10 11 12 13 14 15\n");
    SetReading reading = read();
    EXPECT_EQ(reading.outcome, Outcome::Rejected);
    EXPECT_EQ(reading.rejectedToken, "\"x\"");
    EXPECT_FALSE(reading.rejectedForRange);
    reading = read();
    ASSERT_EQ(reading.outcome, Outcome::Complete);
    EXPECT_EQ(reading.values, (InputSet{9, 10, 11, 12, 13, 14, 15}));
}

// Values before the bad token sit on earlier lines that are already read; only its own line goes.
TEST_P(SetReaderTest, BadTokenOnLaterLineOfSet_KeepsFollowingLines) {
    feed("1 2\n3 99999999999\n4 5 6 7 8 9 10\n");
    const SetReading reading = read();
    EXPECT_EQ(reading.outcome, Outcome::Rejected);
    EXPECT_EQ(reading.rejectedToken, "\"99999999999\"");
    EXPECT_TRUE(reading.rejectedForRange);
    EXPECT_EQ(rest(), "4 5 6 7 8 9 10\n");
}

TEST_P(SetReaderTest, BadTokenEndingItsLine_LeavesTheNextLineWhole) {
    feed("1 2 3 4 5 6 2x\n7 6 5 4 3 2 1\n");
    EXPECT_EQ(read().outcome, Outcome::Rejected);
    EXPECT_EQ(rest(), "7 6 5 4 3 2 1\n");
}

TEST_P(SetReaderTest, InputEnding_TellsWhetherAnyValueCame) {
    const struct {
        const char* text;
        Outcome outcome;
        int valuesRead;
    } cases[] = {
        {"", Outcome::EndedBeforeSet, 0},
        {" \n\t\n", Outcome::EndedBeforeSet, 0},
        {"1", Outcome::EndedInSet, 1},
        {"1 2 3\n", Outcome::EndedInSet, 3},
        {"1 2 3 4 5 6\n\n", Outcome::EndedInSet, 6},
        {"1 2 3 x", Outcome::Rejected, 3},
    };
    for (const auto& c : cases) {
        feed(c.text);
        const SetReading reading = read();
        EXPECT_EQ(reading.outcome, c.outcome) << c.text;
        EXPECT_EQ(reading.valuesRead, c.valuesRead) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, SetReaderTest, ::testing::Values(1, 3, 65536));

}  // namespace
