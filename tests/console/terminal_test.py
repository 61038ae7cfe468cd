#!/usr/bin/env python3
# Runs the keyboard cases of keyboard_cases.txt as a person at a keyboard would, and checks each
# run's exit status and, on POSIX, that the terminal is left exactly as it was found.
# Usage: terminal_test.py PROGRAM [--preload LIBRARY]   the POSIX cases, through a pseudo-terminal
#        terminal_test.py --wine WINE GUARD_EXE KEY_EVENT_DRIVER_EXE   the Windows cases
# Exits 77 (skipped) where --preload cannot work; a case that needs what the system lacks is
# skipped with a notice. KEYBOARD_CASES=REGEX runs only the cases whose names it matches.
import fcntl
import os
import random
import re
import resource
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import termios
import time

PATIENCE = int(os.environ.get("PATIENCE", 30))  # seconds for any one thing to happen: Wine's first console can take over 5
INSTRUCTIONS_END = "3\tWEAPON_GUN\n\n"
PROMPT = "Press any key to continue\n\n"
SHELL_PROMPT = "[shell] "
# Each named key as a POSIX terminal sends it, and as a Windows key event: virtual key,
# character, control key state.
KEYS = {"Enter": ("\r", (0x0D, 13, 0)), "Esc": ("\x1b", (0x1B, 27, 0)),
        "Up": ("\x1b[A", (0x26, 0, 0x100)), "F1": ("\x1bOP", None), "F5": ("\x1b[15~", None)}


class Skipped(Exception):
    pass


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
            elif only in (None, SYSTEM):
                cases[-1]["steps"] += expand(verb, argument.replace("\\n", "\n"))
    return cases


# The shorthands: answer VALUES -> LAST, next KEYS, instructions, prompt.
def expand(verb, argument):
    if verb == "answer":
        values, last = argument.split(" -> ")
        echoed = values + "\n" if SYSTEM == "posix" else ""
        return [("shown", INSTRUCTIONS_END), ("type", values + "<Enter>"),
                ("shown", echoed + "start, check"), ("shown", last), ("shown", PROMPT)]
    if verb == "next":
        return [("type", argument)] + expand("answer", "0 1 0 0 0 0 0 -> patroling")
    return [("shown", {"instructions": INSTRUCTIONS_END, "prompt": PROMPT}.get(verb, argument))
            if verb in ("instructions", "prompt") else (verb, argument)]


# Keys written as text, <Name>, <C-x> for Ctrl with x, or \xHH for a byte.
def keys(text):
    for token in re.findall(r"<[^>]+>|\\x[0-9a-f]{2}|.", text):
        if token.startswith("<C-"):
            yield bytes([ord(token[3]) & 0x1F]) if SYSTEM == "posix" else \
                (ord(token[3].upper()), ord(token[3]) & 0x1F, 0x8)  # left Ctrl pressed
        elif token.startswith("<"):
            yield KEYS[token[1:-1]][0 if SYSTEM == "posix" else 1]
        elif SYSTEM == "posix":
            yield bytes([int(token[2:], 16)]) if token.startswith("\\x") else token
        else:
            yield ord(token.upper()) if token.isascii() and token.isalnum() else 0, ord(token), 0


# A signal by name, SIGRTMIN+N included; a case that names one this system lacks is skipped.
def signal_number(name):
    base, _, offset = name.partition("+")
    number = getattr(signal, base, 0) + int(offset or 0)
    if not getattr(signal, base, 0) or (offset and number > signal.SIGRTMAX):
        raise Skipped("this system has no " + name)
    return number


# One run of the program; each step of a case is a method of the run.
class Run:
    screen, seen = "", 0  # all the run has shown, and where the next `shown` starts looking

    # Reads the screen while it waits, so that the program never waits for it to be read.
    def wait(self, condition, failure, patience=PATIENCE):
        deadline = time.monotonic() + patience
        while not (self.read_screen() is not None and condition()):
            assert time.monotonic() < deadline, failure
            time.sleep(0.005)

    def shown(self, text):
        self.wait(lambda: text in self.screen[self.seen:], "never shown: %r" % text)
        self.seen = self.screen.index(text, self.seen) + len(text)

    def status(self, expected):
        status = self.ended()
        wanted = 128 + signal_number(expected) if expected.startswith("SIG") else int(expected, 0)
        assert status == wanted, "exit status %d, expected %d" % (status, wanted)


# The program on a pseudo-terminal of its own, or started from an interactive dash, which
# leaves the terminal as a stopped job left it (bash would reset it and hide a fault).
class PosixRun(Run):
    def __init__(self, program, options, preload):
        self.program, self.options, self.closed, self.pid = os.path.abspath(program), options, \
            False, 0
        self.folder = tempfile.TemporaryDirectory(ignore_cleanup_errors=True)
        shell = shutil.which("dash") if "shell" in options else None
        if "shell" in options and not shell:
            raise Skipped("no dash for job control")
        self.master, terminal = os.openpty()
        settings = [option[5:].replace(",", " ") for option in options
                    if option.startswith("stty:")]
        if settings:
            subprocess.run(["stty"] + " ".join(settings).split(), stdin=terminal, check=True)
        self.found = termios_of(terminal)
        piped_output, piped_end = os.pipe()
        environment = dict(os.environ, PS1=SHELL_PROMPT, ENV="", GUARD=self.program,
                           PRELOAD=preload or "", ASAN_OPTIONS="verify_asan_link_order=0")
        self.pid = os.fork()
        if self.pid == 0:
            try:
                self.become_program(terminal, piped_end, shell, preload, environment)
            finally:
                os._exit(127)
        os.close(terminal)
        os.close(piped_end)
        os.set_blocking(self.master, False)
        self.sources = [self.master] + ([piped_output] if "piped-output" in options else [])
        self.piped = ""  # what came through the pipe
        if shell:
            self.shell('LD_PRELOAD="$PRELOAD" "$GUARD"')

    def become_program(self, terminal, piped_end, shell, preload, environment):
        os.setsid()
        for descriptor in (0, 1, 2):
            os.dup2(terminal, descriptor)
        fcntl.ioctl(0, termios.TIOCSCTTY, 0)
        # As an interactive shell starts its programs: Python ignores SIGPIPE and SIGXFSZ.
        for number in signal.valid_signals() - {signal.SIGKILL, signal.SIGSTOP}:
            signal.signal(number, signal.SIG_DFL)
        for name in re.findall(r"ignoring-(\w+)", " ".join(self.options)):
            signal.signal(getattr(signal, name), signal.SIG_IGN)
        dumping = "dumping-core" in self.options
        resource.setrlimit(resource.RLIMIT_CORE, (resource.RLIM_INFINITY,) * 2 if dumping
                           else (0, resource.getrlimit(resource.RLIMIT_CORE)[1]))
        os.chdir(self.folder.name)
        if "read-only-input" in self.options:
            os.dup2(os.open(os.ttyname(0), os.O_RDONLY), 0)
        if "piped-output" in self.options:
            os.dup2(piped_end, 1)
        if "closed-output" in self.options:
            os.close(1)
        if "non-blocking" in self.options:  # and so are 0 and 1, which share its description
            os.set_blocking(2, False)
        if shell:
            os.execve(shell, ["dash", "-i"], environment)
        os.execve(self.program, [self.program], dict(environment, LD_PRELOAD=preload or ""))

    def read_screen(self):
        for source in select.select(self.sources, [], [], 0)[0]:
            try:
                text = os.read(source, 1 << 20).decode("utf-8", "replace").replace("\r", "")
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
        self.write(b"".join(key if isinstance(key, bytes) else key.encode()
                            for key in keys(text)))

    # To the terminal's foreground process group: the program, or under a shell its job.
    def send(self, name):
        os.killpg(os.tcgetpgrp(self.master), signal_number(name))

    # At the shell's next prompt, with the terminal as the program found it.
    def shell(self, command):
        self.shown(SHELL_PROMPT)
        self.wait(lambda: termios_of(self.master) == self.found,
                  "the terminal was not left as it was found")
        self.type(command + "<Enter>")

    # As a shell may when a job stops: the terminal as it was found.
    def reset_terminal(self, _):
        termios.tcsetattr(self.master, termios.TCSANOW, self.found)

    def pause(self, milliseconds):
        deadline = time.monotonic() + int(milliseconds) / 1000
        while time.monotonic() < deadline:
            self.read_screen()
            time.sleep(0.005)

    def hang_up(self, _):
        self.sources.remove(self.master)
        os.close(self.master)
        self.closed = True

    # What a terminal sends for a paste: several KiB at a time, a millisecond or so apart.
    def paste(self, data):
        for start in range(0, len(data), 4096):
            self.write(data[start:start + 4096])
            time.sleep(0.001)

    # N random sets pasted one per line, or all on one line: standard output must then be
    # exactly what it is when the same sets are piped in.
    def paste_sets(self, argument):
        count, separator = int(argument.split()[0]), " " if "one line" in argument else "\n"
        rng = random.Random(count)
        sets = separator.join(" ".join(str(rng.randint(0, high)) for high in (3, 1, 5, 1, 1, 6, 3))
                              for _ in range(count)) + "\n"
        expected = subprocess.run([self.program], input=sets, text=True, capture_output=True,
                                  check=True).stdout
        self.paste(sets.replace("\n", "\r").encode())
        self.wait(lambda: len(self.piped) >= len(expected), "not every set was answered", 60)
        assert self.piped == expected, "the output differs from the piped run's"

    def paste_blanks(self, kibibytes):
        self.paste(b" " * (int(kibibytes) * 1024))

    def ended(self):
        if "shell" in self.options:
            self.shell("echo status=$?")
            self.wait(lambda: re.search(r"\nstatus=(\d+)", self.screen[self.seen:]),
                      "the shell did not say the status")
            return int(re.search(r"\nstatus=(\d+)", self.screen[self.seen:]).group(1))
        ended = []
        self.wait(lambda: ended.append(os.waitpid(self.pid, os.WNOHANG)) or ended[-1][0],
                  "the program did not exit")
        self.wait_status = ended[-1][1]
        self.pid = 0
        assert self.closed or termios_of(self.master) == self.found, \
            "the terminal was not left as it was found"
        return os.WEXITSTATUS(self.wait_status) if os.WIFEXITED(self.wait_status) else \
            128 + os.WTERMSIG(self.wait_status)

    # The peak so far of the program, which runs on: the kernel's figure at exit would count
    # the harness's own memory from before the program started.
    def peak_memory_below(self, mebibytes):
        status = "/proc/%d/status" % self.pid
        if not os.path.exists(status):
            raise Skipped("no /proc to read the program's peak memory from")
        peak = int(re.search(r"VmHWM:\s*(\d+) kB", open(status).read()).group(1))
        assert peak < int(mebibytes) << 10, "peak memory %d KiB" % peak

    def dumped_core(self, _):
        pattern = "/proc/sys/kernel/core_pattern"
        if not os.path.exists(pattern) or open(pattern).read().startswith("|"):
            raise Skipped("core dumps go to a program here, not to a file")
        assert os.WCOREDUMP(self.wait_status), "no core dump"

    def close(self):
        if self.pid:  # and with the terminal's end, a shell's jobs
            os.kill(self.pid, signal.SIGKILL)
            os.waitpid(self.pid, 0)
        if not self.closed:
            os.close(self.master)
        self.folder.cleanup()


def termios_of(descriptor):
    return termios.tcgetattr(descriptor)


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
            file.write(" ".join("%d %d %d" % key for key in keys(text)))
        os.rename(path + ".new", path)
        self.bursts += 1

    def ended(self):
        status = os.path.join(self.folder.name, "status")
        self.wait(lambda: os.path.exists(status), "guard.exe did not exit")
        return int(open(status).read())

    def close(self):
        os.killpg(self.pid, signal.SIGKILL)
        os.waitpid(self.pid, 0)
        os.close(self.master)
        self.folder.cleanup()


# Runs the case; returns what failed, or why it was skipped.
def run_case(case, start):
    run = None
    try:
        assert any(verb == "status" for verb, _ in case["steps"]), "the case has no exit status"
        run = start(case)
        for verb, argument in case["steps"]:
            getattr(run, verb.replace("-", "_"))(argument)
        return ""
    except Skipped as reason:
        return "skipped: %s: %s\n" % (case["name"], reason)
    except AssertionError as problem:
        return "FAILED: %s: %s\n--- screen:\n%s\n---\n" % (
            case["name"], problem, run.screen[-3000:] if run else "")
    finally:
        if run:
            run.close()


def main():
    global SYSTEM
    SYSTEM = "windows" if sys.argv[1] == "--wine" else "posix"
    preload = sys.argv[3] if sys.argv[2:3] == ["--preload"] else None
    if preload and not sys.platform.startswith("linux"):
        print("skipped: LD_PRELOAD works as this needs on Linux only")
        return 77
    start = (lambda case: WindowsRun(*sys.argv[2:5])) if SYSTEM == "windows" else \
        (lambda case: PosixRun(sys.argv[1], case["with"], preload))
    cases = [case for case in read_cases() if SYSTEM in case["on"] and
             re.search(os.environ.get("KEYBOARD_CASES", ""), case["name"])]
    results = [run_case(case, start) for case in cases]
    failed = sum(result.startswith("FAILED") for result in results)
    print("".join(results) + "%s keyboard cases%s: %d passed, %d skipped, %d failed" % (
        SYSTEM, " with " + os.path.basename(preload) if preload else "",
        results.count(""), len(results) - results.count("") - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
