#!/usr/bin/env python3
# Runs the keyboard cases of keyboard_cases.txt, as a person at a keyboard would, and checks each
# run's exit status; on POSIX also that every run leaves the terminal in line mode.
# Usage: terminal_test.py PROGRAM [--preload LIBRARY]   POSIX cases through a pseudo-terminal
#        terminal_test.py --wine WINE GUARD_EXE KEY_EVENT_DRIVER_EXE   Windows cases under Wine
import os
import platform
import pty
import random
import re
import select
import signal
import subprocess
import sys
import tempfile
import termios
import time

PATIENCE = 5  # seconds for any one thing to happen
INSTRUCTIONS_END = "3\tWEAPON_GUN\n\n"
PROMPT = "Press any key to continue\n\n"
SHELL_PROMPT = "[shell] "
LINE_MODE = termios.ICANON | termios.ECHO  # as a shell leaves the terminal
NAMED_KEYS = {"Enter": "\r", "Esc": "\x1b", "Up": "\x1b[A", "F1": "\x1bOP", "F5": "\x1b[15~"}
# Windows key events: virtual key, character, control key state.
WINDOWS_KEYS = {"Enter": (0x0D, 13, 0), "Esc": (0x1B, 27, 0), "Up": (0x26, 0, 0x100)}
SYSCALLS = {"x86_64": {"read": 0, "write": 1}, "aarch64": {"read": 63, "write": 64}}[
    platform.machine()]


class Case:
    def __init__(self, name):
        self.name, self.systems, self.options, self.steps, self.status = name, [], [], [], {}


def read_cases():
    cases = []
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "keyboard_cases.txt")
    for line in open(path, encoding="utf-8").read().splitlines():
        if line.startswith("== "):
            cases.append(Case(line[3:]))
        elif line.strip() and not line.startswith("#"):
            case = cases[-1]
            system, line = re.fullmatch(r"(?:(posix|windows): )?(.*)", line).groups()
            verb, _, argument = line.partition(" ")
            if verb == "on":
                case.systems = argument.split()
            elif verb == "with":
                case.options = argument.split()
            elif verb == "status":
                words = argument.split()
                case.status = dict(zip(words[::2], words[1::2])) if len(words) > 1 else \
                    {"posix": argument, "windows": argument}
            else:
                case.steps.append((system, verb, argument.replace("\\n", "\n")))
    return cases


# The case's steps for `system`, with answer, next, instructions and prompt spelt out.
def steps_for(case, system):
    def answer(values, last):
        echoed = values + "\n" if system == "posix" else ""
        return [("shown", INSTRUCTIONS_END), ("mode", "line"), ("type", values + "<Enter>"),
                ("shown", echoed + "start, check"), ("shown", last), ("shown", PROMPT),
                ("mode", "key")]
    steps = []
    for only, verb, argument in case.steps:
        if only not in (None, system):
            continue
        if verb == "answer":
            steps += answer(*argument.split(" -> "))
        elif verb == "next":
            steps += [("type", argument)] + answer("0 1 0 0 0 0 0", "patroling")
        elif verb in ("instructions", "prompt"):
            steps.append(("shown", INSTRUCTIONS_END if verb == "instructions" else PROMPT))
        else:
            steps.append((verb, argument))
    return steps


def keys(text):
    return re.findall(r"<[^>]+>|\\x[0-9a-f]{2}|.", text)


def posix_bytes(text):
    def key(token):
        if token.startswith("<C-"):
            return bytes([ord(token[3]) & 0x1F])
        if token.startswith("\\x"):
            return bytes([int(token[2:], 16)])
        return NAMED_KEYS.get(token[1:-1], token).encode() if token.startswith("<") else \
            token.encode()
    return b"".join(key(token) for token in keys(text))


def windows_keys(text):
    def key(token):
        if token.startswith("<C-"):
            return ord(token[3].upper()), ord(token[3]) & 0x1F, 0x8  # left Ctrl pressed
        if token.startswith("<"):
            return WINDOWS_KEYS[token[1:-1]]
        return (ord(token.upper()) if token.isascii() and token.isalnum() or token == " " else 0,
                ord(token), 0)
    return [key(token) for token in keys(text)]


def wait_until(condition, failure, patience=PATIENCE):
    deadline = time.monotonic() + patience
    while not condition():
        assert time.monotonic() < deadline, failure
        time.sleep(0.01)


def terminal_mode(descriptor):
    echo_and_editing = termios.tcgetattr(descriptor)[3] & LINE_MODE
    return {0: "key", LINE_MODE: "line"}.get(echo_and_editing, "mixed")


# As an interactive shell starts its programs. Python ignores SIGPIPE and SIGXFSZ, and a
# background job of a script (ctest's, say) starts with SIGINT and SIGQUIT ignored.
def default_signals():
    for number in signal.valid_signals() - {signal.SIGKILL, signal.SIGSTOP}:
        signal.signal(number, signal.SIG_DFL)


def children(pid):
    return [int(child) for child in open("/proc/%d/task/%d/children" % (pid, pid)).read().split()]


def waiting_in(pid, call):
    return open("/proc/%d/syscall" % pid).read().split()[0] == str(SYSCALLS[call])


def stopped(pid):
    return open("/proc/%d/stat" % pid).read().rpartition(") ")[2][0] == "T"


def shell_status(wait_status):
    code = os.waitstatus_to_exitcode(wait_status)
    return code if code >= 0 else 128 - code


# One run of the program on a fresh pseudo-terminal, straight on it or from a bash with job
# control; each method is a step of a case.
class Run:
    def __init__(self, program, options, preload):
        self.program, self.under_shell = program, "shell" in options
        self.work = tempfile.mkdtemp()
        self.status_file = os.path.join(self.work, "status")
        piped_output, piped_end = os.pipe()
        environment = dict(os.environ)
        if preload:
            environment.update(LD_PRELOAD=preload, ASAN_OPTIONS="verify_asan_link_order=0")
        self.pid, self.master = pty.fork()
        if self.pid == 0:
            default_signals()
            if self.under_shell:
                os.execve("/bin/bash", ["bash", "--norc", "--noprofile", "--noediting", "-i"],
                          dict(os.environ, PS1=SHELL_PROMPT, GUARD=program, PYTHON=sys.executable,
                               HARNESS=os.path.abspath(__file__), PRELOAD=preload or "",
                               STATUS_FILE=self.status_file))
            if "piped-output" in options:
                os.dup2(piped_end, 1)
            for option in options:
                if option.startswith("ignoring-"):
                    signal.signal(getattr(signal, "SIG" + option[9:]), signal.SIG_IGN)
            os.execve(program, [program], environment)
        os.close(piped_end)
        os.set_blocking(self.master, False)
        self.sources = [self.master] + ([piped_output] if "piped-output" in options else [])
        self.screen, self.piped = "", ""
        self.seen = 0  # where the next `shown` starts looking
        self.status, self.closed = None, False
        if self.under_shell:
            trap = "trap : HUP; " if "keeping-hangups" in options else ""
            self.shell(trap + '"$PYTHON" "$HARNESS" --job "$STATUS_FILE" "$GUARD" "$PRELOAD"')

    def read_screen(self, wait=0.01):
        for source in select.select(self.sources, [], [], wait)[0]:
            try:
                text = os.read(source, 65536).decode("utf-8", "replace").replace("\r", "")
            except OSError:  # the terminal is gone once the program has ended
                self.sources.remove(source)
                continue
            self.screen += text
            self.piped += text if source != self.master else ""
        return self.screen

    def shown(self, text):
        wait_until(lambda: text in self.read_screen()[self.seen:], "never shown: %r" % text)
        self.seen = self.screen.index(text, self.seen) + len(text)

    def write(self, data):
        while data:
            self.read_screen(0)
            try:
                data = data[os.write(self.master, data):]
            except BlockingIOError:
                select.select([], [self.master], [], 0.01)

    def type(self, text):
        self.write(posix_bytes(text))

    def mode(self, wanted):
        wait_until(lambda: terminal_mode(self.master) == wanted, "never in %s mode" % wanted)

    # Under a shell, the program is the child of the job's first process (see `job`).
    def program_pid(self):
        pid = self.pid
        for _ in range(2 if self.under_shell else 0):
            wait_until(lambda: children(pid), "no program started")
            pid = children(pid)[0]
        return pid

    # Under a shell, to the whole job, as `kill %1` sends it. A program told to stop may still
    # take typed input until it has stopped.
    def send(self, name):
        number = getattr(signal, "SIG" + name)
        if self.under_shell:
            os.killpg(os.getpgid(self.program_pid()), number)
        else:
            os.kill(self.pid, number)
        if number == signal.SIGSTOP:
            wait_until(lambda: stopped(self.program_pid()), "the program did not stop")

    def stop(self, _):
        self.send("STOP")

    def resume(self, _):
        self.send("CONT")

    # Typed once the shell reads its terminal in line mode: bash may show its prompt before it
    # has put the terminal back after a stop.
    def shell(self, command):
        self.shown(SHELL_PROMPT)
        wait_until(lambda: waiting_in(self.pid, "read") and terminal_mode(self.master) == "line",
                   "the shell never read its terminal")
        self.type(command + "<Enter>")

    def blocked_writing(self, _):
        wait_until(lambda: waiting_in(self.program_pid(), "write"),
                   "the program never waited in a write")

    def hang_up(self, _):
        self.sources.remove(self.master)
        os.close(self.master)
        self.closed = True

    # The sets typed with Enter as a terminal pastes them; the expected output is what the same
    # program writes with the sets piped in, and a prompt ends each set's output.
    def paste_sets(self, count):
        rng = random.Random(int(count))
        sets = [" ".join(str(rng.randint(0, high)) for high in (3, 1, 5, 1, 1, 6, 3))
                for _ in range(int(count))]
        expected = subprocess.run([self.program], input="\n".join(sets) + "\n", text=True,
                                  capture_output=True, check=True).stdout
        pasted = "".join(values + "\r" for values in sets).encode()
        for start in range(0, len(pasted), 1024):
            self.write(pasted[start:start + 1024])
            time.sleep(0.001)
        def all_written():
            self.read_screen()
            return len(self.piped) >= len(expected)
        wait_until(all_written, "not every set was answered", patience=60)
        first = next((at for at, pair in enumerate(zip(self.piped, expected)) if
                      pair[0] != pair[1]), len(expected))
        assert self.piped == expected, "output differs from the piped run's at byte %d: %r" % (
            first, self.piped[first - 80:first + 80])
        self.seen = len(self.screen)

    def ended(self):
        def noted():
            self.read_screen()
            return os.path.exists(self.status_file) and open(self.status_file).read()
        if self.under_shell:
            wait_until(noted, "the program did not exit")
            self.status = int(open(self.status_file).read())
            # Until the shell has reaped the job, it may still count it as stopped.
            wait_until(lambda: not children(self.pid), "the job did not end")
            if not self.closed:
                self.shell("exit")

        def exited():
            self.read_screen()
            pid, wait_status = os.waitpid(self.pid, os.WNOHANG)
            self.status = self.status if self.under_shell else shell_status(wait_status)
            return pid != 0
        wait_until(exited, "the program did not exit")
        return self.status

    def close(self):
        if self.status is None:
            os.kill(self.pid, signal.SIGKILL)
            os.waitpid(self.pid, 0)
        if not self.closed:
            os.close(self.master)
        subprocess.run(["rm", "-rf", self.work], check=True)


# The first process of a shell's job, the program's parent: it stops once the program has
# stopped, so that the shell sees the job stop when the program has, and notes the program's
# exit status, which bash forgets for a job killed while stopped before `wait` can ask for it.
def job(status_file, program, preload):
    for name in ("SIGHUP", "SIGINT", "SIGQUIT", "SIGTERM", "SIGTSTP"):
        signal.signal(getattr(signal, name), lambda *_: None)  # the program's default, not ours
    pid = os.fork()
    if pid == 0:
        default_signals()
        os.execve(program, [program], dict(os.environ, LD_PRELOAD=preload,
                                           ASAN_OPTIONS="verify_asan_link_order=0"))
    while True:
        wait_status = os.waitpid(pid, os.WUNTRACED)[1]
        if not os.WIFSTOPPED(wait_status):
            break
        # SIGSTOP is sent to the whole job, this process included; other stops the program makes.
        if os.WSTOPSIG(wait_status) != signal.SIGSTOP:
            os.kill(os.getpid(), signal.SIGSTOP)
    with open(status_file, "w", encoding="utf-8") as file:
        file.write(str(shell_status(wait_status)))


def run_posix(case, program, preload):
    steps = steps_for(case, "posix")
    sent = [step for step in steps if step[0] == "send"]
    signal_names = sent[0][1].split() if sent else [None]
    failures = []
    for name in signal_names:  # one run for each signal sent
        run = Run(program, case.options, preload)
        try:
            for verb, argument in steps:
                step = getattr(run, {"continue": "resume"}.get(verb, verb).replace("-", "_"))
                step(name if verb == "send" else argument)
            expected = case.status["posix"]
            expected = 128 + getattr(signal, "SIG" + name) if expected == "signal" else \
                int(expected, 0)
            assert run.ended() == expected, "exit status %s, expected %d" % (run.status, expected)
            assert run.closed or terminal_mode(run.master) == "line", \
                "the terminal was not left in line mode"
        except AssertionError as problem:
            failures.append("%s%s: %s\n--- screen:\n%s\n---" % (
                case.name, " (SIG%s)" % name if name else "", problem, run.screen[-3000:]))
        finally:
            run.close()
    return failures


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


# The driver runs on a console only on a terminal, so it gets a pseudo-terminal of its own.
def run_windows(case, wine, guard, driver):
    lines = []
    for verb, argument in steps_for(case, "windows"):
        if verb == "type":
            lines.append("keys " + " ".join("%d:%d:%d" % key for key in windows_keys(argument)))
        elif verb == "shown":
            lines.append("shown " + argument.replace("\\", "\\\\").replace("\n", "\\n")
                         .replace("\t", "\\t"))
        elif verb in ("stop", "continue"):
            lines.append(verb)
        else:
            assert verb == "mode", "no Windows step for " + verb
    with tempfile.TemporaryDirectory() as work:
        steps, result = os.path.join(work, "steps"), os.path.join(work, "result")
        with open(steps, "w", encoding="utf-8") as file:
            file.write("\n".join(lines) + "\n")
        pid, terminal = pty.fork()
        if pid == 0:
            os.execvp(wine, [wine, driver, windows_path(guard), windows_path(steps),
                             windows_path(result)])
        deadline = time.monotonic() + 60
        while not os.waitpid(pid, os.WNOHANG)[0]:
            if time.monotonic() > deadline:
                os.kill(pid, signal.SIGKILL)
            if select.select([terminal], [], [], 0.05)[0]:
                try:
                    os.read(terminal, 65536)
                except OSError:
                    pass
        os.close(terminal)
        if not os.path.exists(result):
            return ["%s: the key event driver wrote no result" % case.name]
        written, _, outcome = open(result, encoding="utf-8", errors="replace").read() \
            .rstrip("\n").rpartition("\n")
    expected = "status %d" % int(case.status["windows"], 0)
    if outcome == expected:
        return []
    return ["%s: %s, expected %s\n--- guard.exe wrote:\n%s\n---" % (case.name, outcome, expected,
                                                                      written[-3000:])]


def main():
    if sys.argv[1] == "--job":
        return job(*sys.argv[2:5])
    windows = sys.argv[1] == "--wine"
    system = "windows" if windows else "posix"
    preload = sys.argv[3] if sys.argv[2:3] == ["--preload"] else None
    cases = [case for case in read_cases() if system in case.systems]
    failed = 0
    for case in cases:
        failures = run_windows(case, *sys.argv[2:5]) if windows else \
            run_posix(case, sys.argv[1], preload)
        for failure in failures:
            print("FAILED: " + failure)
        failed += 1 if failures else 0
    print("%s keyboard cases%s: %d passed, %d failed" % (
        system, " with " + os.path.basename(preload) if preload else "", len(cases) - failed,
        failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
