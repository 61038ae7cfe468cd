// SPDX-License-Identifier: MIT
/* The yardstick for streaming and start-up: the least a C program can do to give the same
 * answers in scripted use. It reads seven integers with scanf, decides with if/else, and writes
 * the same bytes as guard; it checks nothing that guard checks. */
#include <stdio.h>

#include "baseline_decide.h"

int main(void) {
    int v[7];
    for (;;) {
        printf(
            "Type in the parameters in the representation of integers with spaces between "
            "them, use 0 and 1 for booleans.\nYou can quit on any iteration by pressing "
            "escape, or continue by pressing any other key.\n\n");
        printf(
            "The order of parameters are:\nint\tai weapon\nbool\tai patrol\nint\tai bearable "
            "danger\nbool\tplayer known\nbool\tplayer visible\nint\tplayer danger\nint\tplayer "
            "weapon\n\n");
        printf(
            "Weapon values are as follows:\n0\tWEAPON_NONE\n1\tWEAPON_BLACKJACK\n2\tWEAPON_"
            "SWORD\n3\tWEAPON_GUN\n\n");
        if (scanf("%i %i %i %i %i %i %i", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]) != 7) {
            return 0;
        }
        baselineDecide(v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
        printf("\n\nPress any key to continue\n\n");
        int next;
        do {
            next = getchar();
        } while (next == ' ' || next == '\t' || next == '\n' || next == '\r');
        if (next == EOF || next == 27) {
            return 0;
        }
        ungetc(next, stdin);
    }
}
