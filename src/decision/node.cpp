// SPDX-License-Identifier: MIT
#include "node.h"

#include <cstddef>
#include <cstdio>

namespace {

// The line goes out before the child is chosen, so a failed lookup still shows which decision
// point could not be answered. `at` throws std::out_of_range rather than reading past the list.
// Lines are written with puts: with fortified functions a printf("%s\n") stays a formatted
// print, which made the walk about three times as slow.
Node* announceAndSelect(const Node& node, std::size_t position) {
    std::puts(node.description);
    return node.children.at(position);
}

}  // namespace

Node* Node::decide() {
    return nullptr;
}

Node* BooleanNode::decide() {
    return announceAndSelect(*this, *value ? 1 : 0);
}

Node* EnumNode::decide() {
    return announceAndSelect(*this, static_cast<std::uint32_t>(*value));
}

Node* CompNode::decide() {
    return announceAndSelect(*this, *value <= *threshold ? 1 : 0);
}

Node* Terminal::decide() {
    std::puts(description);
    return nullptr;
}
