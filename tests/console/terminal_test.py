#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Runs the keyboard cases of keyboard_cases.txt as a person at a keyboard would, and checks each
# run's exit status and, on POSIX, that the terminal is left exactly as it was found, with
# bracketed paste off.
# Usage: terminal_test.py PROGRAM [--preload LIBRARY]   the POSIX cases, through a pseudo-terminal
#        terminal_test.py --wine WINE GUARD_EXE KEY_EVENT_DRIVER_EXE   the Windows cases
# A case that needs what this system lacks is skipped with a notice; exits 77 (skipped) where
# --preload cannot work. KEYBOARD_CASES=REGEX runs only the cases whose names it matches.
import fcntl
import os
import random
import re
import resource
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import time

PATIENCE = 30  # seconds for any one thing to happen: Wine's first console has taken over 5
INSTRUCTIONS_END = "3\tWEAPON_GUN\n\n"
PROMPT = "Press any key to continue\n\n"
SHELL_PROMPT = "[shell] "
PASTE_ON, PASTE_OFF = "\x1b[?2004h", "\x1b[?2004l"  # bracketed paste mode
PASTE_START, PASTE_END = b"\x1b[200~", b"\x1b[201~"
# Each named key as a POSIX terminal sends it, and as a Windows key event: virtual key,
# character, control key state.
KEYS = {"Enter": ("\r", (0x0D, 13, 0)), "Esc": ("\x1b", (0x1B, 27, 0)),
        "Up": ("\x1b[A", (0x26, 0, 0x100)), "Down": ("\x1b[B", (0x28, 0, 0x100)),
        "Left": ("\x1b[D", (0x25, 0, 0x100)), "Home": ("\x1b[H", (0x24, 0, 0x100)),
        "End": ("\x1b[F", (0x23, 0, 0x100)), "Backspace": ("\x7f", (0x08, 8, 0)),
        "F1": ("\x1bOP", None)}
# What an option does to the program's process before it starts (see keyboard_cases.txt).
OPTIONS = {"read-only-input": lambda: os.dup2(os.open(os.ttyname(0), os.O_RDONLY), 0),
           "write-only-input": lambda: os.dup2(os.open(os.ttyname(0), os.O_WRONLY), 0),
           "closed-output": lambda: os.close(1),
           "non-blocking": lambda: os.set_blocking(0, False)}  # 1 and 2 share its description


class Skipped(Exception):
    pass


def read_cases(system):
    cases = []
    for line in open(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                  "keyboard_cases.txt"), encoding="utf-8").read().splitlines():
        if line.startswith("== "):
            cases.append({"name": line[3:], "with": [], "steps": [], "each": [""]})
        elif line.strip() and not line.startswith("#"):
            only, verb, argument = re.fullmatch(r"(?:(\w+): )?(\S+) ?(.*)", line).groups()
            if verb in ("on", "with"):
                cases[-1][verb] = argument.split()
            elif verb == "each":  # one line or more
                cases[-1][verb] = [word for word in cases[-1][verb] if word] + argument.split()
            elif only in (None, system):
                cases[-1]["steps"] += expand(
                    verb, re.sub(r"\\([nbta\\])", lambda escape: "\n\b\t\a\\"["nbta\\".index(
                        escape[1])], argument), system)
    return cases


# The shorthands: answer VALUES -> LAST, next KEYS, instructions, prompt.
def expand(verb, argument, system):
    if verb == "answer":
        values, last = argument.split(" -> ")
        echoed = values + "\n" if system == "posix" else ""
        return [("shown", INSTRUCTIONS_END), ("type", values + "<Enter>"),
                ("shown-next" if echoed else "shown", echoed + "start, check"),
                ("shown", last), ("shown", PROMPT)]
    if verb == "next":
        return [("type", argument)] + expand("answer", "0 1 0 0 0 0 0 -> patroling", system)
    shorthand = {"instructions": INSTRUCTIONS_END, "prompt": PROMPT}
    return [("shown", shorthand[verb]) if verb in shorthand else (verb, argument)]


# Keys written as text, <Name>, <C-x> for Ctrl with x, or \xHH for a byte: POSIX bytes, or
# Windows key events.
def keys(text, system):
    for token in re.findall(r"<[^>]+>|\\x[0-9a-f]{2}|.", text):
        named = KEYS.get(token[1:-1])
        if token.startswith("<C-"):
            control = ord(token[3]) & 0x1F
            yield bytes([control]) if system == "posix" else (ord(token[3].upper()), control, 0x8)
        elif named:
            yield named[0].encode() if system == "posix" else named[1]
        elif system == "posix":
            yield bytes([int(token[2:], 16)]) if token.startswith("\\x") else token.encode()
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
    signalled = False  # the program was ended by a signal, not by exiting with 128 + its number
    closed = False  # the terminal, by `hang_up`

    # Reads the screen while it waits, so that the program never waits for it to be read.
    def wait(self, condition, failure, patience=PATIENCE):
        deadline = time.monotonic() + patience
        while not (self.read_screen() is not None and condition()):
            assert time.monotonic() < deadline, failure
            time.sleep(0.005)

    def shown(self, text):
        self.wait(lambda: text in self.screen[self.seen:], "never shown: %r" % text)
        self.seen = self.screen.index(text, self.seen) + len(text)

    def shown_next(self, text):
        self.wait(lambda: len(self.screen) >= self.seen + len(text), "never shown: %r" % text)
        assert self.screen.startswith(text, self.seen), "shown instead of %r: %r" % (
            text, self.screen[self.seen:self.seen + len(text)])
        self.seen += len(text)

    def close(self):
        if self.pid:  # and with the terminal's end, a shell's jobs
            os.killpg(self.pid, signal.SIGKILL)
            os.waitpid(self.pid, 0)
        if not self.closed:
            os.close(self.master)
        self.folder.cleanup()

    def status(self, expected):
        status = self.ended()
        wanted = 128 + signal_number(expected) if expected.startswith("SIG") else int(expected, 0)
        assert status == wanted and self.signalled == expected.startswith("SIG"), \
            "exit status %d%s, expected %s" % (status, " (a signal)" * self.signalled, expected)


# The program on a pseudo-terminal of its own, or started from an interactive dash, which
# leaves the terminal as a stopped job left it (bash would reset it and hide a fault).
class PosixRun(Run):
    def __init__(self, program, options, preload):
        self.options, self.piped = options, ""
        self.folder = tempfile.TemporaryDirectory(ignore_cleanup_errors=True)
        self.program, shell = os.path.abspath(program), shutil.which(
            "bash" if "bash" in options else "dash")
        if "shell" in options and not shell:
            raise Skipped("no %s for job control" % os.path.basename(shell or "shell"))
        self.master, terminal = os.openpty()
        for option in options:
            if option.startswith("stty:"):
                subprocess.run(["stty"] + option[5:].split(","), stdin=terminal, check=True)
        self.found = termios.tcgetattr(terminal)
        if "output-stopped" in options:
            os.write(self.master, b"\x13")
        piped_output, piped_end = os.pipe()
        self.pid = os.fork()
        if self.pid == 0:
            try:
                os.setsid()
                for descriptor in (0, 1, 2):
                    os.dup2(terminal, descriptor)
                fcntl.ioctl(0, termios.TIOCSCTTY, 0)
                self.start(piped_end, shell, preload or "")
            finally:
                os._exit(127)
        os.close(terminal)
        os.close(piped_end)
        os.set_blocking(self.master, False)
        self.sources = [self.master, piped_output]
        if "shell" in options:  # bash's fg, unlike dash's, sends a job that runs no signal
            self.shell('LD_PRELOAD="$PRELOAD" "$GUARD"' +
                       (" & sleep 0.5; fg" if "background" in options else ""))

    # As an interactive shell starts its programs (Python ignores SIGPIPE and SIGXFSZ), with no
    # core dumps to leave behind.
    def start(self, piped_end, shell, preload):
        ignored = {getattr(signal, option[9:]) for option in self.options
                   if option.startswith("ignoring-")}
        for number in signal.valid_signals() - {signal.SIGKILL, signal.SIGSTOP}:
            signal.signal(number, signal.SIG_IGN if number in ignored else signal.SIG_DFL)
        resource.setrlimit(resource.RLIMIT_CORE, (0, resource.getrlimit(resource.RLIMIT_CORE)[1]))
        os.chdir(self.folder.name)
        if "piped-output" in self.options:
            os.dup2(piped_end, 1)
        for option in set(self.options) & set(OPTIONS):
            OPTIONS[option]()
        environment = dict(os.environ, ASAN_OPTIONS="verify_asan_link_order=0", LC_ALL="C.UTF-8")
        if "shell" in self.options:
            os.execve(shell, [shell, "--norc", "--noediting", "-i"] if "bash" in self.options
                      else [shell, "-i"], dict(environment, PS1=SHELL_PROMPT, ENV="",
                                               GUARD=self.program, PRELOAD=preload))
        os.execve(self.program, [self.program], dict(environment, LD_PRELOAD=preload))

    def read_screen(self):
        for source in select.select(self.sources, [], [], 0)[0]:
            try:
                text = os.read(source, 1 << 20).decode("utf-8", "replace").replace("\r", "")
            except OSError:  # the terminal is gone once the program has ended
                text = ""
            if not text:
                self.sources.remove(source)
            self.screen += text
            self.piped += text if source != self.master else ""
        return self.screen

    # Whether the screen was last told to mark pastes.
    def marking(self):
        return self.screen.rfind(PASTE_ON) > self.screen.rfind(PASTE_OFF)

    def type(self, text):
        self.write(b"".join(keys(text, "posix")))

    def write(self, data):
        while data:
            self.read_screen()
            try:
                data = data[os.write(self.master, data):]
            except BlockingIOError:
                select.select([], [self.master], [], 0.01)

    # To the terminal's foreground process group: the program, or under a shell its job.
    def send(self, name):
        os.killpg(os.tcgetpgrp(self.master), signal_number(name))

    # At the shell's next prompt, with the terminal as the program found it.
    def shell(self, command):
        self.shown(SHELL_PROMPT)
        self.wait(lambda: termios.tcgetattr(self.master) == self.found and not self.marking(),
                  "the terminal was not left as it was found")
        self.type(command + "<Enter>")

    # The terminal as it is now (at a shell's prompt) is what the program is to leave at the end.
    def note_terminal(self, _):
        self.shown(SHELL_PROMPT)
        self.found = termios.tcgetattr(self.master)
        self.seen -= len(SHELL_PROMPT)

    # Key at a time, with no extended keys (which some systems act on outside line mode).
    def key_mode(self, _):
        self.wait(lambda: not termios.tcgetattr(self.master)[3] & (
            termios.ICANON | termios.IEXTEN), "the terminal was never put in key mode")

    def pastes_marked(self, _):
        self.wait(lambda: self.marking(), "bracketed paste was never turned on")

    # The kernel tells the program with SIGWINCH.
    def resize(self, columns):
        fcntl.ioctl(self.master, termios.TIOCSWINSZ, struct.pack("HHHH", 24, int(columns), 0, 0))

    def reset_terminal(self, _):
        termios.tcsetattr(self.master, termios.TCSANOW, self.found)

    def pause(self, milliseconds):
        deadline = time.monotonic() + int(milliseconds) / 1000
        self.wait(lambda: time.monotonic() > deadline, "")

    def nothing_more(self, _):
        self.pause(100)
        assert self.screen[self.seen:] == "", "shown besides: %r" % self.screen[self.seen:]

    def hang_up(self, _):
        self.sources.remove(self.master)
        os.close(self.master)
        self.closed = True

    # As terminals and ssh deliver a paste: a few KiB at a time, a millisecond or so apart, or
    # as a slow link may; marked as a paste where the program turned bracketed paste on.
    def paste(self, data, piece=4096, pause=0.001):
        data = PASTE_START + data + PASTE_END if self.marking() else data
        for start in range(0, len(data), piece):
            self.write(data[start:start + piece])
            time.sleep(pause)

    # N random sets, one per line or all on one, in 4 KiB pieces or as the argument says:
    # standard output must then be exactly what it is when the same sets are piped in.
    def paste_sets(self, argument):
        count, rng = int(argument.split()[0]), random.Random(argument)
        pieces = re.search(r"in (\d+)-byte pieces (\d+) ms apart", argument)
        sets = (" " if "one line" in argument else "\n").join(" ".join(
            str(rng.randint(0, high)) for high in (3, 1, 5, 1, 1, 6, 3)) for _ in range(count))
        expected = subprocess.run([self.program], input=sets + "\n", text=True,
                                  capture_output=True, check=True).stdout[len(self.piped):]
        self.piped = ""
        self.paste((sets.replace("\n", "\r") + "\r").encode(),
                   *((int(pieces[1]), int(pieces[2]) / 1000) if pieces else ()))
        self.wait(lambda: len(self.piped) >= len(expected), "not every set was answered", 60)
        assert self.piped == expected, "the output differs from the piped run's"

    def paste_blanks(self, kibibytes):
        self.paste(b" " * int(kibibytes) * 1024)

    def ended(self):
        if "shell" in self.options:
            self.shell("echo status=$?")
            self.wait(lambda: re.search(r"\nstatus=(\d+)", self.screen[self.seen:]),
                      "the shell did not say the status")
            status = int(re.search(r"\nstatus=(\d+)", self.screen[self.seen:])[1])
            self.signalled = status > 128  # a shell's status says no more
            return status
        ended = []
        self.wait(lambda: ended.append(os.waitpid(self.pid, os.WNOHANG)) or ended[-1][0],
                  "the program did not exit")
        self.pid, wait_status = 0, ended[-1][1]
        self.read_screen()
        assert self.closed or (termios.tcgetattr(self.master) == self.found and
                               not self.marking()), "the terminal was not left as it was found"
        self.signalled = os.WIFSIGNALED(wait_status)
        return 128 + os.WTERMSIG(wait_status) if self.signalled else os.WEXITSTATUS(wait_status)


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


# Runs the case, with $EACH standing for `each`; returns what failed, or why it was skipped.
def run_case(case, each, start):
    run, name = None, case["name"] + (" (%s)" % each if each else "")
    try:
        assert any(verb == "status" for verb, _ in case["steps"]), "the case has no exit status"
        run = start(case)
        for verb, argument in case["steps"]:
            getattr(run, verb.replace("-", "_"))(argument.replace("$EACH", each))
        return ""
    except Skipped as reason:
        return "skipped: %s: %s\n" % (name, reason)
    except AssertionError as problem:
        return "FAILED: %s: %s\n--- screen:\n%s\n---\n" % (
            name, problem, run.screen[-3000:] if run else "")
    finally:
        if run:
            run.close()


def main():
    system = "windows" if sys.argv[1] == "--wine" else "posix"
    preload = sys.argv[3] if sys.argv[2:3] == ["--preload"] else None
    if preload and not sys.platform.startswith("linux"):
        print("skipped: only Linux's LD_PRELOAD is known to work as this needs")
        return 77
    start = (lambda case: WindowsRun(*sys.argv[2:5])) if system == "windows" else \
        (lambda case: PosixRun(sys.argv[1], case["with"], preload))
    results = [run_case(case, each, start) for case in read_cases(system)
               if system in case["on"] and re.search(os.environ.get("KEYBOARD_CASES", ""),
                                                     case["name"]) for each in case["each"]]
    failed = sum(result.startswith("FAILED") for result in results)
    print("".join(results) + "%s keyboard cases%s: %d passed, %d skipped, %d failed" % (
        system, " with " + os.path.basename(preload) if preload else "", results.count(""),
        len(results) - results.count("") - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
