#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Prints the figures of `make bench`: the tree walk against hand-written code, the program
streaming scripted sets against a minimal C program, start-up against the same C program, how
soon Escape ends the program at a terminal, and the memory and time a big paste at the continue
prompt takes. Usage: run_benchmarks.py BUILD_DIR"""
import json
import os
import pty
import random
import re
import select
import signal
import statistics
import subprocess
import sys
import tempfile
import time

WALK_GOAL = 1.2
STREAM_GOAL = 1.3
STREAM_SETS = 200_000
SMALL_SETS = 1_000
STREAM_RUNS = 7
START_RUNS = 101
ESCAPE_RUNS = 21
ESCAPE_GOAL_MS = 50
PASTE_MEBIBYTES = (4, 32)
PASTE_GOAL_KIB = 4096
KEY_GOAL_MS = 1.0


def write_sets(path, count):
    """`count` random valid sets, one per line: every one is answered."""
    generator = random.Random(20261206)
    with open(path, "w") as out:
        for _ in range(count):
            out.write("%d %d %d %d %d %d %d\n" % (
                generator.randint(0, 3), generator.randint(0, 1), generator.randint(0, 9),
                generator.randint(0, 1), generator.randint(0, 1), generator.randint(0, 9),
                generator.randint(0, 3)))


def run(program, input_path, output=os.devnull):
    """Runs `program` once; returns (CPU seconds, wall seconds). posix_spawn starts it without
    copying this interpreter, so the times are the program's own."""
    actions = [(os.POSIX_SPAWN_OPEN, 0, input_path, os.O_RDONLY, 0),
               (os.POSIX_SPAWN_OPEN, 1, output, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)]
    start = time.perf_counter()
    pid = os.posix_spawn(program, [program], {}, file_actions=actions)
    _, status, usage = os.wait4(pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("%s exited with status %d" % (program, os.waitstatus_to_exitcode(status)))
    return usage.ru_utime + usage.ru_stime, wall


def peak_memory(program, input_path):
    """Peak resident KiB, through GNU time: a child's own figure here would include the memory
    of this interpreter it was started from."""
    with tempfile.NamedTemporaryFile("r") as report, open(input_path, "rb") as stdin, \
            open(os.devnull, "wb") as devnull:
        subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report.name, program],
                       stdin=stdin, stdout=devnull, check=True)
        return int(report.read().split()[-1])


def alternate(programs, input_path, runs):
    """Runs the programs in turn `runs` times; returns each one's list of measurements."""
    results = {program: [] for program in programs}
    for _ in range(runs):
        for program in programs:
            results[program].append(run(program, input_path))
    return results


def verdict(ratio, goal):
    return "goal <= %.1f %s" % (goal, "met" if ratio <= goal else "MISSED")


def medians_of(build, benchmark):
    """CPU time in ns of each of the Google benchmark's runs, medians of 5."""
    report = os.path.join(build, "bench", benchmark + ".json")
    with open(os.devnull, "wb") as devnull:
        subprocess.run([os.path.join(build, "bench", benchmark),
                        "--benchmark_repetitions=5", "--benchmark_report_aggregates_only=true",
                        "--benchmark_out=" + report], stdout=devnull, stderr=devnull, check=True)
    with open(report) as figures:
        return {entry["run_name"]: entry["cpu_time"] * {"ns": 1, "us": 1e3, "ms": 1e6}[
            entry["time_unit"]] for entry in json.load(figures)["benchmarks"]
                if entry.get("aggregate_name") == "median"}


def walk(build):
    medians = medians_of(build, "walk_benchmark")
    paths = sorted({int(name.split("/")[1]) for name in medians})
    print("1. The walk: Agent::run against hand-written if/else, ns per walk (medians of 5)")
    print("   path   walk  hand-written  ratio")
    for path in paths:
        tree, hand = medians["Walk/%d" % path], medians["HandWritten/%d" % path]
        print("   %4d %6.1f %13.1f %6.2f" % (path, tree, hand, tree / hand))
    ratio = sum(medians["Walk/%d" % p] for p in paths) / sum(
        medians["HandWritten/%d" % p] for p in paths)
    print("   all eleven paths: walk / hand-written = %.2f (%s)" % (ratio, verdict(ratio, WALK_GOAL)))
    return ratio


def stream(guard, baseline, work):
    large = os.path.join(work, "large.txt")
    small = os.path.join(work, "small.txt")
    write_sets(large, STREAM_SETS)
    write_sets(small, SMALL_SETS)
    # The comparison means something only if both write the very same bytes.
    for program, name in ((guard, "guard.out"), (baseline, "baseline.out")):
        run(program, small, os.path.join(work, name))
    with open(os.path.join(work, "guard.out"), "rb") as a, \
            open(os.path.join(work, "baseline.out"), "rb") as b:
        if a.read() != b.read():
            sys.exit("guard and the C baseline wrote different bytes")

    results = alternate((guard, baseline), large, STREAM_RUNS)
    guard_cpu = statistics.median(r[0] for r in results[guard])
    baseline_cpu = statistics.median(r[0] for r in results[baseline])
    ratio = guard_cpu / baseline_cpu
    print()
    print("2. Streaming: %d random valid sets piped in, output to /dev/null (medians of %d "
          "alternating runs)" % (STREAM_SETS, STREAM_RUNS))
    print("   guard CPU %.3f s, C baseline CPU %.3f s: ratio %.2f (%s)"
          % (guard_cpu, baseline_cpu, ratio, verdict(ratio, STREAM_GOAL)))
    small_rss = peak_memory(guard, small)
    large_rss = peak_memory(guard, large)
    baseline_rss = peak_memory(baseline, large)
    print("   guard peak resident memory: %d KiB for %d sets, %d KiB for %d sets "
          "(C baseline: %d KiB)" % (small_rss, SMALL_SETS, large_rss, STREAM_SETS, baseline_rss))
    return ratio


def start_up(guard, baseline, work):
    one = os.path.join(work, "one.txt")
    with open(one, "w") as out:
        out.write("3 1 5 1 1 3 2\n")
    results = alternate((guard, baseline), one, START_RUNS)
    guard_wall = statistics.median(r[1] for r in results[guard]) * 1e3
    baseline_wall = statistics.median(r[1] for r in results[baseline]) * 1e3
    print()
    print("3. Start-up: one set answered, from start to exit (medians of %d alternating runs)"
          % START_RUNS)
    print("   guard %.2f ms, C baseline %.2f ms: ratio %.2f"
          % (guard_wall, baseline_wall, guard_wall / baseline_wall))


def read_until(descriptor, text):
    seen = b""
    while text not in seen:
        seen += os.read(descriptor, 4096)


def key_latency(guard, key, until):
    """Times from `key`, written to a pseudo-terminal while the program waits at the continue
    prompt, to `until`: the program's exit (None) or what it shows next. Medians of
    ESCAPE_RUNS runs: how long it waits to tell a key from the start of a longer one."""
    times = []
    for _ in range(ESCAPE_RUNS):
        pid, terminal = pty.fork()
        if pid == 0:
            os.execv(guard, [guard])
        read_until(terminal, b"WEAPON_GUN\r\n\r\n")
        os.write(terminal, b"3 1 5 1 1 3 2\n")
        read_until(terminal, b"continue\r\n\r\n")
        start = time.perf_counter()
        os.write(terminal, key)
        if until:
            read_until(terminal, until)
        else:
            os.waitpid(pid, 0)
        times.append((time.perf_counter() - start) * 1e3)
        if until:
            os.kill(pid, signal.SIGKILL)
            os.waitpid(pid, 0)
        os.close(terminal)
    return statistics.median(times), min(times), max(times)


def escape_latency(guard):
    """How soon Escape ends the program, and another key starts the next round, at a terminal."""
    print()
    print("4. Keys at the continue prompt, from the key to what it does (medians of %d runs)"
          % ESCAPE_RUNS)
    worst = 0
    for name, key, until in (("Escape, to the program's exit", b"\x1b", None),
                             ("a, to the next round's instructions", b"a", b"WEAPON_GUN")):
        latency, fastest, slowest = key_latency(guard, key, until)
        worst = max(worst, latency)
        print("   %s: %.1f ms (fastest %.1f, slowest %.1f; goal <= %d ms %s)" % (
            name, latency, fastest, slowest, ESCAPE_GOAL_MS,
            "met" if latency <= ESCAPE_GOAL_MS else "MISSED"))
    return worst


def pump(terminal, data, until):
    """Writes `data` to the terminal in 4 KiB pieces while reading what it shows, as a terminal
    delivers a paste and shows its echo, until `until` has been shown."""
    data, tail = memoryview(data), b""
    os.set_blocking(terminal, False)  # a write that does not fit must not wait for the echo
    while data or until not in tail:
        readable, writable, _ = select.select([terminal], [terminal] if data else [], [])
        if readable:
            tail = (tail + os.read(terminal, 1 << 16))[-4096:]
        if writable:
            try:
                data = data[os.write(terminal, data[:4096]):]
            except BlockingIOError:
                pass


def paste_at_prompt(guard):
    """Blanks pasted at the continue prompt, then a set: how long until the set is answered, and
    the program's peak resident memory, read from the kernel while it still runs."""
    print()
    print("5. A paste at the continue prompt: blanks, then a set, in 4 KiB pieces")
    worst = 0
    for mebibytes in PASTE_MEBIBYTES:
        pid, terminal = pty.fork()
        if pid == 0:
            os.execv(guard, [guard])
        pump(terminal, b"3 1 5 1 1 3 2\r", b"continue\r\n\r\n")
        start = time.perf_counter()
        pump(terminal, b" " * (mebibytes << 20) + b"0 1 0 0 0 0 0\r", b"patroling")
        answered = time.perf_counter() - start
        peak = int(re.search(r"VmHWM:\s*(\d+)", open("/proc/%d/status" % pid).read()).group(1))
        os.write(terminal, b"\x1b")
        os.waitpid(pid, 0)
        os.close(terminal)
        worst = max(worst, peak)
        print("   %2d MiB: answered after %.1f s, peak resident memory %d KiB (goal <= %d KiB %s)"
              % (mebibytes, answered, peak, PASTE_GOAL_KIB,
                 "met" if peak <= PASTE_GOAL_KIB else "MISSED"))
    return worst


def typing(build):
    """CPU time per key typed on the values line: at the end of a 4 KiB line, and at the start of
    a 4,000-byte one (what the 91 keys there add to typing the line alone)."""
    medians = medians_of(build, "line_benchmark")
    at_end = medians["Line/at_end"] / 4096 / 1e6
    at_start = (medians["Line/at_start"] - medians["Line/filled"]) / 91 / 1e6
    print()
    print("6. The values line: CPU time per key typed (medians of 5)")
    for place, milliseconds in (("at the end of a 4 KiB line", at_end),
                                ("at the start of a 4,000-byte line", at_start)):
        print("   %s: %.4f ms (goal <= %.1f ms %s)" % (
            place, milliseconds, KEY_GOAL_MS, "met" if milliseconds <= KEY_GOAL_MS else "MISSED"))
    return max(at_end, at_start)


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    guard = os.path.join(build, "guard")
    baseline = os.path.join(build, "bench", "baseline_guard")
    walk_ratio = walk(build)
    with tempfile.TemporaryDirectory() as work:
        stream_ratio = stream(guard, baseline, work)
        start_up(guard, baseline, work)
    escape = escape_latency(guard)
    paste_peak = paste_at_prompt(guard)
    key = typing(build)
    if walk_ratio > WALK_GOAL or stream_ratio > STREAM_GOAL or escape > ESCAPE_GOAL_MS or \
            paste_peak > PASTE_GOAL_KIB or key > KEY_GOAL_MS:
        print("\nA goal was missed.")


if __name__ == "__main__":
    main()
