#include "tree_diagram.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

// Owns an agent whose small tree has every kind of node, an edge beyond the weapon codes, and
// a text that needs escaping.
class TreeDiagramTest : public ::testing::Test {
protected:
    void SetUp() override {
        Node* root = agent.createNode(nullptr, "known?", NODE_BOOLEAN, &agent.playerKnown, nullptr);
        agent.root = root;
        Node* compare = agent.createNode(root, "danger?", NODE_COMP, &agent.playerDanger,
                                         &agent.aiBearableDanger);
        Node* weapon = agent.createNode(root, "weapon?", NODE_ENUM, &agent.aiWeapon, nullptr);
        agent.createNode(compare, "say \"no\"", NODE_TERMINAL, nullptr, nullptr);
        agent.createNode(compare, "silent", static_cast<NodeType>(9), nullptr, nullptr);
        for (const char* action : {"none", "blackjack", "sword", "gun", "five"}) {
            agent.createNode(weapon, action, NODE_TERMINAL, nullptr, nullptr);
        }
    }

    Agent agent;
};

TEST_F(TreeDiagramTest, EveryKind_DrawnWithItsShapeSourcesAndEdgeLabels) {
    EXPECT_EQ(renderMermaid(agent),
              "flowchart TD\n"
              "    n0{\"playerKnown\"}\n"
              "    n0 -->|\"false\"| n1\n"
              "    n0 -->|\"true\"| n2\n"
              "    n1{\"playerDanger vs aiBearableDanger\"}\n"
              "    n1 -->|\">\"| n3\n"
              "    n1 -->|\"≤\"| n4\n"
              "    n2{\"aiWeapon\"}\n"
              "    n2 -->|\"0 WEAPON_NONE\"| n5\n"
              "    n2 -->|\"1 WEAPON_BLACKJACK\"| n6\n"
              "    n2 -->|\"2 WEAPON_SWORD\"| n7\n"
              "    n2 -->|\"3 WEAPON_GUN\"| n8\n"
              "    n2 -->|\"4\"| n9\n"
              "    n3(\"say #quot;no#quot;\")\n"
              "    n4[\"silent\"]\n"
              "    n5(\"none\")\n"
              "    n6(\"blackjack\")\n"
              "    n7(\"sword\")\n"
              "    n8(\"gun\")\n"
              "    n9(\"five\")\n");
}

// README.md shows the guard tree; it must be exactly what the tree that buildTree makes draws.
TEST(GuardTreeDiagramTest, ReadmeCopy_MatchesTheBuiltTree) {
    std::ifstream readme(GUARD_README);
    ASSERT_TRUE(readme) << "cannot open " << GUARD_README;
    std::stringstream text;
    text << readme.rdbuf();
    const std::string content = text.str();
    const std::string opening = "```mermaid\n";
    const std::size_t start = content.find(opening);
    ASSERT_NE(start, std::string::npos) << "README.md has no mermaid block";
    const std::size_t end = content.find("```", start + opening.size());
    ASSERT_NE(end, std::string::npos);

    Agent agent;
    agent.buildTree();
    EXPECT_EQ(content.substr(start + opening.size(), end - start - opening.size()),
              renderMermaid(agent))
        << "README.md's picture of the guard tree is out of date: paste in what `make diagram` "
           "prints";
}

}  // namespace
