// SPDX-License-Identifier: MIT
#include "agent.h"

// The order of the calls fixes each child's position: for every parent, the first child made is
// chosen by false, by weapon 0 or by a failed comparison.
void Agent::buildTree() {
    Node* known =
        createNode(nullptr, "start, check if player is known", NODE_BOOLEAN, &playerKnown, nullptr);
    Node* patrol = createNode(known, "player not known, decide what to do...", NODE_BOOLEAN,
                              &aiPatrol, nullptr);
    Node* danger = createNode(known, "player is known, check how dangerous they are", NODE_COMP,
                              &playerDanger, &aiBearableDanger);
    createNode(patrol, "standing still", NODE_TERMINAL, nullptr, nullptr);
    createNode(patrol, "patroling", NODE_TERMINAL, nullptr, nullptr);
    createNode(danger, "player is too dangerous, run and hide", NODE_TERMINAL, nullptr, nullptr);
    Node* visible =
        createNode(danger, "player is not too dangerous, check if I can currently see them",
                   NODE_BOOLEAN, &playerVisible, nullptr);
    createNode(visible, "player is not currently visible, start searching...", NODE_TERMINAL,
               nullptr, nullptr);
    Node* weapon =
        createNode(visible, "player is visible, check what weapon they are currently holding",
                   NODE_ENUM, &playerWeapon, nullptr);
    createNode(weapon, "they have no weapon, detain them", NODE_TERMINAL, nullptr, nullptr);
    Node* blackjack =
        createNode(weapon, "they have a blackjack, check if your weapon matches or is better...",
                   NODE_COMP, &playerWeapon, &aiWeapon);
    Node* sword =
        createNode(weapon, "they have a sword, check if your weapon matches or is better...",
                   NODE_COMP, &playerWeapon, &aiWeapon);
    Node* gun = createNode(weapon, "they have a gun, check if your weapon matches...", NODE_COMP,
                           &playerWeapon, &aiWeapon);
    createNode(blackjack, "you don't have a weapon, run!", NODE_TERMINAL, nullptr, nullptr);
    createNode(blackjack, "you have a weapon, attack!", NODE_TERMINAL, nullptr, nullptr);
    createNode(sword, "you have a don't have a sword or gun, run!", NODE_TERMINAL, nullptr,
               nullptr);
    createNode(sword, "you have a sword or gun, attack!", NODE_TERMINAL, nullptr, nullptr);
    createNode(gun, "you don't have a gun, run!", NODE_TERMINAL, nullptr, nullptr);
    createNode(gun, "you have a gun, attack!", NODE_TERMINAL, nullptr, nullptr);
    root = known;
}
