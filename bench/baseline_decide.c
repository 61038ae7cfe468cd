// SPDX-License-Identifier: MIT
/* The guard's decisions written out by hand with if/else, printing each line the way the tree
 * walk does. The yardstick for both the walk benchmark and the whole-program baseline. */
#include "baseline_decide.h"

#include <stdio.h>

static void line(const char* text) {
    printf("%s\n", text);
}

void baselineDecide(int aiWeapon, int aiPatrol, int aiBearableDanger, int playerKnown,
                    int playerVisible, int playerDanger, int playerWeapon) {
    line("start, check if player is known");
    if (!playerKnown) {
        line("player not known, decide what to do...");
        line(aiPatrol ? "patroling" : "standing still");
        return;
    }
    line("player is known, check how dangerous they are");
    if (playerDanger > aiBearableDanger) {
        line("player is too dangerous, run and hide");
        return;
    }
    line("player is not too dangerous, check if I can currently see them");
    if (!playerVisible) {
        line("player is not currently visible, start searching...");
        return;
    }
    line("player is visible, check what weapon they are currently holding");
    switch (playerWeapon) {
        case 0:
            line("they have no weapon, detain them");
            break;
        case 1:
            line("they have a blackjack, check if your weapon matches or is better...");
            line(playerWeapon <= aiWeapon ? "you have a weapon, attack!"
                                          : "you don't have a weapon, run!");
            break;
        case 2:
            line("they have a sword, check if your weapon matches or is better...");
            line(playerWeapon <= aiWeapon ? "you have a sword or gun, attack!"
                                          : "you have a don't have a sword or gun, run!");
            break;
        default:
            line("they have a gun, check if your weapon matches...");
            line(playerWeapon <= aiWeapon ? "you have a gun, attack!"
                                          : "you don't have a gun, run!");
            break;
    }
}
