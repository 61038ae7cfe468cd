// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

/// A point of a decision tree. Deciding a node announces it and names the next node of the walk.
///
/// `Node` used as a kind of its own is silent: `decide` prints nothing and returns null, so a
/// walk that reaches it ends without a word. The node does not own the nodes in `children`;
/// whoever owns the tree deletes them, children before parents.
struct Node {
    const char* description = nullptr;  ///< Borrowed constant text, printed when decided.
    std::vector<Node*> children;        ///< Position in this list is the value that selects it.

    virtual ~Node() = default;

    /// Returns the next node of the walk, or null when the walk ends here.
    virtual Node* decide();
};

/// Reads a `bool`: false selects child 0, true selects child 1.
struct BooleanNode : Node {
    const bool* value = nullptr;  ///< Borrowed; read at every call, never cached.

    Node* decide() override;
};

/// Reads a signed integer and selects the child at that position, the value taken as an unsigned
/// 32-bit index, so a negative value selects no child and the lookup fails.
struct EnumNode : Node {
    const std::int32_t* value = nullptr;  ///< Borrowed; read at every call, never cached.

    Node* decide() override;
};

/// Compares two signed integers: child 1 when value <= threshold, child 0 when value > threshold.
struct CompNode : Node {
    const std::int32_t* value = nullptr;      ///< Borrowed; read at every call, never cached.
    const std::int32_t* threshold = nullptr;  ///< Borrowed; read at every call, never cached.

    Node* decide() override;
};

/// A leaf: an action. Prints its description and ends the walk.
struct Terminal : Node {
    Node* decide() override;
};
