// The README's copy of the guard tree is checked against the diagram tool by
// tests/end_to_end/check_documents.sh; here, what the guard tree does not have.
#include "tree_diagram.h"

#include <gtest/gtest.h>

namespace {

// A small tree with every kind of node, an edge beyond the weapon codes, a source that is not
// the agent's, and a text that needs escaping.
TEST(TreeDiagramTest, EveryKind_DrawnWithItsShapeSourcesAndEdgeLabels) {
    Agent agent;
    std::int32_t outside = 0;
    Node* root = agent.createNode(nullptr, "known?", NODE_BOOLEAN, &agent.playerKnown, nullptr);
    agent.root = root;
    Node* compare =
        agent.createNode(root, "danger?", NODE_COMP, &agent.playerDanger, &agent.aiBearableDanger);
    Node* weapon = agent.createNode(root, "weapon?", NODE_ENUM, &outside, nullptr);
    agent.createNode(compare, "say \"no\"", NODE_TERMINAL, nullptr, nullptr);
    agent.createNode(compare, "silent", static_cast<NodeType>(9), nullptr, nullptr);
    for (const char* action : {"none", "blackjack", "sword", "gun", "five"}) {
        agent.createNode(weapon, action, NODE_TERMINAL, nullptr, nullptr);
    }

    EXPECT_EQ(renderMermaid(agent),
              "flowchart TD\n"
              "    n0{\"playerKnown\"}\n"
              "    n0 -->|\"false\"| n1\n"
              "    n0 -->|\"true\"| n2\n"
              "    n1{\"playerDanger vs aiBearableDanger\"}\n"
              "    n1 -->|\">\"| n3\n"
              "    n1 -->|\"≤\"| n4\n"
              "    n2{\"an outside value\"}\n"
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

TEST(TreeDiagramTest, AgentWithoutTree_IsAnEmptyFlowchart) {
    EXPECT_EQ(renderMermaid(Agent()), "flowchart TD\n");
}

}  // namespace
