// SPDX-License-Identifier: MIT
#include "tree_diagram.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>

namespace {

// A source is named by the field of the agent it points at, since that is what a reader knows
// the inputs by: the picture for developers uses the field's own name, the text for players the
// name the instructions give the input.
struct InputName {
    const char* field;
    const char* typed;
};

InputName inputName(const Agent& agent, const void* source) {
    const struct {
        const void* field;
        InputName name;
    } fields[] = {
        {&agent.aiWeapon, {"aiWeapon", "ai weapon"}},
        {&agent.aiBearableDanger, {"aiBearableDanger", "ai bearable danger"}},
        {&agent.playerKnown, {"playerKnown", "player known"}},
        {&agent.playerVisible, {"playerVisible", "player visible"}},
        {&agent.playerDanger, {"playerDanger", "player danger"}},
        {&agent.playerWeapon, {"playerWeapon", "player weapon"}},
        {&agent.aiPatrol, {"aiPatrol", "ai patrol"}},
    };
    for (const auto& field : fields) {
        if (field.field == source) {
            return field.name;
        }
    }
    return {"an outside value", "an outside value"};
}

// A weapon node's child at a position is chosen by the weapon whose code is that number.
const char* weaponName(std::size_t position) {
    static const std::pair<Weapon, const char*> weapons[] = {{WEAPON_NONE, "WEAPON_NONE"},
                                                             {WEAPON_BLACKJACK, "WEAPON_BLACKJACK"},
                                                             {WEAPON_SWORD, "WEAPON_SWORD"},
                                                             {WEAPON_GUN, "WEAPON_GUN"}};
    for (const auto& [code, name] : weapons) {
        if (static_cast<std::size_t>(code) == position) {
            return name;
        }
    }
    return nullptr;
}

// What a node reads, which is all either rendering needs to know of its kind.
struct Reading {
    enum class Kind { Action, Boolean, Comparison, Weapon };
    Kind kind = Kind::Action;
    InputName value{};
    InputName threshold{};
};

Reading readingOf(const Agent& agent, const Node& node) {
    if (const auto* boolean = dynamic_cast<const BooleanNode*>(&node)) {
        return {Reading::Kind::Boolean, inputName(agent, boolean->value), {}};
    }
    if (const auto* comparison = dynamic_cast<const CompNode*>(&node)) {
        return {Reading::Kind::Comparison, inputName(agent, comparison->value),
                inputName(agent, comparison->threshold)};
    }
    if (const auto* enumeration = dynamic_cast<const EnumNode*>(&node)) {
        return {Reading::Kind::Weapon, inputName(agent, enumeration->value), {}};
    }
    return {};
}

// The guard tree's texts hold no double quote, which would end Mermaid's label early.
std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string mermaidShape(const Reading& reading, const Node& node) {
    switch (reading.kind) {
        case Reading::Kind::Action:
            return "(" + quoted(node.description) + ")";
        case Reading::Kind::Comparison:
            return "{" +
                   quoted(std::string(reading.value.field) + " vs " + reading.threshold.field) +
                   "}";
        case Reading::Kind::Boolean:
        case Reading::Kind::Weapon:
            break;
    }
    return "{" + quoted(reading.value.field) + "}";
}

std::string mermaidEdge(const Reading& reading, std::size_t position) {
    switch (reading.kind) {
        case Reading::Kind::Boolean:
            return position == 0 ? "false" : "true";
        case Reading::Kind::Comparison:
            return position == 0 ? ">" : "≤";
        case Reading::Kind::Weapon: {
            const char* name = weaponName(position);
            return std::to_string(position) + (name != nullptr ? std::string(" ") + name : "");
        }
        case Reading::Kind::Action:
            break;
    }
    return "";
}

// Branches are labelled as the instructions explain the values typed: 0 or not for the yes/no
// inputs, a weapon's code and name, and for a comparison whether it holds.
std::string textBranch(const Reading& reading, std::size_t position) {
    switch (reading.kind) {
        case Reading::Kind::Boolean:
            return position == 0 ? "0" : "not 0";
        case Reading::Kind::Comparison:
            return position == 0 ? "no" : "yes";
        case Reading::Kind::Weapon: {
            const char* name = weaponName(position);
            return std::to_string(position) +
                   (name != nullptr ? std::string(" (") + name + ")" : "");
        }
        case Reading::Kind::Action:
            break;
    }
    return "";
}

// Appends what `node` asks or does after `label`, then its branches one level deeper.
void writeText(const Agent& agent, const Node& node, const std::string& indent,
               const std::string& label, std::string& text) {
    const Reading reading = readingOf(agent, node);
    text += indent + label;
    switch (reading.kind) {
        case Reading::Kind::Action:
            text += std::string(node.description) + "\n";
            return;
        case Reading::Kind::Comparison:
            text += std::string(reading.value.typed) + " <= " + reading.threshold.typed + "?\n";
            break;
        case Reading::Kind::Boolean:
        case Reading::Kind::Weapon:
            text += std::string(reading.value.typed) + "?\n";
            break;
    }
    for (std::size_t position = 0; position < node.children.size(); ++position) {
        writeText(agent, *node.children[position], indent + "  ",
                  textBranch(reading, position) + ": ", text);
    }
    // A code with no child is a lookup that fails: the program answers nothing.
    if (reading.kind == Reading::Kind::Weapon) {
        text += indent + "  any other value: not answered\n";
    }
}

}  // namespace

std::string renderText(const Agent& agent) {
    std::string text;
    writeText(agent, *agent.root, "", "", text);
    return text;
}

std::string renderMermaid(const Agent& agent) {
    std::string diagram = "flowchart TD\n";
    std::deque<const Node*> pending = {agent.root};
    std::size_t numbered = 1;
    for (std::size_t id = 0; !pending.empty(); ++id) {
        const Node& node = *pending.front();
        pending.pop_front();
        const Reading reading = readingOf(agent, node);
        diagram += "    n" + std::to_string(id) + mermaidShape(reading, node) + "\n";
        for (std::size_t position = 0; position < node.children.size(); ++position) {
            diagram += "    n" + std::to_string(id) + " -->|" +
                       quoted(mermaidEdge(reading, position)) + "| n" + std::to_string(numbered++) +
                       "\n";
            pending.push_back(node.children[position]);
        }
    }
    return diagram;
}
