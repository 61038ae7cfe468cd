// libFuzzer target: any bytes as standard input, with no terminal. The integer reader must agree
// with the C library on every token, and the whole dialogue must end, under the sanitizers, with
// status 0 or 1, and 0 when it wrote no error line. What it writes is the transcripts' to prove.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "console_loop.h"
#include "input_buffer.h"
#include "integer_token.h"

namespace {

void require(bool condition, const char* property) {
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

// Standard input from memory, in blocks of a size the input itself picks, so that reads split
// tokens and lines at every possible place.
struct MemoryConsole final : ConsoleInput {
    std::string_view unread;
    std::size_t blockSize = 1;

    std::size_t readInput(char* buffer, std::size_t capacity) override {
        const std::size_t count = unread.copy(buffer, std::min(capacity, blockSize));
        unread.remove_prefix(count);
        return count;
    }
    bool inputWaiting() override { return true; }
    bool hasKeyboard() const override { return false; }
    Key readKey(std::string& /*typed*/) override { return Key::End; }
    void echo(std::string_view /*text*/) override {}
};

// C's strtoll, in the "C" locale, judges what a whole token means.
void checkToken(const std::string& text) {
    IntegerToken token;
    for (char byte : text) {
        token.feed(static_cast<unsigned char>(byte));
    }
    std::int32_t value = 0;
    const IntegerToken::Verdict verdict = token.finish(value);
    errno = 0;
    char* end = nullptr;
    const long long expected = std::strtoll(text.c_str(), &end, 0);
    if (text.find('\0') != std::string::npos || end != text.c_str() + text.size()) {
        require(verdict == IntegerToken::Verdict::NotAnInteger, "a malformed token is rejected");
    } else if (errno == ERANGE || expected < INT32_MIN || expected > INT32_MAX) {
        require(verdict == IntegerToken::Verdict::OutOfRange, "a token beyond 32 bits is rejected");
    } else {
        require(verdict == IntegerToken::Verdict::Integer && value == expected,
                "a token that fits is its strtoll value");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string token;
    for (char byte : input + ' ') {
        if (!InputBuffer::isSeparator(static_cast<unsigned char>(byte))) {
            token += byte;
        } else if (!token.empty()) {
            checkToken(token);
            token.clear();
        }
    }

    char* errors = nullptr;
    std::size_t errorsSize = 0;
    std::FILE* const savedOutput = stdout;
    std::FILE* const savedErrors = stderr;
    stdout = std::fopen("/dev/null", "w");
    stderr = open_memstream(&errors, &errorsSize);
    MemoryConsole console;
    console.unread = input;
    console.blockSize = 1 + size % 13;
    const int status = runConsole(console);
    std::fclose(stdout);
    std::fclose(stderr);
    stdout = savedOutput;
    stderr = savedErrors;
    require(status == 0 || status == 1, "the exit status is 0 or 1");
    require(errorsSize != 0 || status == 0, "a run without an error line exits 0");
    std::free(errors);
    return 0;
}
