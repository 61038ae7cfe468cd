// Times the guard's tree walk over each of its eleven paths against a hand-written if/else
// function that prints the same lines the same way. Run with standard output sent to
// /dev/null; the figures go to the file named by --benchmark_out.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "agent.h"

namespace {

struct Inputs {
    std::int32_t aiWeapon;
    bool aiPatrol;
    std::int32_t aiBearableDanger;
    bool playerKnown;
    bool playerVisible;
    std::int32_t playerDanger;
    std::int32_t playerWeapon;
};

// One set of inputs for each action, in the order of the actions.
const Inputs kPaths[] = {
    {3, false, 5, false, true, 3, 2}, {3, true, 5, false, true, 3, 2},
    {3, true, 5, true, true, 6, 2},   {3, true, 5, true, false, 5, 2},
    {0, false, 5, true, true, 3, 0},  {0, false, 5, true, true, 3, 1},
    {1, false, 5, true, true, 3, 1},  {1, false, 5, true, true, 3, 2},
    {3, true, 5, true, true, 3, 2},   {2, false, 5, true, true, 3, 3},
    {3, false, 5, true, true, 3, 3},
};

void line(const char* text) {
    std::printf("%s\n", text);
}

void handWritten(const Inputs& in) {
    line("start, check if player is known");
    if (!in.playerKnown) {
        line("player not known, decide what to do...");
        line(in.aiPatrol ? "patroling" : "standing still");
        return;
    }
    line("player is known, check how dangerous they are");
    if (in.playerDanger > in.aiBearableDanger) {
        line("player is too dangerous, run and hide");
        return;
    }
    line("player is not too dangerous, check if I can currently see them");
    if (!in.playerVisible) {
        line("player is not currently visible, start searching...");
        return;
    }
    line("player is visible, check what weapon they are currently holding");
    const bool matched = in.playerWeapon <= in.aiWeapon;
    switch (in.playerWeapon) {
        case 0:
            line("they have no weapon, detain them");
            break;
        case 1:
            line("they have a blackjack, check if your weapon matches or is better...");
            line(matched ? "you have a weapon, attack!" : "you don't have a weapon, run!");
            break;
        case 2:
            line("they have a sword, check if your weapon matches or is better...");
            line(matched ? "you have a sword or gun, attack!"
                         : "you have a don't have a sword or gun, run!");
            break;
        default:
            line("they have a gun, check if your weapon matches...");
            line(matched ? "you have a gun, attack!" : "you don't have a gun, run!");
            break;
    }
}

void walk(benchmark::State& state, const Inputs& in) {
    Agent agent;
    agent.buildTree();
    agent.setParameters(in.aiWeapon, in.aiPatrol, in.aiBearableDanger, in.playerKnown,
                        in.playerVisible, in.playerDanger, in.playerWeapon);
    for (auto _ : state) {
        agent.run();
    }
}

void handWrittenWalk(benchmark::State& state, const Inputs& in) {
    for (auto _ : state) {
        handWritten(in);
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
