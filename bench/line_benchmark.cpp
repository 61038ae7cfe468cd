// SPDX-License-Identifier: MIT
// Times the values line as a person types it: key after key through the line editor and its
// drawing, on an 80-column terminal whose output is thrown away. Typing at the end of a 4 KiB
// line, and at the start of a 4,000-byte one, where every key redraws the whole line; the
// figures go to the file named by --benchmark_out, for run_benchmarks.py.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "key_sequence.h"
#include "terminal_input.h"

namespace {

// Hands over one key per read, as typing does.
class TypedKeys final : public TerminalDevice {
public:
    explicit TypedKeys(std::string keys) : keys_(std::move(keys)) {}

    std::size_t read(char* buffer, std::size_t capacity, int /*milliseconds*/) override {
        const std::size_t count =
            keys_.copy(buffer, std::min(capacity, keyLength(keys_.substr(at_))), at_);
        at_ += count;
        return count;
    }
    void show(std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
    bool typingForgotten() override { return false; }
    LineSettings lineSettings() const override { return LineSettings(); }
    int width() const override { return 80; }

private:
    std::string keys_;
    std::size_t at_ = 0;
};

// `keys` typed on an empty values line, up to the Enter that ends them.
void typeLine(benchmark::State& state, const std::string& keys) {
    char line[2 * TerminalInput::kEditableBytes];
    for (auto _ : state) {
        TerminalInput input(std::make_unique<TypedKeys>(keys));
        benchmark::DoNotOptimize(input.readInput(line, sizeof line));
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string filled(4000, '7');
    benchmark::RegisterBenchmark("Line/at_end", typeLine, std::string(4095, '7') + "\n");
    benchmark::RegisterBenchmark("Line/filled", typeLine, filled + "\n");
    benchmark::RegisterBenchmark("Line/at_start", typeLine,
                                 filled + "\x1b[H" + std::string(90, '1') + "\n");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
