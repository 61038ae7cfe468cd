// SPDX-License-Identifier: MIT
#include "tree_diagram.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>

namespace {

// Names a source by the field of the agent it points at, since that is what a reader of the
// picture knows the inputs by.
const char* fieldName(const Agent& agent, const void* source) {
    const struct {
        const void* field;
        const char* name;
    } fields[] = {
        {&agent.aiWeapon, "aiWeapon"},         {&agent.aiBearableDanger, "aiBearableDanger"},
        {&agent.playerKnown, "playerKnown"},   {&agent.playerVisible, "playerVisible"},
        {&agent.playerDanger, "playerDanger"}, {&agent.playerWeapon, "playerWeapon"},
        {&agent.aiPatrol, "aiPatrol"},
    };
    for (const auto& field : fields) {
        if (field.field == source) {
            return field.name;
        }
    }
    return "an outside value";
}

// A weapon node's child at a position is chosen by the weapon whose code is that number.
std::string enumerationLabel(std::size_t position) {
    static const std::pair<Weapon, const char*> weapons[] = {{WEAPON_NONE, "WEAPON_NONE"},
                                                             {WEAPON_BLACKJACK, "WEAPON_BLACKJACK"},
                                                             {WEAPON_SWORD, "WEAPON_SWORD"},
                                                             {WEAPON_GUN, "WEAPON_GUN"}};
    std::string label = std::to_string(position);
    for (const auto& [code, name] : weapons) {
        if (static_cast<std::size_t>(code) == position) {
            label += std::string(" ") + name;
        }
    }
    return label;
}

// The guard tree's texts hold no double quote, which would end Mermaid's label early.
std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The node's shape and text, and the label of the edge to the child at each position.
struct Drawing {
    std::string shape;
    std::string (*edgeLabel)(std::size_t position);
};

Drawing draw(const Agent& agent, const Node& node) {
    if (const auto* boolean = dynamic_cast<const BooleanNode*>(&node)) {
        return {"{" + quoted(fieldName(agent, boolean->value)) + "}",
                [](std::size_t position) { return std::string(position == 0 ? "false" : "true"); }};
    }
    if (const auto* comparison = dynamic_cast<const CompNode*>(&node)) {
        return {"{" +
                    quoted(std::string(fieldName(agent, comparison->value)) + " vs " +
                           fieldName(agent, comparison->threshold)) +
                    "}",
                [](std::size_t position) { return std::string(position == 0 ? ">" : "≤"); }};
    }
    if (const auto* enumeration = dynamic_cast<const EnumNode*>(&node)) {
        return {"{" + quoted(fieldName(agent, enumeration->value)) + "}", enumerationLabel};
    }
    return {"(" + quoted(node.description) + ")", nullptr};
}

}  // namespace

std::string renderMermaid(const Agent& agent) {
    std::string diagram = "flowchart TD\n";
    std::deque<const Node*> pending = {agent.root};
    std::size_t numbered = 1;
    for (std::size_t id = 0; !pending.empty(); ++id) {
        const Node& node = *pending.front();
        pending.pop_front();
        const Drawing drawing = draw(agent, node);
        diagram += "    n" + std::to_string(id) + drawing.shape + "\n";
        for (std::size_t position = 0; position < node.children.size(); ++position) {
            const std::string label =
                drawing.edgeLabel != nullptr ? drawing.edgeLabel(position) : "";
            diagram += "    n" + std::to_string(id) + " -->|" + quoted(label) + "| n" +
                       std::to_string(numbered++) + "\n";
            pending.push_back(node.children[position]);
        }
    }
    return diagram;
}
