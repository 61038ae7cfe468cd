// What the program's input cannot reach: nodes of unknown kinds, and how the tree is freed.
// Every path of the guard tree is proven by the golden transcripts.
#include "agent.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// A boolean root whose true child is made with `code`: only the root's line may be printed.
TEST(AgentTest, UnrecognisedKindCode_GivesPlainNodeThatEndsWalkSilently) {
    for (std::uint32_t code : {4U, 7U, 0xFFFFFFFFU}) {
        Agent agent;
        agent.playerKnown = true;
        agent.root = agent.createNode(nullptr, "start", NODE_BOOLEAN, &agent.playerKnown, nullptr);
        agent.createNode(agent.root, "false", NODE_TERMINAL, nullptr, nullptr);
        agent.createNode(agent.root, "plain", static_cast<NodeType>(code), &agent.playerKnown,
                         nullptr);
        testing::internal::CaptureStdout();
        agent.run();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "start\n") << "code " << code;
    }
}

// Notes its own destruction, which the agent's teardown reaches through a pointer to Node.
struct RecordingNode : Node {
    explicit RecordingNode(std::vector<const Node*>& log) : destroyed(log) {}
    ~RecordingNode() override { destroyed.push_back(this); }
    std::vector<const Node*>& destroyed;
};

TEST(AgentTest, Destruction_DestroysEveryNodeOnceChildrenBeforeParents) {
    std::vector<const Node*> destroyed;
    std::vector<std::pair<Node*, Node*>> nodeAndParent;
    auto agent = std::make_unique<Agent>();
    agent->root = new RecordingNode(destroyed);
    nodeAndParent.emplace_back(agent->root, nullptr);
    for (std::size_t parent : {0, 0, 1, 1, 2, 4}) {
        nodeAndParent.emplace_back(new RecordingNode(destroyed), nodeAndParent[parent].first);
        agent->addChild(nodeAndParent.back().second, nodeAndParent.back().first);
    }
    agent.reset();

    for (const auto& [node, parent] : nodeAndParent) {
        EXPECT_EQ(std::count(destroyed.begin(), destroyed.end(), node), 1);
        EXPECT_LT(std::find(destroyed.begin(), destroyed.end(), node),
                  std::find(destroyed.begin(), destroyed.end(), parent));
    }
}

}  // namespace
