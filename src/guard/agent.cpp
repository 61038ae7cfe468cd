// SPDX-License-Identifier: MIT
#include "agent.h"

Agent::~Agent() {
    deleteNode(root);
}

void Agent::setParameters(std::int32_t newAiWeapon, bool newAiPatrol,
                          std::int32_t newAiBearableDanger, bool newPlayerKnown,
                          bool newPlayerVisible, std::int32_t newPlayerDanger,
                          std::int32_t newPlayerWeapon) {
    aiWeapon = newAiWeapon;
    aiPatrol = newAiPatrol;
    aiBearableDanger = newAiBearableDanger;
    playerKnown = newPlayerKnown;
    playerVisible = newPlayerVisible;
    playerDanger = newPlayerDanger;
    playerWeapon = newPlayerWeapon;
}

Node* Agent::createNode(Node* parent, const char* description, NodeType type, void* value,
                        void* threshold) {
    Node* node = nullptr;
    switch (type) {
        case NODE_BOOLEAN: {
            auto* boolean = new BooleanNode;
            boolean->value = static_cast<const bool*>(value);
            node = boolean;
            break;
        }
        case NODE_COMP: {
            auto* comparison = new CompNode;
            comparison->value = static_cast<const std::int32_t*>(value);
            comparison->threshold = static_cast<const std::int32_t*>(threshold);
            node = comparison;
            break;
        }
        case NODE_ENUM: {
            auto* enumeration = new EnumNode;
            enumeration->value = static_cast<const std::int32_t*>(value);
            node = enumeration;
            break;
        }
        case NODE_TERMINAL:
            node = new Terminal;
            break;
        default:
            node = new Node;
            break;
    }
    if (parent != nullptr) {
        addChild(parent, node);
    }
    node->description = description;
    return node;
}

void Agent::addChild(Node* parent, Node* child) {
    parent->children.push_back(child);
}

void Agent::run() const {
    Node* current = root;
    while (current != nullptr) {
        current = current->decide();
    }
}

void Agent::deleteNode(Node* node) {
    if (node == nullptr) {
        return;
    }
    for (Node* child : node->children) {
        deleteNode(child);
    }
    delete node;
}
