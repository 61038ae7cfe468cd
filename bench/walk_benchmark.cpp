// SPDX-License-Identifier: MIT
// Times the guard's tree walk over each of its eleven paths against the hand-written if/else
// function of the C baseline, which prints the same lines the same way. Run with standard
// output sent to /dev/null; the figures go to the file named by --benchmark_out.
#include <benchmark/benchmark.h>

#include <array>
#include <string>

#include "agent.h"
#include "baseline_decide.h"

namespace {

// One set of inputs for each action, in the order of the actions and as they are typed.
using Inputs = std::array<int, 7>;
const Inputs kPaths[] = {
    {3, 0, 5, 0, 1, 3, 2}, {3, 1, 5, 0, 1, 3, 2}, {3, 1, 5, 1, 1, 6, 2}, {3, 1, 5, 1, 0, 5, 2},
    {0, 0, 5, 1, 1, 3, 0}, {0, 0, 5, 1, 1, 3, 1}, {1, 0, 5, 1, 1, 3, 1}, {1, 0, 5, 1, 1, 3, 2},
    {3, 1, 5, 1, 1, 3, 2}, {2, 0, 5, 1, 1, 3, 3}, {3, 0, 5, 1, 1, 3, 3},
};

void walk(benchmark::State& state, const Inputs& in) {
    Agent agent;
    agent.buildTree();
    agent.setParameters(in[0], in[1] != 0, in[2], in[3] != 0, in[4] != 0, in[5], in[6]);
    for (auto _ : state) {
        agent.run();
    }
}

void handWrittenWalk(benchmark::State& state, const Inputs& in) {
    for (auto _ : state) {
        baselineDecide(in[0], in[1], in[2], in[3], in[4], in[5], in[6]);
    }
}

}  // namespace

// The two are registered path by path, side by side, so that a slow spell of a noisy machine
// falls on both rather than on one of them.
int main(int argc, char** argv) {
    int path = 0;
    for (const Inputs& in : kPaths) {
        benchmark::RegisterBenchmark(("Walk/" + std::to_string(path)).c_str(), walk, in);
        benchmark::RegisterBenchmark(("HandWritten/" + std::to_string(path)).c_str(),
                                     handWrittenWalk, in);
        ++path;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
