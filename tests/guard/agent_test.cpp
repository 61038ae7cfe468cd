// What the program's input cannot reach: nodes of unknown kinds, an agent without a tree, and
// how the tree is freed. Every path of the guard tree is proven by the golden transcripts.
#include "agent.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

namespace {
// While set, every delete in this test program is recorded, in order.
std::vector<const void*>* recordedDeletes = nullptr;

void recordAndFree(void* memory) {
    if (recordedDeletes != nullptr && memory != nullptr) {
        std::vector<const void*>* record = recordedDeletes;
        recordedDeletes = nullptr;  // the record's own growth is not recorded
        record->push_back(memory);
        recordedDeletes = record;
    }
    std::free(memory);
}
}  // namespace

// Both replaced, so that what one allocates the other frees, sanitizers included.
void* operator new(std::size_t size) {
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    recordAndFree(memory);
}
void operator delete(void* memory, std::size_t /*size*/) noexcept {
    recordAndFree(memory);
}

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

TEST(AgentTest, RunBeforeBuildTree_PrintsNothing) {
    const Agent agent;
    testing::internal::CaptureStdout();
    agent.run();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(AgentTest, Destruction_FreesEveryNodeOnceChildrenBeforeParents) {
    auto agent = std::make_unique<Agent>();
    agent->buildTree();
    std::vector<std::pair<const Node*, const Node*>> nodeAndParent = {{agent->root, nullptr}};
    for (std::size_t i = 0; i < nodeAndParent.size(); ++i) {
        for (const Node* child : nodeAndParent[i].first->children) {
            nodeAndParent.emplace_back(child, nodeAndParent[i].first);
        }
    }
    ASSERT_EQ(nodeAndParent.size(), 19U);

    std::vector<const void*> deletes;
    recordedDeletes = &deletes;
    agent.reset();
    recordedDeletes = nullptr;

    for (const auto& [node, parent] : nodeAndParent) {
        EXPECT_EQ(std::count(deletes.begin(), deletes.end(), node), 1);
        EXPECT_LT(std::find(deletes.begin(), deletes.end(), node),
                  std::find(deletes.begin(), deletes.end(), parent));
    }
}

}  // namespace
