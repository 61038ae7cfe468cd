// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "node.h"

/// Weapon codes, weakest to strongest; the guard tree compares them as numbers.
enum Weapon : std::int32_t {
    WEAPON_NONE = 0,
    WEAPON_BLACKJACK = 1,
    WEAPON_SWORD = 2,
    WEAPON_GUN = 3,
};

/// Kind code taken by `Agent::createNode`. Any other code makes a plain, silent `Node`.
enum NodeType : std::uint32_t {
    NODE_BOOLEAN = 0,   ///< `BooleanNode`, reads `value` as a `bool`.
    NODE_COMP = 1,      ///< `CompNode`, reads `value` and `threshold` as signed integers.
    NODE_ENUM = 2,      ///< `EnumNode`, reads `value` as a signed integer.
    NODE_TERMINAL = 3,  ///< `Terminal`, reads nothing.
};

/// The guard: owns the seven inputs that describe it and the player, and the decision tree that
/// turns them into an action. Every decision node of the tree points at fields of this agent, so
/// storing new inputs with `setParameters` is all a new question needs.
///
/// Life: construction, `buildTree` once, any number of `setParameters`/`run` pairs, destruction
/// (which deletes the tree). Not copyable: the tree's nodes point into this very object.
struct Agent {
    std::int32_t aiWeapon = 0;          ///< The guard's weapon, a `Weapon` code (any integer).
    std::int32_t aiBearableDanger = 0;  ///< The highest player danger the guard will face.
    Node* root = nullptr;               ///< Owning; null until `buildTree`.
    bool playerKnown = false;           ///< The guard knows about the player.
    bool playerVisible = false;         ///< The guard can see the player now.
    std::int32_t playerDanger = 0;      ///< Same scale as `aiBearableDanger`.
    std::int32_t playerWeapon = 0;      ///< The player's weapon, a `Weapon` code; 0 to 3 walks.
    bool aiPatrol = false;              ///< The guard patrols while it does not know of the player.

    Agent() = default;
    Agent(const Agent&) = delete;
    Agent& operator=(const Agent&) = delete;
    ~Agent();

    /// Stores each argument in the field it names (`newAiWeapon` in `aiWeapon`, and so on);
    /// validates nothing.
    void setParameters(std::int32_t newAiWeapon, bool newAiPatrol, std::int32_t newAiBearableDanger,
                       bool newPlayerKnown, bool newPlayerVisible, std::int32_t newPlayerDanger,
                       std::int32_t newPlayerWeapon);

    /// Makes a node of the kind `type` selects, binds the sources that kind reads (the others are
    /// ignored), appends it to `parent`'s children unless `parent` is null, and returns it.
    Node* createNode(Node* parent, const char* description, NodeType type, void* value,
                     void* threshold);

    /// Appends `child` as the last of `parent`'s children, the position that selects it.
    void addChild(Node* parent, Node* child);

    /// Builds the fixed nineteen-node guard tree and stores it in `root`. Call once.
    void buildTree();

    /// Walks from `root`, printing one line per decision point and the action reached. Throws
    /// std::out_of_range, after that node's line, when `playerWeapon` is outside 0 to 3 and the
    /// walk reaches the weapon test. Prints nothing before `buildTree`.
    void run() const;

    /// Deletes the subtree under `node`, children before parents, `node` included; null is fine.
    void deleteNode(Node* node);
};
