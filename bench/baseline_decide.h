// SPDX-License-Identifier: MIT
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* Prints the guard's reasoning for one set of inputs, given in the order they are typed:
 * every decision point passed, then the action. Checks nothing. */
void baselineDecide(int aiWeapon, int aiPatrol, int aiBearableDanger, int playerKnown,
                    int playerVisible, int playerDanger, int playerWeapon);

#ifdef __cplusplus
}
#endif
