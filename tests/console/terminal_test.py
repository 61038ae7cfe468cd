#!/usr/bin/env python3
# Runs the keyboard cases of keyboard_cases.txt as a person at a keyboard would, and checks each
# run's exit status; on POSIX also that the run leaves the terminal in line mode.
# Usage: terminal_test.py PROGRAM [--preload LIBRARY]   the POSIX cases, through a pseudo-terminal
#        terminal_test.py --wine WINE GUARD_EXE KEY_EVENT_DRIVER_EXE   the Windows cases
import os
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

# Seconds for any one thing to happen. Wine's first console in a fresh prefix, on a busy
# machine, has taken over 5 to answer its first line.
PATIENCE = 30
INSTRUCTIONS_END = "3\tWEAPON_GUN\n\n"
PROMPT = "Press any key to continue\n\n"
SHELL_PROMPT = "[shell] "
LINE_MODE = termios.ICANON | termios.ECHO  # as a shell leaves the terminal
# Each named key as a POSIX terminal sends it, and as a Windows key event: virtual key,
# character, control key state.
KEYS = {"Enter": ("\r", (0x0D, 13, 0)), "Esc": ("\x1b", (0x1B, 27, 0)),
        "Up": ("\x1b[A", (0x26, 0, 0x100)), "F1": ("\x1bOP", None), "F5": ("\x1b[15~", None)}
SYSCALLS = {"x86_64": {"read": 0, "write": 1}, "aarch64": {"read": 63, "write": 64}}[
    os.uname().machine]


def read_cases():
    cases = []
    for line in open(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                  "keyboard_cases.txt"), encoding="utf-8").read().splitlines():
        if line.startswith("== "):
            cases.append({"name": line[3:], "with": [], "steps": []})
        elif line.strip() and not line.startswith("#"):
            only, verb, argument = re.fullmatch(r"(?:(\w+): )?(\S+) ?(.*)", line).groups()
            if verb in ("on", "with"):
                cases[-1][verb] = argument.split()
            else:
                cases[-1]["steps"].append((only, verb, argument.replace("\\n", "\n")))
    return cases


# The case's steps for `system`, with answer, next, instructions and prompt spelt out.
def steps_for(case, system):
    def answer(values, last):
        echoed = values + "\n" if system == "posix" else ""
        return [("shown", INSTRUCTIONS_END), ("mode", "line"), ("type", values + "<Enter>"),
                ("shown", echoed + "start, check"), ("shown", last), ("shown", PROMPT),
                ("mode", "key")]
    macros = {"answer": lambda argument: answer(*argument.split(" -> ")),
              "next": lambda keys: [("type", keys)] + answer("0 1 0 0 0 0 0", "patroling"),
              "instructions": lambda _: [("shown", INSTRUCTIONS_END)],
              "prompt": lambda _: [("shown", PROMPT)]}
    return [step for only, verb, argument in case["steps"] if only in (None, system)
            for step in macros.get(verb, lambda _: [(verb, argument)])(argument)
            if step[0] != "mode" or system == "posix"]  # a Windows console has no modes


# Keys written as text, <Name>, <C-x> for Ctrl with x, or \xHH for a byte.
def keys(text, system):
    for token in re.findall(r"<[^>]+>|\\x[0-9a-f]{2}|.", text):
        if token.startswith("<C-"):
            yield bytes([ord(token[3]) & 0x1F]) if system == "posix" else \
                (ord(token[3].upper()), ord(token[3]) & 0x1F, 0x8)  # left Ctrl pressed
        elif token.startswith("<"):
            yield KEYS[token[1:-1]][0].encode() if system == "posix" else KEYS[token[1:-1]][1]
        elif system == "posix":
            yield bytes([int(token[2:], 16)]) if token.startswith("\\x") else token.encode()
        else:
            yield ord(token.upper()) if token.isascii() and token.isalnum() else 0, ord(token), 0


# Key mode is neither echo nor line editing.
def in_mode(descriptor, mode):
    return termios.tcgetattr(descriptor)[3] & LINE_MODE == {"key": 0, "line": LINE_MODE}[mode]


def shell_status(wait_status):
    return 128 + os.WTERMSIG(wait_status) if os.WIFSIGNALED(wait_status) else \
        os.WEXITSTATUS(wait_status)


def children(pid):
    return [int(child) for child in open("/proc/%d/task/%d/children" % (pid, pid)).read().split()]


def waiting_in(pid, call):
    return open("/proc/%d/syscall" % pid).read().split()[0] == str(SYSCALLS[call])


# As an interactive shell starts its programs. Python ignores SIGPIPE and SIGXFSZ, and a
# background job of a script (ctest's, say) starts with SIGINT and SIGQUIT ignored.
def default_signals():
    for number in signal.valid_signals() - {signal.SIGKILL, signal.SIGSTOP}:
        signal.signal(number, signal.SIG_DFL)


def start_program(program, preload):
    os.execve(program, [program], dict(os.environ, LD_PRELOAD=preload or "",
                                       ASAN_OPTIONS="verify_asan_link_order=0"))


# One run of the program; each step of a case is a method of the run.
class Run:
    screen, seen = "", 0  # all the run has shown, and where the next `shown` starts looking
    closed, under_shell = False, False  # the terminal, by `hang_up`; a run from a shell

    # Reads the screen while it waits, so that the program never waits for it to be read.
    def wait(self, condition, failure, patience=PATIENCE):
        deadline = time.monotonic() + patience
        while not (self.read_screen() is not None and condition()):
            assert time.monotonic() < deadline, failure
            time.sleep(0.005)

    def status(self, expected):
        status = self.ended()
        assert status == int(expected, 0), "exit status %d, expected %s" % (status, expected)

    def shown(self, text):
        self.wait(lambda: text in self.screen[self.seen:], "never shown: %r" % text)
        self.seen = self.screen.index(text, self.seen) + len(text)

    def close(self):
        if self.pid:  # and a shell's jobs, which a failed run may leave stopped
            for group in [self.pid] + (children(self.pid) if self.under_shell else []):
                os.killpg(group, signal.SIGKILL)
            os.waitpid(self.pid, 0)
        if not self.closed:
            os.close(self.master)
        self.folder.cleanup()


# The program on a pseudo-terminal of its own, straight or from an interactive bash.
class PosixRun(Run):
    def __init__(self, program, options, preload):
        self.program, self.under_shell = program, "shell" in options
        # A job that outlives a failed run ends with its terminal, perhaps while this is removed.
        self.folder = tempfile.TemporaryDirectory(ignore_cleanup_errors=True)
        self.status_file = os.path.join(self.folder.name, "status")
        piped_output, piped_end = os.pipe()
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
            for name in re.findall(r"ignoring-(\w+)", " ".join(options)):
                signal.signal(getattr(signal, "SIG" + name), signal.SIG_IGN)
            start_program(program, preload)
        os.close(piped_end)
        os.set_blocking(self.master, False)
        self.sources = [self.master] + ([piped_output] if "piped-output" in options else [])
        self.piped = ""  # what came through the pipe
        if self.under_shell:
            trap = "trap : HUP; " if "keeping-hangups" in options else ""
            self.shell(trap + '"$PYTHON" "$HARNESS" --job "$STATUS_FILE" "$GUARD" "$PRELOAD"')

    def read_screen(self):
        for source in select.select(self.sources, [], [], 0)[0]:
            try:
                text = os.read(source, 65536).decode("utf-8", "replace").replace("\r", "")
            except OSError:  # the terminal is gone once the program has ended
                self.sources.remove(source)
                continue
            self.screen += text
            self.piped += text if source != self.master else ""
        return self.screen

    def write(self, data):
        while data:
            self.read_screen()
            try:
                data = data[os.write(self.master, data):]
            except BlockingIOError:
                select.select([], [self.master], [], 0.01)

    def type(self, text):
        self.write(b"".join(keys(text, "posix")))

    def mode(self, wanted):
        self.wait(lambda: in_mode(self.master, wanted), "never in %s mode" % wanted)

    # Under a shell, the program is the child of the job's first process (see `job`).
    def program_pid(self):
        pids = [self.pid]
        for _ in range(2 if self.under_shell else 0):
            self.wait(lambda: children(pids[-1]), "no program started")
            pids.append(children(pids[-1])[0])
        return pids[-1]

    # To the program's process group: the whole job under a shell, as `kill %1` sends it. A
    # program told to stop may still take typed input until it has stopped.
    def send(self, name):
        number = getattr(signal, "SIG" + name)
        os.killpg(os.getpgid(self.program_pid()), number)
        if number == signal.SIGSTOP:
            self.wait(lambda: open("/proc/%d/stat" % self.program_pid()).read().rpartition(
                ") ")[2][0] == "T", "the program did not stop")

    # Typed once the shell reads its terminal in line mode: bash may show its prompt before it
    # has put the terminal back after a stop.
    def shell(self, command):
        self.shown(SHELL_PROMPT)
        self.wait(lambda: waiting_in(self.pid, "read") and in_mode(self.master, "line"),
                  "the shell never read its terminal")
        self.type(command + "<Enter>")

    def waits_in(self, call):
        self.wait(lambda: waiting_in(self.program_pid(), call), "never waiting in " + call)

    def hang_up(self, _):
        self.sources.remove(self.master)
        os.close(self.master)
        self.closed = True

    # The sets typed with Enter as a terminal pastes them; the expected output is what the same
    # program writes with the sets piped in.
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
        self.wait(lambda: len(self.piped) >= len(expected), "not every set was answered", 60)
        assert self.piped == expected, "the output differs from the piped run's"

    def ended(self):
        if self.under_shell:
            # Until the shell has reaped the job, which notes the status, it may count it stopped.
            self.wait(lambda: not children(self.pid), "the program did not exit")
            if not self.closed:
                self.shell("exit")
        ended = []
        self.wait(lambda: ended.append(os.waitpid(self.pid, os.WNOHANG)) or ended[-1][0],
                  "the program did not exit")
        self.pid = 0
        assert self.closed or in_mode(self.master, "line"), \
            "the terminal was not left in line mode"
        return int(open(self.status_file).read()) if self.under_shell else \
            shell_status(ended[-1][1])


# guard.exe under Wine, which gives a program a console only when its input is a terminal; the
# driver presses its keys and notes what it writes.
class WindowsRun(Run):
    def __init__(self, wine, guard, driver):
        self.folder, self.bursts = tempfile.TemporaryDirectory(), 0
        self.master, terminal = os.openpty()
        self.pid = subprocess.Popen([wine, driver] + [
            "Z:" + os.path.abspath(path).replace("/", "\\") for path in (guard, self.folder.name)],
            stdin=terminal, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True).pid
        os.close(terminal)

    def read_screen(self):
        output = os.path.join(self.folder.name, "output")
        self.screen = open(output, encoding="utf-8", errors="replace").read().replace("\r", "") \
            if os.path.exists(output) else ""
        return self.screen

    def type(self, text):
        path = os.path.join(self.folder.name, "keys%d" % self.bursts)
        with open(path + ".new", "w", encoding="utf-8") as file:
            file.write(" ".join("%d %d %d" % key for key in keys(text, "windows")))
        os.rename(path + ".new", path)
        self.bursts += 1

    def ended(self):
        status = os.path.join(self.folder.name, "status")
        self.wait(lambda: os.path.exists(status), "guard.exe did not exit")
        return int(open(status).read())


# The first process of a shell's job, the program's parent: it stops once the program has
# stopped and put the terminal back, so that the shell sees the job stop then (bash resetting
# the terminal would hide a program that did not), and it notes the program's exit status,
# which bash forgets for a job killed while stopped before `wait` can ask for it.
def job(status_file, program, preload):
    for name in ("SIGHUP", "SIGINT", "SIGQUIT", "SIGTERM", "SIGTSTP"):
        signal.signal(getattr(signal, name), lambda *_: None)  # the program's default, not ours
    pid = os.fork()
    if pid == 0:
        default_signals()
        start_program(program, preload)
    while True:
        wait_status = os.waitpid(pid, os.WUNTRACED)[1]
        if not os.WIFSTOPPED(wait_status):
            break
        # SIGSTOP is sent to the whole job, this process included; other stops the program makes.
        if os.WSTOPSIG(wait_status) != signal.SIGSTOP and in_mode(0, "line"):
            os.kill(os.getpid(), signal.SIGSTOP)
    with open(status_file, "w", encoding="utf-8") as file:
        file.write(str(shell_status(wait_status)))


# Runs the case; returns what failed.
def run_case(case, system, run):
    try:
        steps = steps_for(case, system)
        assert steps[-1][0] == "status", "the case ends in no exit status"
        for verb, argument in steps:
            getattr(run, verb.replace("-", "_"))(argument)
        return ""
    except AssertionError as problem:
        return "FAILED: %s: %s\n--- screen:\n%s\n---\n" % (case["name"], problem,
                                                           run.screen[-3000:])
    finally:
        run.close()


def main():
    if sys.argv[1] == "--job":
        return job(*sys.argv[2:5])
    system = "windows" if sys.argv[1] == "--wine" else "posix"
    preload = sys.argv[3] if sys.argv[2:3] == ["--preload"] else None
    cases = [case for case in read_cases() if system in case["on"]]
    failures = [run_case(case, system, WindowsRun(*sys.argv[2:5]) if system == "windows" else
                         PosixRun(sys.argv[1], case["with"], preload)) for case in cases]
    print("".join(failures) + "%s keyboard cases%s: %d of %d passed" % (
        system, " with " + os.path.basename(preload) if preload else "", failures.count(""),
        len(cases)))
    return 0 if failures.count("") == len(cases) else 1


if __name__ == "__main__":
    sys.exit(main())
