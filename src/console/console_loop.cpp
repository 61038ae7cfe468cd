// SPDX-License-Identifier: MIT
#include "console_loop.h"

#include <cstdarg>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <tuple>

#include "agent.h"
#include "input_buffer.h"
#include "set_reader.h"

namespace {

constexpr int kEscape = 27;

// Standard output is flushed first so that, on a screen or in a merged log, the problem stands
// right after the dialogue line it is about.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void reportProblem(const char* format, ...) {
    std::fflush(stdout);
    std::va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
}

// Whether `values` hold a whole set: seven of them or more. It stops at the seventh, since a
// script's whole unread buffer is passed here every round.
bool holdsWholeSet(std::string_view values) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < values.size() && count < std::tuple_size_v<InputSet>; ++at) {
        const bool starts = !InputBuffer::isSeparator(static_cast<unsigned char>(values[at])) &&
                            (at == 0 || InputBuffer::isSeparator(values[at - 1]));
        count += starts ? 1 : 0;
    }
    return count >= std::tuple_size_v<InputSet>;
}

// What follows a round's prompt. Bytes that have already arrived come first and are read as a
// script is read: white space is skipped, an Escape byte ends the program, and anything else is
// the next round's first value, left for it. That is the whole of a script, and of a paste that
// goes on set by set; at a keyboard, values typed after a set's seventh on its line, and the
// short rest of a paste, are taken back to start the next values line, where the person sees
// them; a typed line's, once a key is pressed, as when nothing is left.
Key nextKey(ConsoleInput& console, InputBuffer& input) {
    std::string_view rest = input.unread();
    while (!rest.empty() && InputBuffer::isSeparator(static_cast<unsigned char>(rest[0]))) {
        rest.remove_prefix(1);
    }
    const TakenBack takenBack = rest.empty() || rest[0] == kEscape
                                    ? TakenBack::No
                                    : console.takeBackValues(rest, holdsWholeSet(rest));
    if (takenBack == TakenBack::AtOnce) {
        input.discardUnread();
        return Key::Other;
    }
    const int byte =
        takenBack == TakenBack::AfterKey ? InputBuffer::kNotYet : input.skipSeparators(false);
    if (byte == InputBuffer::kNotYet) {
        input.discardUnread();
        flushOutput();
        return console.readKey();
    }
    if (byte == InputBuffer::kEnd) {
        return Key::End;
    }
    return byte == kEscape ? Key::Escape : Key::Other;
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

int answerSets(ConsoleInput& console, InputBuffer& input) {
    Agent agent;
    agent.buildTree();
    bool everySetAnswered = true;

    for (;;) {
        printInstructions();
        const SetReading reading = readSet(input);
        console.endTypedLine();
        switch (reading.outcome) {
            case SetReading::Outcome::Complete:
                everySetAnswered &= answer(agent, reading.values);
                break;
            case SetReading::Outcome::Rejected:
                reportProblem("guard: set rejected: %s %s\n", reading.rejectedToken.c_str(),
                              reading.rejectedAs == IntegerToken::Verdict::OutOfRange
                                  ? "does not fit in a 32-bit integer"
                              : reading.rejectedAs == IntegerToken::Verdict::DecimalDigitInOctal
                                  ? "is not an integer: a leading 0 means octal"
                                  : "is not an integer");
                everySetAnswered = false;
                break;
            case SetReading::Outcome::EndedBeforeSet:
                return everySetAnswered || console.endedByEscape() ? 0 : 1;
            case SetReading::Outcome::EndedInSet:
                if (console.endedByEscape()) {
                    return 0;
                }
                reportProblem("guard: input ended after %d of 7 values\n", reading.valuesRead);
                return 1;
        }

        std::printf("\n\nPress any key to continue\n\n");
        // Written line by line at a terminal and block by block elsewhere: a write that failed
        // is known by now, and nothing more is worth asking or answering.
        if (std::ferror(stdout) != 0) {
            throw OutputFailed();
        }
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
    try {
        const int status = answerSets(console, input);
        flushOutput();
        return status;
    } catch (const OutputFailed& failure) {
        std::fprintf(stderr, "guard: %s\n", failure.what());
    } catch (const std::system_error& failure) {
        reportProblem("guard: could not read standard input: %s\n",
                      failure.code().message().c_str());
    }
    return 1;
}
