/* The yardstick for streaming and start-up: the least a C program can do to give the same
 * answers in scripted use. It reads seven integers with scanf, decides with if/else, and writes
 * the same bytes as guard; it checks nothing that guard checks. */
#include <stdio.h>

static void line(const char* text) {
    printf("%s\n", text);
}

static void decide(int aiWeapon, int aiPatrol, int aiBearableDanger, int playerKnown,
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
        decide(v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
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
