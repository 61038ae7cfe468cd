// The README's copy of the guard tree is checked against the diagram tool by
// tests/end_to_end/check_documents.sh; here, what the guard tree does not have.
#include "tree_diagram.h"

#include <gtest/gtest.h>

namespace {

// What the guard tree lacks: a plain node (which an unknown kind code makes), an edge beyond the
// weapon codes, a source that is not the agent's, and a text that needs escaping. Every kind's
// shape shows; the edge labels of the other kinds are in the guard tree.
TEST(TreeDiagramTest, EveryKind_DrawnWithItsShapeSourcesAndEdgeLabels) {
    Agent agent;
    std::int32_t outside = 0;
    agent.root = agent.createNode(nullptr, "weapon?", NODE_ENUM, &outside, nullptr);
    agent.createNode(agent.root, "say \"no\"", NODE_TERMINAL, nullptr, nullptr);
    agent.createNode(agent.root, "known?", NODE_BOOLEAN, &agent.playerKnown, nullptr);
    agent.createNode(agent.root, "danger?", NODE_COMP, &agent.playerDanger,
                     &agent.aiBearableDanger);
    agent.createNode(agent.root, "gun", NODE_TERMINAL, nullptr, nullptr);
    agent.createNode(agent.root, "silent", static_cast<NodeType>(9), nullptr, nullptr);

    EXPECT_EQ(renderMermaid(agent),
              "flowchart TD\n"
              "    n0{\"an outside value\"}\n"
              "    n0 -->|\"0 WEAPON_NONE\"| n1\n"
              "    n0 -->|\"1 WEAPON_BLACKJACK\"| n2\n"
              "    n0 -->|\"2 WEAPON_SWORD\"| n3\n"
              "    n0 -->|\"3 WEAPON_GUN\"| n4\n"
              "    n0 -->|\"4\"| n5\n"
              "    n1(\"say #quot;no#quot;\")\n"
              "    n2{\"playerKnown\"}\n"
              "    n3{\"playerDanger vs aiBearableDanger\"}\n"
              "    n4(\"gun\")\n"
              "    n5[\"silent\"]\n");
}

TEST(TreeDiagramTest, AgentWithoutTree_IsAnEmptyFlowchart) {
    EXPECT_EQ(renderMermaid(Agent()), "flowchart TD\n");
}

}  // namespace
