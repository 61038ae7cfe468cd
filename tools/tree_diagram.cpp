// SPDX-License-Identifier: MIT
// Prints the guard tree the program builds: as indented text by default, for a terminal and the
// manual page, or with --mermaid as the flowchart doc/tree.md shows. `make diagram` runs it.
#include <cstdio>
#include <cstring>

#include "agent.h"
#include "tree_diagram.h"

int main(int argc, char** argv) {
    const char* format = argc > 1 ? argv[1] : "--text";
    if (argc > 2 || (std::strcmp(format, "--text") != 0 && std::strcmp(format, "--mermaid") != 0)) {
        std::fputs("usage: guard_tree_diagram [--text | --mermaid]\n", stderr);
        return 2;
    }
    Agent agent;
    agent.buildTree();
    const bool mermaid = std::strcmp(format, "--mermaid") == 0;
    std::fputs((mermaid ? renderMermaid(agent) : renderText(agent)).c_str(), stdout);
    return 0;
}
