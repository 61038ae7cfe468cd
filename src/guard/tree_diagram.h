// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "agent.h"

/// Draws the guard tree under `agent.root` (never empty) as a Mermaid flowchart, walking it the
/// way `run` would: decision points are diamonds naming the fields of `agent` they read, each
/// edge is labelled with what selects it (false/true, ≤ / >, weapon codes with their names), and
/// actions are rounded boxes with their exact texts. Nodes are numbered n0, n1, ... breadth first
/// from the root, so the text only changes when the tree does. The documents check compares it
/// with the copy in README.md.
std::string renderMermaid(const Agent& agent);
