// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "agent.h"

/// The guard tree under `agent.root` (never empty) as indented plain text, ASCII only, for a
/// terminal and the manual page: each decision asks about the inputs by the names the
/// instructions give them, each branch starts with the value that selects it, and each action is
/// the exact line the program prints. Depth first, children in the order that selects them.
std::string renderText(const Agent& agent);

/// The same tree as a Mermaid flowchart, for documents: decision points are diamonds naming the
/// fields of `agent` they read, each edge is labelled with what selects it (false/true, ≤ / >,
/// weapon codes with their names), and actions are rounded boxes with their exact texts. Nodes
/// are numbered n0, n1, ... breadth first from the root, so the text only changes when the tree
/// does.
std::string renderMermaid(const Agent& agent);
