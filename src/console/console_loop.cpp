#include "console_loop.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <system_error>

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

// What follows a round's prompt. Bytes that have already arrived come first and are read as a
// script is read: white space is skipped, an Escape byte ends the program, and anything else is
// the next round's first value, left for it. That is the whole of a script; at a keyboard it is
// a paste or lines typed ahead, which are never a key press. Only at a keyboard with nothing
// waiting is a key pressed, and what the key wait takes for values is read the same way.
// Never returns `Key::Typed`.
Key nextKey(ConsoleInput& console, InputBuffer& input) {
    for (;;) {
        const int byte = input.skipSeparators(!console.hasKeyboard());
        if (byte == InputBuffer::kNotYet) {
            std::fflush(stdout);
            std::string typed;
            const Key key = console.readKey(typed);
            if (key != Key::Typed) {
                return key;
            }
            input.hold(typed);
            continue;
        }
        if (byte == InputBuffer::kEnd) {
            return Key::End;
        }
        if (byte == kEscape) {
            input.advance();
            return Key::Escape;
        }
        return Key::Other;
    }
}

// Values that a key wait took were never echoed: they are shown where the set they start is
// typed, control characters as the terminal's own echo shows them (^[ for Escape).
void showTyped(ConsoleInput& console, InputBuffer& input) {
    const std::string typed = input.takeUnshown();
    if (typed.empty()) {
        return;
    }
    std::string shown;
    for (const char byte : typed) {
        const auto code = static_cast<unsigned char>(byte);
        if ((code < 0x20 && byte != '\n' && byte != '\t') || code == 0x7F) {
            shown += '^';
            shown += static_cast<char>(code ^ 0x40);
        } else {
            shown += byte;
        }
    }
    std::fflush(stdout);
    console.echo(shown);
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

int answerSets(ConsoleInput& console, InputBuffer& input) {
    Agent agent;
    agent.buildTree();
    bool everySetAnswered = true;

    for (;;) {
        printInstructions();
        showTyped(console, input);
        const SetReading reading = readSet(input);
        // At a terminal, input ended by Ctrl-D part-way through a line leaves the cursor after
        // the typed text: what is printed next starts a line of its own.
        const char* lineStart = input.takeOpenLine() ? "\n" : "";
        switch (reading.outcome) {
            case SetReading::Outcome::Complete:
                std::fputs(lineStart, stdout);
                everySetAnswered &= answer(agent, reading.values);
                break;
            case SetReading::Outcome::Rejected:
                reportProblem("%sguard: set rejected: %s %s\n", lineStart,
                              reading.rejectedToken.c_str(),
                              reading.rejectedForRange ? "does not fit in a 32-bit integer"
                                                       : "is not an integer");
                everySetAnswered = false;
                break;
            case SetReading::Outcome::EndedBeforeSet:
                return everySetAnswered ? 0 : 1;
            case SetReading::Outcome::EndedInSet:
                reportProblem("%sguard: input ended after %d of 7 values\n", lineStart,
                              reading.valuesRead);
                return 1;
        }

        std::printf("\n\nPress any key to continue\n\n");
        const Key key = nextKey(console, input);
        if (key == Key::Escape) {
            return 0;
        }
        if (key == Key::End) {
            return everySetAnswered ? 0 : 1;
        }
    }
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
    InputBuffer input(console);
    int status = 1;
    try {
        status = answerSets(console, input);
    } catch (const std::system_error& failure) {
        reportProblem("%sguard: could not read standard input: %s\n",
                      input.takeOpenLine() ? "\n" : "", failure.code().message().c_str());
    }
    return finish(status);
}
