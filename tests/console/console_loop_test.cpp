#include "console_loop.h"

#include <gtest/gtest.h>

#include <string>

#include "output_capture.h"
#include "scripted_console.h"

namespace {

const std::string kPrompt = "\n\nPress any key to continue\n\n";
const std::string kSwordAttack =
    "start, check if player is known\n"
    "player is known, check how dangerous they are\n"
    "player is not too dangerous, check if I can currently see them\n"
    "player is visible, check what weapon they are currently holding\n"
    "they have a sword, check if your weapon matches or is better...\n"
    "you have a sword or gun, attack!\n";
const std::string kPatroling =
    "start, check if player is known\nplayer not known, decide what to do...\npatroling\n";

struct Session {
    int status;
    std::string output;
    std::string errors;
};

Session runSession(ScriptedConsole& console) {
    OutputCapture errors(stderr);
    OutputCapture output(stdout);
    const int status = runConsole(console);
    return {status, output.take(), errors.take()};
}

std::string instructions() {
    OutputCapture capture;
    printInstructions();
    return capture.take();
}

// Escape is the user's own way out and exits 0; a keyboard that goes away ends the run like the
// end of scripted input, with 1 if any set went unanswered.
TEST(ConsoleLoopTest, KeyboardRun_StatusFollowsHowItEnded) {
    const struct {
        const char* input;
        Key key;
        int status;
        const char* errors;
    } cases[] = {
        {"3 1 5 1 1 3 2\n", Key::End, 0, ""},
        {"3 1 5 1 1 3 y\n", Key::End, 1, "guard: set rejected: \"y\" is not an integer\n"},
        {"3 1 5 1 1 3 -4\n", Key::End, 1,
         "guard: set not answered: player weapon -4 is not a weapon code (0 to 3)\n"},
        {"3 1 5 1 1 3 y\n", Key::Escape, 0, "guard: set rejected: \"y\" is not an integer\n"},
    };
    for (const auto& c : cases) {
        ScriptedConsole console(c.input, true, {c.key});
        const Session session = runSession(console);
        EXPECT_EQ(session.status, c.status) << c.input;
        EXPECT_EQ(session.errors, c.errors) << c.input;
        EXPECT_EQ(console.keysRead, 1) << c.input;
    }
}

TEST(ConsoleLoopTest, ScriptedInput_SameTranscriptWhateverTheReadSizes) {
    const std::string input = "3 1 5 1 1 3 2\n 0x0 1 0 0 0 0 0 \n\x1b 9 9 9";
    ScriptedConsole whole(input, false, {}, 65536);
    const Session expected = runSession(whole);
    EXPECT_EQ(expected.status, 0);
    EXPECT_EQ(expected.output,
              instructions() + kSwordAttack + kPrompt + instructions() + kPatroling + kPrompt);
    for (std::size_t blockSize : {1, 2, 5}) {
        ScriptedConsole split(input, false, {}, blockSize);
        const Session session = runSession(split);
        EXPECT_EQ(session.output, expected.output) << "block size " << blockSize;
        EXPECT_EQ(session.status, expected.status) << "block size " << blockSize;
    }
}

TEST(ConsoleLoopTest, EveryWait_ComesAfterOutputIsFlushed) {
    ScriptedConsole scripted("3 1 5\n1 1 3 2\n0 0 0 0 0 0 0\n", false, {}, 4);
    runSession(scripted);
    EXPECT_EQ(scripted.waitsWithOutputPending, 0);
    ScriptedConsole keyboard("3 1 5 1 1 3 2\n0 0 0 0 0 0 0\n", true, {Key::Other}, 4);
    runSession(keyboard);
    EXPECT_EQ(keyboard.waitsWithOutputPending, 0);
}

}  // namespace
