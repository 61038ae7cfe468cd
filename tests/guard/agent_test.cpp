#include "agent.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "output_capture.h"

// Every delete in this test program is recorded while `recordingDeletes` is set, so a test can
// tell which nodes the agent freed, how often, and in what order.
namespace {
bool recordingDeletes = false;
std::array<const void*, 1024> deletedAddresses;
std::size_t deletedCount = 0;

void recordAndFree(void* memory) {
    if (recordingDeletes && memory != nullptr && deletedCount < deletedAddresses.size()) {
        deletedAddresses[deletedCount++] = memory;
    }
    std::free(memory);
}
}  // namespace

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

struct Inputs {
    std::int32_t aiWeapon;
    bool aiPatrol;
    std::int32_t aiBearableDanger;
    bool playerKnown;
    bool playerVisible;
    std::int32_t playerDanger;
    std::int32_t playerWeapon;
};

const std::string kKnown = "start, check if player is known\n";
const std::string kNotKnown = "player not known, decide what to do...\n";
const std::string kDanger = "player is known, check how dangerous they are\n";
const std::string kVisible = "player is not too dangerous, check if I can currently see them\n";
const std::string kWeapon = "player is visible, check what weapon they are currently holding\n";
const std::string kArmedPath = kKnown + kDanger + kVisible + kWeapon;

class GuardTreeTest : public ::testing::Test {
protected:
    void SetUp() override { agent.buildTree(); }

    std::string run(const Inputs& in) {
        agent.setParameters(in.aiWeapon, in.aiPatrol, in.aiBearableDanger, in.playerKnown,
                            in.playerVisible, in.playerDanger, in.playerWeapon);
        OutputCapture capture;
        agent.run();
        return capture.take();
    }

    Agent agent;
};

// One agent answers every row in turn, so this also shows that nothing is rebuilt or left over
// between questions.
TEST_F(GuardTreeTest, EachAction_PrintsItsWholePath) {
    const std::string blackjack =
        kArmedPath + "they have a blackjack, check if your weapon matches or is better...\n";
    const std::string sword =
        kArmedPath + "they have a sword, check if your weapon matches or is better...\n";
    const std::string gun = kArmedPath + "they have a gun, check if your weapon matches...\n";
    const std::string searching =
        kKnown + kDanger + kVisible + "player is not currently visible, start searching...\n";
    const std::string tooDangerous = kKnown + kDanger + "player is too dangerous, run and hide\n";
    const struct {
        Inputs inputs;
        std::string path;
    } cases[] = {
        {{3, false, 5, false, true, 3, 9}, kKnown + kNotKnown + "standing still\n"},
        {{0, true, 0, false, false, 0, 0}, kKnown + kNotKnown + "patroling\n"},
        {{3, true, 5, true, true, 6, 2}, tooDangerous},
        {{3, true, 5, true, false, 5, 2}, searching},
        {{0, false, 5, true, true, 3, 0}, kArmedPath + "they have no weapon, detain them\n"},
        {{0, false, 5, true, true, 3, 1}, blackjack + "you don't have a weapon, run!\n"},
        {{1, false, 5, true, true, 3, 1}, blackjack + "you have a weapon, attack!\n"},
        {{1, false, 5, true, true, 3, 2}, sword + "you have a don't have a sword or gun, run!\n"},
        {{3, true, 5, true, true, 3, 2}, sword + "you have a sword or gun, attack!\n"},
        {{2, false, 5, true, true, 3, 3}, gun + "you don't have a gun, run!\n"},
        {{3, false, 5, true, true, 3, 3}, gun + "you have a gun, attack!\n"},
        // Comparisons are signed, and a tie goes the guard's way.
        {{0, false, 0, true, false, -5, 0}, searching},
        {{0, false, -5, true, false, 0, 0}, tooDangerous},
        {{9, false, 0, true, true, 0, 3}, gun + "you have a gun, attack!\n"},
        {{-1, false, 0, true, true, 0, 0}, kArmedPath + "they have no weapon, detain them\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.inputs), c.path);
    }
}

TEST_F(GuardTreeTest, WeaponOutsideCodes_ThrowsAfterWeaponLineAndTreeStillAnswers) {
    for (std::int32_t weapon : {4, -1, INT32_MAX, INT32_MIN}) {
        agent.setParameters(3, false, 5, true, true, 3, weapon);
        OutputCapture capture;
        EXPECT_THROW(agent.run(), std::out_of_range) << "weapon " << weapon;
        EXPECT_EQ(capture.take(), kArmedPath);
    }
    EXPECT_EQ(run({3, false, 5, true, true, 3, 0}),
              kArmedPath + "they have no weapon, detain them\n");
}

TEST(AgentTest, RunBeforeBuildTree_PrintsNothing) {
    Agent agent;
    OutputCapture capture;
    agent.run();
    EXPECT_EQ(capture.take(), "");
}

TEST(AgentTest, UnrecognisedKindCode_GivesPlainNodeThatEndsWalkSilently) {
    for (std::uint32_t code : {4U, 7U, 0xFFFFFFFFU}) {
        Agent agent;
        agent.root = agent.createNode(nullptr, "start", NODE_BOOLEAN, &agent.playerKnown, nullptr);
        Node* plain = agent.createNode(agent.root, "never printed", static_cast<NodeType>(code),
                                       &agent.aiWeapon, &agent.aiWeapon);
        EXPECT_EQ(typeid(*plain), typeid(Node)) << "code " << code;
        OutputCapture capture;
        agent.run();
        EXPECT_EQ(capture.take(), "start\n") << "code " << code;
    }
}

TEST(AgentTest, Destruction_FreesEveryNodeOnceChildrenBeforeParents) {
    auto agent = std::make_unique<Agent>();
    agent->buildTree();
    std::vector<std::pair<const Node*, const Node*>> childAndParent;
    std::vector<const Node*> nodes = {agent->root};
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        for (const Node* child : nodes[i]->children) {
            nodes.push_back(child);
            childAndParent.emplace_back(child, nodes[i]);
        }
    }
    ASSERT_EQ(nodes.size(), 19U);

    deletedCount = 0;
    recordingDeletes = true;
    agent.reset();
    recordingDeletes = false;

    const auto* const begin = deletedAddresses.begin();
    const auto* const end = begin + static_cast<std::ptrdiff_t>(deletedCount);
    for (const Node* node : nodes) {
        EXPECT_EQ(std::count(begin, end, node), 1);
    }
    for (const auto& [child, parent] : childAndParent) {
        EXPECT_LT(std::find(begin, end, child), std::find(begin, end, parent));
    }
}

}  // namespace
