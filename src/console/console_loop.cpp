#include "console_loop.h"

#include <cstdio>
#include <stdexcept>

#include "agent.h"
#include "input_buffer.h"
#include "set_reader.h"

namespace {

constexpr int kEscape = 27;

// Standard output is flushed first so that, on a screen or in a merged log, the problem stands
// right after the dialogue line it is about.
template <typename... Arguments>
void reportProblem(const char* format, Arguments... arguments) {
    std::fflush(stdout);
    std::fprintf(stderr, format, arguments...);
}

// Without a keyboard the key press is the next byte of the input: an Escape byte ends the
// program, the end of the input ends it too, and anything else is the start of the next set.
Key takeKeyFromInput(InputBuffer& input) {
    const int byte = input.skipSeparators();
    if (byte == InputBuffer::kEnd) {
        return Key::None;
    }
    if (byte == kEscape) {
        input.advance();
        return Key::Escape;
    }
    return Key::Other;
}

// A set is answered when the walk reaches an action. The only way it cannot is a player
// weapon that is not a weapon code, found when the walk reaches the weapon test.
bool answer(Agent& agent, const InputSet& values) {
    agent.setParameters(values[0], values[1] != 0, values[2], values[3] != 0, values[4] != 0,
                        values[5], values[6]);
    try {
        agent.run();
        return true;
    } catch (const std::out_of_range&) {
        reportProblem("guard: set not answered: player weapon %d is not a weapon code (0 to 3)\n",
                      static_cast<int>(values[6]));
        return false;
    }
}

int finish(int status) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fprintf(stderr, "guard: could not write standard output\n");
        return 1;
    }
    return status;
}

}  // namespace

void printInstructions() {
    std::printf(
        "Type in the parameters in the representation of integers with spaces between them, use "
        "0 and 1 for booleans.\nYou can quit on any iteration by pressing escape, or continue by "
        "pressing any other key.\n\n");
    std::printf(
        "The order of parameters are:\nint\tai weapon\nbool\tai patrol\nint\tai bearable "
        "danger\nbool\tplayer known\nbool\tplayer visible\nint\tplayer danger\nint\tplayer "
        "weapon\n\n");
    std::printf(
        "Weapon values are as follows:\n0\tWEAPON_NONE\n1\tWEAPON_BLACKJACK\n2\tWEAPON_SWORD\n3\t"
        "WEAPON_GUN\n\n");
}

int runConsole(ConsoleInput& console) {
    Agent agent;
    agent.buildTree();
    InputBuffer input(console);
    bool everySetAnswered = true;

    for (;;) {
        printInstructions();
        const SetReading reading = readSet(input);
        switch (reading.outcome) {
            case SetReading::Outcome::Complete:
                everySetAnswered &= answer(agent, reading.values);
                break;
            case SetReading::Outcome::Rejected:
                reportProblem("guard: set rejected: %s %s\n", reading.rejectedToken.c_str(),
                              reading.rejectedForRange ? "does not fit in a 32-bit integer"
                                                       : "is not an integer");
                everySetAnswered = false;
                break;
            case SetReading::Outcome::EndedBeforeSet:
                return finish(everySetAnswered ? 0 : 1);
            case SetReading::Outcome::EndedInSet:
                reportProblem("guard: input ended after %d of 7 values\n", reading.valuesRead);
                return finish(1);
        }

        std::printf("\n\nPress any key to continue\n\n");
        Key key = Key::None;
        if (console.hasKeyboard()) {
            std::fflush(stdout);
            key = console.readKey();
        } else {
            key = takeKeyFromInput(input);
        }
        if (key == Key::Escape) {
            return finish(0);
        }
        if (key == Key::None) {
            return finish(everySetAnswered ? 0 : 1);
        }
    }
}
