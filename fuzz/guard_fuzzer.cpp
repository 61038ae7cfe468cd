// SPDX-License-Identifier: MIT
// libFuzzer target. The input's first byte picks how the rest reaches the program:
// - piped: as standard input with no terminal, in reads it splits anywhere. The dialogue ends
//   with status 0 or 1, and 0 only when it wrote no error line;
// - typed: as bursts of keys at a terminal, cut at each 0xFF byte (no key sends one). The program
//   ends with 0 only after an Escape key, or with Ctrl-D in the last burst it read;
// - pasted: as one bracketed paste at a terminal, in bursts cut at each 0xFF byte as a slow link
//   delays its pieces, then Ctrl-D twice. The program must end, and answer every set as it does
//   when the same bytes are piped in;
// - edited: each byte a key that edits the values line (characters of every width, cursor keys,
//   erasing, cutting, putting back, history, Enter, Ctrl-D, Escape), in bursts cut at each 0xFF
//   byte; a burst that starts with 0xFE makes the terminal as wide as its next byte says, one
//   that starts with 0xFD is a bracketed paste of values. Whenever a line is handed over, the
//   screen shows it as a fresh drawing of that line does; and the dialogue is the one the lines
//   handed over give when piped in.
// What the program writes, the judgement of every form of token included, is the transcripts'
// and unit tables' to prove.
#include <unistd.h>
#include <algorithm>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "console_loop.h"
#include "fake_screen.h"
#include "key_sequence.h"
#include "line_renderer.h"
#include "terminal_input.h"

namespace {

// Written past the standard error that a run captures.
void require(bool condition, const char* property) {
    if (!condition) {
        const std::string message = std::string("property broken: ") + property + "\n";
        write(STDERR_FILENO, message.data(), message.size());
        std::abort();
    }
}

// Standard input from memory, in blocks of a size the input picks, so that reads split tokens
// and lines at every possible place.
struct MemoryConsole final : ConsoleInput {
    MemoryConsole(std::string_view input, std::size_t block) : unread(input), blockSize(block) {}

    std::string_view unread;
    std::size_t blockSize;

    std::size_t readInput(char* buffer, std::size_t capacity) override {
        const std::size_t count = unread.copy(buffer, std::min(capacity, blockSize));
        unread.remove_prefix(count);
        return count;
    }
    bool inputWaiting() override { return true; }
    Key readKey() override { return Key::End; }
};

// Thrown when the program waits for a key or a line the script does not hold.
struct ScriptEnded {};

// A terminal from memory, with a screen: each burst arrives in reads of `blockSize` bytes, and
// after it comes a pause longer than any key's, which only a wait with no time limit outlasts. A
// burst with a width resizes the terminal, which ends a wait with nothing, as SIGWINCH does.
struct ScriptedTerminal final : FakeScreen {
    struct Burst {
        std::string bytes;
        int width = 0;  ///< The terminal's width from this burst on, if not 0.
    };
    std::vector<Burst> bursts;
    std::size_t blockSize = 1;
    std::size_t current = 0;  ///< The burst being read, and the one the last bytes came from.
    std::size_t taken = 0;    ///< Bytes of it already read.

    explicit ScriptedTerminal(int width = 0) : FakeScreen(width) {}

    std::size_t read(char* buffer, std::size_t capacity, int milliseconds) override {
        while (taken == bursts[current].bytes.size()) {
            if (milliseconds != kForever) {
                return 0;
            }
            taken = 0;
            if (++current == bursts.size()) {
                throw ScriptEnded();
            }
            if (bursts[current].width > 0) {
                resize(bursts[current].width);
                return 0;
            }
        }
        const std::size_t count =
            bursts[current].bytes.copy(buffer, std::min(capacity, blockSize), taken);
        taken += count;
        return count;
    }
};

// The dialogue's exit status (-1 when the script ended first), and what it wrote to standard
// output and standard error, in the order it wrote them.
std::pair<int, std::string> run(ConsoleInput& console) {
    char* written = nullptr;
    std::size_t size = 0;
    std::FILE* const saved[2] = {stdout, stderr};
    stdout = stderr = open_memstream(&written, &size);
    int status = -1;
    try {
        status = runConsole(console);
    } catch (const ScriptEnded&) {
    }
    std::fclose(stdout);
    stdout = saved[0];
    stderr = saved[1];
    std::string text(written, size);
    std::free(written);
    return {status, text};
}

std::pair<int, std::string> runPiped(std::string_view input, std::size_t blockSize) {
    MemoryConsole console(input, blockSize);
    return run(console);
}

// The text without the instructions, prompts and line ends, which a keyboard and a pipe differ
// in by design.
std::string dialogue(std::string text) {
    static const std::string kInstructions = runPiped("", 1).second;
    for (const std::string_view part :
         {std::string_view(kInstructions), std::string_view("Press any key to continue"),
          std::string_view("\n")}) {
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part)) {
            text.erase(at, part.size());
        }
    }
    return text;
}

// Also gives the last burst any bytes were read from.
std::pair<int, std::string> runTyped(const std::vector<std::string>& bursts, std::size_t blockSize,
                                     std::string& lastRead) {
    auto owned = std::make_unique<ScriptedTerminal>();
    ScriptedTerminal& terminal = *owned;
    for (const std::string& burst : bursts) {
        terminal.bursts.push_back({burst});
    }
    terminal.blockSize = blockSize;
    TerminalInput console(std::move(owned));
    auto result = run(console);
    lastRead = bursts[std::min(terminal.current, bursts.size() - 1)];
    return result;
}

std::vector<std::string> cutAtMarks(std::string_view input) {
    std::vector<std::string> pieces(1);
    for (char byte : input) {
        if (byte == '\xFF') {
            pieces.emplace_back();
        } else {
            pieces.back() += byte;
        }
    }
    return pieces;
}

// Whether `burst` holds an Escape pressed on its own, not counting a terminal's reports and
// paste markers: at the prompt, or on an empty values line, it ends the program.
bool holdsEscape(std::string_view burst) {
    for (std::size_t length = 0; !burst.empty(); burst.remove_prefix(length)) {
        length = keyLength(burst);
        if (burst.substr(0, length) == "\x1b") {
            return true;
        }
    }
    return false;
}

// The key that ended a run with 0 came in the last burst read: an Escape, or Ctrl-D (at the
// prompt, or on an empty line). After Ctrl-V (literal next), in that burst or an
// earlier one, a key's bytes are characters, so the Escape that ended it may stand anywhere.
void checkTyped(std::string_view input, std::size_t blockSize) {
    std::string lastRead;
    const int status = runTyped(cutAtMarks(input), blockSize, lastRead).first;
    const bool literalEscape =
        input.find('\x16') != std::string_view::npos && lastRead.find('\x1b') != std::string::npos;
    require(status != 0 || holdsEscape(lastRead) || literalEscape ||
                lastRead.find('\x04') != std::string::npos,
            "at a keyboard, only Escape or Ctrl-D ends the program with 0");
}

// Pasted text holds no Escape and no key that edits a line or ends the input.
constexpr std::string_view kNotPasted = "\x1b\x04\x15\x17\x7f";

void checkPasted(std::string_view input, std::size_t blockSize) {
    std::vector<std::string> bursts = cutAtMarks(input);
    std::string piped;
    for (std::string& burst : bursts) {
        for (char& byte : burst) {
            byte = kNotPasted.find(byte) == std::string_view::npos ? byte : ' ';
        }
        piped += burst;
    }
    bursts.front().insert(0, kPasteStart);
    bursts.back() += kPasteEnd;
    bursts.insert(bursts.end(), {"\x04", "\x04"});
    std::string lastRead;
    const auto typed = runTyped(bursts, blockSize, lastRead);
    const auto expected = runPiped(piped, blockSize);
    require(typed.first != -1, "after Ctrl-D twice, the program ends");
    require(typed.first == expected.first && dialogue(typed.second) == dialogue(expected.second),
            "pasted sets are answered as the same bytes piped in");
}

// Keys that edit the values line, as xterm sends them, and characters of every width.
constexpr std::string_view kEditingKeys[] = {
    "0",
    "1",
    "2",
    "3",
    "7",
    " ",
    "-",
    "x",
    "\t",
    "\x1d",
    "é",
    "漢",
    "e\xcc\x81",
    "\x1b[D",
    "\x1b[C",
    "\x1b[H",
    "\x1b[F",
    "\x1b[A",
    "\x1b[B",
    "\x1b"
    "b",
    "\x1b"
    "f",
    "\x1b[3~",
    "\x7f",
    "\x15",
    "\x17",
    "\x0b",
    "\x19",
    "\n",
    "\x04",
    "\x1b",
};

// The terminal's input as the loop reads it, noting the lines handed over, less what is taken
// back, and checking the screen whenever a line is handed over.
struct CheckedTerminal final : ConsoleInput {
    CheckedTerminal(TerminalInput& input, FakeScreen& screen) : input(input), screen(screen) {}

    TerminalInput& input;
    FakeScreen& screen;
    std::string handedOver;

    std::size_t readInput(char* buffer, std::size_t capacity) override {
        const std::size_t row = screen.row();
        const std::size_t column = screen.column();
        const std::size_t count = input.readInput(buffer, capacity);
        std::string line(buffer, count);
        handedOver += line;
        line.erase(line.find_last_not_of('\n') + 1);
        const std::size_t start =
            screen.width() > 0 ? std::min<std::size_t>(column, screen.width() - 1) : column;
        FakeScreen fresh(screen.width());
        LineRenderer renderer(fresh);
        renderer.restart(start);
        std::string drawn(start, ' ');
        renderer.draw(line, line.size(), 0, LineSettings(), fresh.width(), drawn);
        fresh.show(drawn);
        require(screen.textFrom(row, start) == fresh.textFrom(0, start),
                "the screen shows the line handed over as a fresh drawing of it does");
        return count;
    }
    bool inputWaiting() override { return input.inputWaiting(); }
    Key readKey() override { return input.readKey(); }
    void endTypedLine() override { input.endTypedLine(); }
    bool takeBackValues(std::string_view rest) override {
        const bool taken = input.takeBackValues(rest);
        handedOver.erase(handedOver.size() - (taken ? rest.size() : 0));
        return taken;
    }
    bool endedByEscape() const override { return input.endedByEscape(); }
};

void checkEdited(std::string_view input, std::size_t blockSize) {
    auto owned = std::make_unique<ScriptedTerminal>(static_cast<int>(20 + input.size() % 21));
    ScriptedTerminal& terminal = *owned;
    terminal.blockSize = blockSize;
    for (const std::string& burst : cutAtMarks(input)) {
        std::string keys;
        for (const char byte : burst) {
            keys += kEditingKeys[static_cast<unsigned char>(byte) % std::size(kEditingKeys)];
        }
        if (burst.size() > 1 && burst[0] == '\xFE') {
            terminal.bursts.push_back({"", 8 + static_cast<unsigned char>(burst[1]) % 40});
        } else if (!burst.empty() && burst[0] == '\xFD') {
            std::string values;
            for (const char byte : burst.substr(1)) {
                values += "0123456789 \n"[static_cast<unsigned char>(byte) % 12];
            }
            terminal.bursts.push_back({std::string(kPasteStart) + values + std::string(kPasteEnd)});
        } else {
            terminal.bursts.push_back({keys});
        }
    }
    terminal.bursts.insert(terminal.bursts.end(), {{"\x04"}, {"\x04"}, {"\x1b"}});
    TerminalInput keyboard(std::move(owned));
    CheckedTerminal checked(keyboard, terminal);
    const auto typed = run(checked);
    auto piped = runPiped(checked.handedOver, blockSize).second;
    // Escape on an empty line where a set was part-way ends the program without a word.
    if (checked.endedByEscape()) {
        piped.erase(std::min(piped.size(), piped.rfind("guard: input ended")));
    }
    require(typed.first == -1 || dialogue(typed.second) == dialogue(piped),
            "the walk answers the lines handed over, as when they are piped in");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t blockSize = 1 + size % 13;
    if (data[0] % 4 == 1) {
        checkTyped(input, blockSize);
    } else if (data[0] % 4 == 2) {
        checkPasted(input, blockSize);
    } else if (data[0] % 4 == 3) {
        checkEdited(input, blockSize);
    } else {
        const auto [status, written] = runPiped(input, blockSize);
        require(status == 0 || status == 1, "the exit status is 0 or 1");
        require(written.find("guard: ") != std::string::npos || status == 0,
                "a run without an error line exits 0");
    }
    return 0;
}
