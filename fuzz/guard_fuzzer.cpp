// libFuzzer target. The input's first byte picks how the rest reaches the program:
// - piped: as standard input with no terminal, in reads it splits anywhere. The dialogue ends
//   with status 0 or 1, and 0 only when it wrote no error line;
// - typed: as bursts of keys at a terminal, cut at each 0xFF byte (no key sends one). The program
//   ends with 0 only after an Escape key, or with Ctrl-D in the last burst it read;
// - pasted: as bracketed pastes at a terminal, then Ctrl-D twice. The program must end, and answer
//   every set as it does when the same bytes are piped in.
// What the program writes, the judgement of every form of token included, is the transcripts'
// to prove.
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
#include "key_sequence.h"
#include "terminal_input.h"

namespace {

void require(bool condition, const char* property) {
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", property);
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

// A terminal from memory: each burst arrives in reads of `blockSize` bytes, and after it comes a
// pause longer than any key's, which only a wait with no time limit outlasts.
struct ScriptedTerminal final : TerminalDevice {
    std::vector<std::string> bursts;
    std::size_t blockSize = 1;
    std::size_t current = 0;  ///< The burst being read, and the one the last bytes came from.
    std::size_t taken = 0;    ///< Bytes of it already read.

    std::size_t read(char* buffer, std::size_t capacity, int milliseconds) override {
        if (taken == bursts[current].size() && milliseconds != kForever) {
            return 0;
        }
        while (taken == bursts[current].size()) {
            taken = 0;
            if (++current == bursts.size()) {
                throw ScriptEnded();
            }
        }
        const std::size_t count =
            bursts[current].copy(buffer, std::min(capacity, blockSize), taken);
        taken += count;
        return count;
    }
    void show(std::string_view /*text*/) override {}
    bool typingForgotten() override { return false; }
    LineSettings lineSettings() const override { return LineSettings(); }
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
std::pair<int, std::string> runTyped(std::vector<std::string> bursts, std::size_t blockSize,
                                     std::string& lastRead) {
    auto owned = std::make_unique<ScriptedTerminal>();
    ScriptedTerminal& terminal = *owned;
    terminal.bursts = std::move(bursts);
    terminal.blockSize = blockSize;
    TerminalInput console(std::move(owned));
    auto result = run(console);
    lastRead = terminal.bursts[std::min(terminal.current, terminal.bursts.size() - 1)];
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

// Whether the last key pressed in `burst`, not counting a terminal's reports and paste markers,
// is Escape.
bool endsInEscape(std::string_view burst) {
    std::string_view last;
    for (std::size_t length = 0; !burst.empty(); burst.remove_prefix(length)) {
        length = keyLength(burst);
        const std::string_view key = burst.substr(0, length);
        if (!isTerminalReport(key) && key != kPasteStart && key != kPasteEnd) {
            last = key;
        }
    }
    return last == "\x1b";
}

// The key that ended a run with 0 came in the last burst read: it ends in Escape, or holds
// Ctrl-D (at the prompt, or on an empty line). After Ctrl-V (literal next), in that burst or an
// earlier one, a key's bytes are characters, so the Escape that ended it may stand anywhere.
void checkTyped(std::string_view input, std::size_t blockSize) {
    std::string lastRead;
    const int status = runTyped(cutAtMarks(input), blockSize, lastRead).first;
    const bool literalEscape =
        input.find('\x16') != std::string_view::npos && lastRead.find('\x1b') != std::string::npos;
    require(status != 0 || endsInEscape(lastRead) || literalEscape ||
                lastRead.find('\x04') != std::string::npos,
            "at a keyboard, only Escape or Ctrl-D ends the program with 0");
}

// Pasted text holds no Escape and no key that edits a line or ends the input.
constexpr std::string_view kNotPasted = "\x1b\x04\x15\x17\x7f";

void checkPasted(std::string_view input, std::size_t blockSize) {
    std::vector<std::string> bursts;
    std::string piped;
    for (std::string paste : cutAtMarks(input)) {
        for (char& byte : paste) {
            byte = kNotPasted.find(byte) == std::string_view::npos ? byte : ' ';
        }
        piped += paste;
        bursts.push_back(std::string(kPasteStart) + paste + std::string(kPasteEnd));
    }
    bursts.insert(bursts.end(), {"\x04", "\x04"});
    std::string lastRead;
    const auto typed = runTyped(bursts, blockSize, lastRead);
    const auto expected = runPiped(piped, blockSize);
    require(typed.first != -1, "after Ctrl-D twice, the program ends");
    require(typed.first == expected.first && dialogue(typed.second) == dialogue(expected.second),
            "pasted sets are answered as the same bytes piped in");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t blockSize = 1 + size % 13;
    if (data[0] % 3 == 1) {
        checkTyped(input, blockSize);
    } else if (data[0] % 3 == 2) {
        checkPasted(input, blockSize);
    } else {
        const auto [status, written] = runPiped(input, blockSize);
        require(status == 0 || status == 1, "the exit status is 0 or 1");
        require(written.find("guard: ") != std::string::npos || status == 0,
                "a run without an error line exits 0");
    }
    return 0;
}
