// SPDX-License-Identifier: MIT
// The guard tree's walks in agent_paths.txt: every action, the comparisons at ties and at the
// 32-bit ends, and a player weapon that is no weapon code. The golden transcripts show a few of
// them through the whole program.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "agent.h"

namespace {

TEST(AgentTest, EveryWalk_PrintsItsLinesAsTheTableSays) {
    Agent agent;
    agent.buildTree();
    std::ifstream table(TABLES "guard/agent_paths.txt");
    ASSERT_TRUE(table.is_open()) << TABLES "guard/agent_paths.txt";
    for (std::string inputs; std::getline(table, inputs);) {
        if (inputs.empty() || inputs[0] == '#') {
            continue;
        }
        std::string expected;
        for (std::string line; std::getline(table, line) && !line.empty();) {
            expected += line + "\n";
        }
        std::array<std::int32_t, 7> typed{};
        std::istringstream values(inputs);
        for (std::int32_t& value : typed) {
            values >> value;
        }
        agent.setParameters(typed[0], typed[1] != 0, typed[2], typed[3] != 0, typed[4] != 0,
                            typed[5], typed[6]);
        testing::internal::CaptureStdout();
        std::string thrown;
        try {
            agent.run();
        } catch (const std::out_of_range&) {
            thrown = "(throws std::out_of_range)\n";
        }
        EXPECT_EQ(testing::internal::GetCapturedStdout() + thrown, expected) << inputs;
    }
}

}  // namespace
