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

// Only the bad token's own line goes: values before it on earlier lines are already read, and
// a token that ends its line leaves the next line whole.
TEST_P(SetReaderTest, BadToken_RejectsSetAndDiscardsOnlyTheRestOfItsLine) {
    const struct {
        const char* text;
        const char* token;
        bool forRange;
        const char* rest;
    } cases[] = {
        {"1 2 x 4 5 6 7 8\n9 10\n", "\"x\"", false, "9 10\n"},
        {"1 2\n3 99999999999 5\n4 5\n", "\"99999999999\"", true, "4 5\n"},
        {"1 2 3 4 5 6 2x\n7 6\n", "\"2x\"", false, "7 6\n"},
    };
    for (const auto& c : cases) {
        feed(c.text);
        const SetReading reading = read();
        EXPECT_EQ(reading.outcome, Outcome::Rejected) << c.text;
        EXPECT_EQ(reading.rejectedToken, c.token);
        EXPECT_EQ(reading.rejectedForRange, c.forRange) << c.text;
        EXPECT_EQ(rest(), c.rest);
    }
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
