// SPDX-License-Identifier: MIT
// libFuzzer target: the input reaches the program at a keyboard, in bursts cut at each 0xFF byte
// (no key sends one), after each of which comes a pause. A burst that starts with 0xFE makes the
// terminal as wide as its next byte says; one that starts with 0xFD is a bracketed paste of
// values; any other is keys, each byte as it is but those from 0x80 up, which stand for keys that
// edit the values line (cursor keys, history, cutting and putting back) and characters of every
// width, so that the keys send no bytes that make no character (terminals show those as they
// please). The first byte picks the size of the reads, and of the piped run's. Then:
// - the program ends with 0 only after an Escape or Ctrl-D in the last burst it read;
// - whenever a line is handed over, the screen shows it as a fresh drawing of it does;
// - the walk answers the lines handed over as it does when they are piped in, in reads split
//   anywhere, and a paste alone is handed over as it stands.
// What the program writes, the judgement of every form of token included, is the transcripts'
// and unit tables' to prove.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
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
    std::size_t blockSize;
    std::size_t current = 0;  ///< The burst being read, and the one the last bytes came from.
    std::size_t taken = 0;    ///< Bytes of it already read.

    ScriptedTerminal(int width, std::size_t block) : FakeScreen(width), blockSize(block) {}

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
// in by design, and without the input's end part-way through a set, which a pipe meets where
// Escape ends the program at a keyboard.
std::string dialogue(std::string text) {
    static const std::string kInstructions = runPiped("", 1).second;
    text.erase(std::min(text.size(), text.rfind("guard: input ended")));
    std::string kept;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t skipped = 0;
        for (const std::string_view part :
             {std::string_view(kInstructions), std::string_view("Press any key to continue"),
              std::string_view("\n")}) {
            skipped =
                skipped == 0 && text.compare(at, part.size(), part) == 0 ? part.size() : skipped;
        }
        kept += skipped == 0 ? text.substr(at, 1) : "";
        at += skipped == 0 ? 1 : skipped;
    }
    return kept;
}

// Whether `burst` holds an Escape pressed on its own: at the prompt, or on an empty values line,
// it ends the program.
bool holdsEscape(std::string_view burst) {
    for (std::size_t length = 0; !burst.empty(); burst.remove_prefix(length)) {
        length = keyLength(burst);
        if (burst.substr(0, length) == "\x1b") {
            return true;
        }
    }
    return false;
}

// What the bytes from 0x80 up stand for: keys that edit the values line as xterm sends them, and
// characters of every width.
constexpr std::string_view kEditingKeys[] = {
    "\x1b[D",   "\x1b[C",   "\x1b[H",    "\x1b[F",       "\x1b[A", "\x1b[B",
    "\x1b\x62", "\x1b\x66", "\x1b[3~",   "\x01",         "\x05",   "\x02",
    "\x06",     "\x0b",     "\x19",      "\x10",         "\x0e",   "é",
    "漢",       "🙂",     "e\xcc\x81", "\xe0\xb8\x81", "\x1b",   "\n",
    "\x7f",     "\x15",     "\x17",      "\x04",         " ",      "1",
};

// Ctrl-R shows the line again on a line of its own, where no fresh drawing of it shows it, and
// Ctrl-V may split a character or put Escape in a line (which a pipe takes for the Escape key):
// the keyboard cases show both, and here Ctrl-] stands for them.
char stoodFor(char byte) {
    return byte == '\x12' || byte == '\x16' ? '\x1d' : byte;
}

// The terminal's input, noting the lines handed over, less what is taken
// back, and checking the screen whenever a line is handed over.
struct CheckedTerminal final : TerminalInput {
    CheckedTerminal(std::unique_ptr<ScriptedTerminal> owned, FakeScreen& screen)
        : TerminalInput(std::move(owned)), screen(screen) {}

    FakeScreen& screen;
    std::string handedOver;

    std::size_t readInput(char* buffer, std::size_t capacity) override {
        const std::size_t row = screen.row();
        const std::size_t column = screen.column();
        const std::size_t count = TerminalInput::readInput(buffer, capacity);
        // A terminal made narrower meanwhile keeps the line's start within its new margin.
        const std::size_t start =
            screen.width() > 0 ? std::min<std::size_t>(column, screen.width() - 1) : column;
        const std::string line(buffer, count);
        handedOver += line;
        require(screen.textFrom(row, start) ==
                    drawnAfresh(line.substr(0, line.find_last_not_of('\n') + 1), start),
                "the screen shows the line handed over as a fresh drawing of it does");
        return count;
    }
    std::string drawnAfresh(const std::string& line, std::size_t start) const {
        FakeScreen fresh(screen.width());
        LineRenderer renderer(fresh);
        renderer.restart(start);
        std::string drawn(start, ' ');
        renderer.draw(line, line.size(), 0, LineSettings(), fresh.width(), drawn);
        fresh.show(drawn);
        return fresh.textFrom(0, start);
    }
    TakenBack takeBackValues(std::string_view rest, bool wholeSetFollows) override {
        const TakenBack taken = TerminalInput::takeBackValues(rest, wholeSetFollows);
        handedOver.erase(handedOver.size() - (taken != TakenBack::No ? rest.size() : 0));
        return taken;
    }
};

void checkKeyboard(std::string_view input, std::size_t blockSize) {
    auto owned =
        std::make_unique<ScriptedTerminal>(static_cast<int>(20 + input.size() % 21), blockSize);
    ScriptedTerminal& terminal = *owned;
    terminal.bursts.emplace_back();
    std::string pasted;
    bool onlyPastes = true;
    for (std::string_view rest = input; !rest.empty();) {
        const std::string_view burst = rest.substr(0, rest.find('\xFF'));
        rest.remove_prefix(std::min(rest.size(), burst.size() + 1));
        std::string bytes;
        for (const char byte : burst.substr(burst.empty() || burst[0] != '\xFD' ? 0 : 1)) {
            const auto code = static_cast<unsigned char>(byte);
            bytes += burst[0] == '\xFD' ? std::string(1, "0123456789 \n"[code % 12])
                     : code >= 0x80     ? std::string(kEditingKeys[code % std::size(kEditingKeys)])
                                        : std::string(1, stoodFor(byte));
        }
        if (burst.size() > 1 && burst[0] == '\xFE') {
            terminal.bursts.push_back({"", 8 + static_cast<unsigned char>(burst[1]) % 40});
        } else if (!burst.empty() && burst[0] == '\xFD') {
            pasted += bytes;
            terminal.bursts.push_back({std::string(kPasteStart) + bytes + std::string(kPasteEnd)});
        } else {
            onlyPastes = false;
            terminal.bursts.push_back({bytes});
        }
    }
    CheckedTerminal checked(std::move(owned), terminal);
    const auto [status, written] = run(checked);
    const std::string& lastRead =
        terminal.bursts[std::min(terminal.current, terminal.bursts.size() - 1)].bytes;
    require(status != 0 || holdsEscape(lastRead) || lastRead.find('\x04') != std::string::npos,
            "at a keyboard, only Escape or Ctrl-D ends the program with 0");
    // A script that ends leaves the program waiting where a pipe's end goes on.
    const std::string typed = dialogue(written);
    const std::string piped = dialogue(runPiped(checked.handedOver, blockSize).second);
    require(typed == piped.substr(0, status == -1 ? typed.size() : piped.size()),
            "the walk answers the lines handed over, as when they are piped in");
    require(!onlyPastes || checked.handedOver == pasted.substr(0, pasted.rfind('\n') + 1),
            "pasted values are handed over as they stand");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0) {
        checkKeyboard(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1),
                      1 + size % 13);
    }
    return 0;
}
