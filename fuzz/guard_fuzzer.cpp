// libFuzzer target: any bytes as standard input, with no terminal. Checks the properties that
// must hold for every input: the integer reader agrees with the C library on every token, and
// the whole dialogue ends, prints only its own texts in the order the tree allows, and gives
// exactly one error line per set it could not answer.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "agent.h"
#include "console_loop.h"
#include "input_buffer.h"
#include "integer_token.h"
#include "set_reader.h"

namespace {

void require(bool condition, const char* property) {
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

// Standard input from memory, in blocks of a size the input itself picks, so that reads split
// tokens and lines at every possible place.
class MemoryConsole final : public ConsoleInput {
public:
    MemoryConsole(const std::uint8_t* data, std::size_t size)
        : data_(data), size_(size), blockSize_(1 + size % 13) {}

    std::size_t readInput(char* buffer, std::size_t capacity) override {
        std::size_t count = size_ - offset_;
        count = count < capacity ? count : capacity;
        count = count < blockSize_ ? count : blockSize_;
        std::memcpy(buffer, data_ + offset_, count);
        offset_ += count;
        return count;
    }
    bool inputWaiting() override { return true; }
    bool hasKeyboard() const override { return false; }
    Key readKey() override {
        require(false, "no key is read without a keyboard");
        return Key::End;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
    std::size_t blockSize_;
};

// C's strtoll, in the "C" locale, as the judge of what a whole token means.
IntegerToken::Verdict oracle(const std::string& text) {
    if (text.empty() || text.find('\0') != std::string::npos) {
        return IntegerToken::Verdict::NotAnInteger;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (end != text.c_str() + text.size()) {
        return IntegerToken::Verdict::NotAnInteger;
    }
    if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX) {
        return IntegerToken::Verdict::OutOfRange;
    }
    return IntegerToken::Verdict::Integer;
}

void checkTokens(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    while (at < size) {
        if (InputBuffer::isSeparator(data[at])) {
            ++at;
            continue;
        }
        IntegerToken token;
        std::string text;
        for (; at < size && !InputBuffer::isSeparator(data[at]); ++at) {
            token.feed(data[at]);
            text += static_cast<char>(data[at]);
        }
        std::int32_t value = 0;
        const IntegerToken::Verdict verdict = token.finish(value);
        require(verdict == oracle(text), "token verdict agrees with strtoll");
        if (verdict == IntegerToken::Verdict::Integer) {
            require(value == std::strtoll(text.c_str(), nullptr, 0), "token value agrees");
        }
        for (char shown : token.quoted()) {
            require(shown >= 0x20 && shown < 0x7f, "a quoted token is printable");
        }
    }
}

// What the guard tree may print: each description, and which descriptions may follow it.
struct TreeTexts {
    std::map<std::string, std::vector<std::string>> next;
    std::map<std::string, bool> isAction;
    std::string root;
    std::string weaponTest;

    TreeTexts() {
        Agent agent;
        agent.buildTree();
        root = agent.root->description;
        std::vector<const Node*> pending = {agent.root};
        while (!pending.empty()) {
            const Node* node = pending.back();
            pending.pop_back();
            isAction[node->description] = node->children.empty();
            if (dynamic_cast<const EnumNode*>(node) != nullptr) {
                weaponTest = node->description;
            }
            for (const Node* child : node->children) {
                next[node->description].push_back(child->description);
                pending.push_back(child);
            }
        }
    }
};

// Points `stream` (stdout or stderr) at memory for as long as it lives.
class MemoryCapture {
public:
    explicit MemoryCapture(std::FILE*& stream) : stream_(stream), saved_(stream) {
        stream_ = open_memstream(&text_, &length_);
    }
    ~MemoryCapture() { std::free(text_); }
    MemoryCapture(const MemoryCapture&) = delete;
    MemoryCapture& operator=(const MemoryCapture&) = delete;

    std::string take() {
        std::fclose(stream_);
        stream_ = saved_;
        return {text_, length_};
    }

private:
    std::FILE*& stream_;
    std::FILE* saved_;
    char* text_ = nullptr;
    std::size_t length_ = 0;
};

std::string instructionsText() {
    MemoryCapture output(stdout);
    printInstructions();
    return output.take();
}

bool startsWith(const std::string& text, std::size_t at, const std::string& prefix) {
    return text.compare(at, prefix.size(), prefix) == 0;
}

void checkDialogue(const std::uint8_t* data, std::size_t size) {
    static const TreeTexts tree;
    static const std::string instructions = instructionsText();
    static const std::string prompt = "\n\nPress any key to continue\n\n";

    MemoryCapture output(stdout);
    MemoryCapture errors(stderr);
    MemoryConsole console(data, size);
    const int status = runConsole(console);
    const std::string err = errors.take();
    const std::string out = output.take();

    // Every round: instructions, a walk of the tree from its root, then the prompt, except that
    // the last round may end before its prompt, when the input ran out.
    int unanswered = 0;
    bool endedBeforePrompt = false;
    std::size_t at = 0;
    while (at < out.size()) {
        require(!endedBeforePrompt, "nothing follows a round cut short");
        require(startsWith(out, at, instructions), "each round starts with the instructions");
        at += instructions.size();
        std::string last;
        while (at < out.size() && !startsWith(out, at, prompt)) {
            const std::size_t end = out.find('\n', at);
            require(end != std::string::npos, "output ends with a whole line");
            const std::string line = out.substr(at, end - at);
            const auto& allowed =
                last.empty() ? std::vector<std::string>{tree.root} : tree.next.at(last);
            bool found = false;
            for (const std::string& text : allowed) {
                found = found || text == line;
            }
            require(found, "each line is the root or a child of the line before");
            last = line;
            at = end + 1;
        }
        if (at < out.size()) {
            at += prompt.size();
            const bool answered = !last.empty() && tree.isAction.at(last);
            require(answered || last.empty() || last == tree.weaponTest,
                    "a walk ends at an action, or at the weapon test when it fails");
            unanswered += answered ? 0 : 1;
        } else {
            require(last.empty(), "no walk without all seven values");
            endedBeforePrompt = true;
        }
    }

    int problemLines = 0;
    int endedLines = 0;
    for (std::size_t line = 0; line < err.size(); line = err.find('\n', line) + 1) {
        require(err.find('\n', line) != std::string::npos, "errors are whole lines");
        if (startsWith(err, line, "guard: set rejected: \"") ||
            startsWith(err, line, "guard: set not answered: player weapon ")) {
            ++problemLines;
        } else {
            require(startsWith(err, line, "guard: input ended after "), "known error line");
            require(err.find('\n', line) + 1 == err.size(), "input ending is the last line");
            ++endedLines;
        }
    }
    require(problemLines == unanswered, "one error line per set not answered");
    require(endedLines == 0 || endedBeforePrompt, "input ends part-way only in the last round");
    require(status == 0 || status == 1, "exit status is 0 or 1");
    require(err.empty() ? status == 0 : true, "a clean run exits 0");
    require(endedLines == 0 || status == 1, "input ending part-way exits 1");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkTokens(data, size);
    checkDialogue(data, size);
    return 0;
}
