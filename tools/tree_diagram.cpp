// SPDX-License-Identifier: MIT
// Prints the guard tree as the Mermaid flowchart that README.md shows: `make diagram`.
#include <cstdio>

#include "agent.h"
#include "tree_diagram.h"

int main() {
    Agent agent;
    agent.buildTree();
    std::fputs(renderMermaid(agent).c_str(), stdout);
    return 0;
}
