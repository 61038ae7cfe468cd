#!/usr/bin/env python3
# Drives the built program through a pseudo-terminal, as a person at a keyboard would, one case
# of the table below at a time, and checks that every run leaves the terminal in line mode.
# Usage: terminal_test.py PROGRAM
import os
import pty
import select
import signal
import sys
import termios
import time

PATIENCE = 5  # seconds for any one thing to happen
INSTRUCTIONS_END = "3\tWEAPON_GUN\n\n"
PROMPT = "Press any key to continue\n\n"
ATTACK = "you have a sword or gun, attack!\n"
LINE_MODE = termios.ICANON | termios.ECHO  # as a shell leaves the terminal


def wait_until(condition, failure):
    deadline = time.monotonic() + PATIENCE
    while not condition():
        assert time.monotonic() < deadline, failure
        time.sleep(0.01)


def terminal_mode(descriptor):
    echo_and_editing = termios.tcgetattr(descriptor)[3] & LINE_MODE
    return {0: "key", LINE_MODE: "line"}.get(echo_and_editing, "mixed")


def shell_status(wait_status):
    code = os.waitstatus_to_exitcode(wait_status)
    return code if code >= 0 else 128 - code


# One run of the program on a fresh pseudo-terminal; each method is a step of a case. With
# `job_control`, the session leader stands in for a shell that runs the program as its
# foreground job and shows each stop as "[stopped]"; with `piped_output`, standard output
# goes to a pipe instead of the terminal.
class Run:
    def __init__(self, program, job_control=False, piped_output=False):
        output, output_end = os.pipe()
        self.pid, self.master = pty.fork()
        if self.pid == 0:
            if piped_output:
                os.dup2(output_end, 1)
            if job_control:
                run_as_foreground_job(program)
            os.execv(program, [program])
        os.close(output_end)
        self.sources = [self.master] + ([output] if piped_output else [])
        self.screen = ""
        self.seen = 0  # where the next `shown` starts looking
        self.status = None

    def read_screen(self):
        for source in select.select(self.sources, [], [], 0.01)[0]:
            try:
                self.screen += os.read(source, 4096).decode("utf-8", "replace").replace("\r", "")
            except OSError:  # the terminal is gone once the program has ended
                self.sources.remove(source)
        return self.screen

    def shown(self, text):
        wait_until(lambda: text in self.read_screen()[self.seen:], "never shown: %r" % text)
        self.seen = self.screen.index(text, self.seen) + len(text)

    def typed(self, keys):
        os.write(self.master, keys.encode())

    def mode(self, wanted):
        wait_until(lambda: terminal_mode(self.master) == wanted, "never in %s mode" % wanted)

    def sent(self, number):
        os.kill(self.pid, number)

    def stopped_and_reset_by_shell(self, _):
        assert os.WIFSTOPPED(os.waitpid(self.pid, os.WUNTRACED)[1]), "the program did not stop"
        settings = termios.tcgetattr(self.master)
        settings[3] |= LINE_MODE
        termios.tcsetattr(self.master, termios.TCSANOW, settings)

    def resumed_job(self, _):
        self.shown("[stopped]")
        os.killpg(os.tcgetpgrp(self.master), signal.SIGCONT)

    def ended(self):
        def exited():
            self.read_screen()
            pid, wait_status = os.waitpid(self.pid, os.WNOHANG)
            self.status = shell_status(wait_status) if pid else None
            return pid != 0
        wait_until(exited, "the program did not exit")
        return self.status


def run_as_foreground_job(program):
    job = os.fork()
    if job == 0:
        os.setpgid(0, 0)
        signal.signal(signal.SIGTTOU, signal.SIG_IGN)
        os.tcsetpgrp(0, os.getpid())
        signal.signal(signal.SIGTTOU, signal.SIG_DFL)
        os.execv(program, [program])
    os.setpgid(job, job)
    while True:
        _, wait_status = os.waitpid(job, os.WUNTRACED)
        if not os.WIFSTOPPED(wait_status):
            os._exit(shell_status(wait_status))
        os.write(1, b"[stopped]")


# A set typed at the values prompt, answered right below it, then the program waiting for a key.
def answered(values, last_line):
    return [("shown", INSTRUCTIONS_END), ("mode", "line"), ("typed", values + "\n"),
            ("shown", values + "\nstart, check"), ("shown", last_line), ("shown", PROMPT),
            ("mode", "key")]


FIRST = answered("3 1 5 1 1 3 2", ATTACK)
ESCAPE = "\x1b"
# Each case: its name, its steps in order, the exit status a shell would report, and what it
# runs under ({"job_control": True}, {"piped_output": True}).
CASES = [
    ("a key without Enter starts the next round, whose values may follow it at once; arrow, "
     "function, Alt and non-ASCII keys are one key each; Escape exits 0",
     FIRST + sum(([("typed", key + "0 1 0 0 0 0 0\n"), ("shown", "patroling\n"), ("shown", PROMPT),
                   ("mode", "key")] for key in
                  ["a", "\x1b[A", "\x1bOP", "\x1b[15~", "\x1bx", "é", "\u0800", "€", "🙂"]), [])
     + [("typed", ESCAPE)], 0, {}),
    ("Escape pressed twice quits", FIRST + [("typed", ESCAPE * 2)], 0, {}),
    # Stopped until the terminal has echoed the whole paste, the program then finds all of it
    # there, however the kernel happens to schedule the terminal's work.
    ("a paste is answered set by set, then a key is awaited",
     [("shown", INSTRUCTIONS_END), ("mode", "line"), ("sent", signal.SIGSTOP),
      ("typed", "3 1 5 1 1 3 2\n0 1 0 0 0 0 0\n0 0 0 0 0 0 0\n"), ("shown", "0 0 0 0 0 0 0\n"),
      ("sent", signal.SIGCONT)]
     + [("shown", text) for text in (ATTACK, PROMPT, "patroling", PROMPT, "still", PROMPT)]
     + [("mode", "key"), ("typed", ESCAPE)], 0, {}),
    ("Ctrl-D at the key ends the program as the end of input does",
     answered("3 1 5 1 1 3 9", "check what weapon") + [("typed", "\x04")], 1, {}),
    ("input ended part-way through a typed line: the message starts its own line",
     [("shown", INSTRUCTIONS_END), ("typed", "1 2 3\x04\x04"),
      ("shown", "1 2 3\nguard: input ended after 3 of 7 values\n")], 1, {}),
    ("two sets on a line ended by Ctrl-D twice: the first is answered on a line of its own",
     [("shown", INSTRUCTIONS_END), ("typed", "0 1 0 0 0 0 0 0 0 0 0 0 0 0\x04\x04"),
      ("shown", "0\nstart, check"), ("shown", "patroling\n\n\n" + PROMPT),
      ("shown", INSTRUCTIONS_END + "start, check"), ("shown", "standing still")], 0, {}),
    ("Ctrl-C at the key", FIRST + [("typed", "\x03")], 130, {}),
    ("Ctrl-\\ at the key", FIRST + [("typed", "\x1c")], 131, {}),
    ("SIGTERM at the key", FIRST + [("sent", signal.SIGTERM)], 143, {}),
    ("SIGHUP at the key", FIRST + [("sent", signal.SIGHUP)], 129, {}),
    ("SIGSTOP, a shell's reset and SIGCONT at the key: the key is awaited again",
     FIRST + [("sent", signal.SIGSTOP), ("stopped_and_reset_by_shell", None),
              ("sent", signal.SIGCONT), ("mode", "key"), ("typed", ESCAPE)], 0, {}),
    ("Ctrl-Z at the key, then while the next set is typed: after each fg, the wait goes on",
     FIRST + [("typed", "\x1a"), ("mode", "line"), ("resumed_job", None), ("mode", "key"),
              ("typed", "a"), ("shown", INSTRUCTIONS_END), ("typed", "0 1 \x1a"),
              ("resumed_job", None), ("mode", "line"), ("typed", "0 1 0 0 0 0 0\n"),
              ("shown", "patroling"), ("mode", "key"), ("typed", ESCAPE)], 0, {"job_control": True}),
    ("Ctrl-Z while a set is typed stops the program; after fg it reads the set again",
     [("shown", INSTRUCTIONS_END), ("typed", "3 1 5 "), ("typed", "\x1a"), ("resumed_job", None),
      ("mode", "line"), ("typed", "3 1 5 1 1 3 2\n"), ("shown", ATTACK), ("typed", ESCAPE)],
     0, {"job_control": True}),
    ("with output to a pipe, the prompt is out before the key is awaited",
     [("shown", INSTRUCTIONS_END), ("mode", "line"), ("typed", "3 1 5 1 1 3 2\n"),
      ("shown", PROMPT), ("mode", "key"), ("typed", ESCAPE)], 0, {"piped_output": True}),
]


def main():
    failed = 0
    for name, steps, status, options in CASES:
        run = Run(sys.argv[1], **options)
        try:
            for step, argument in steps:
                getattr(run, step)(argument)
            assert run.ended() == status, "exit status %d, expected %d" % (run.status, status)
            assert terminal_mode(run.master) == "line", "the terminal was not left in line mode"
        except AssertionError as problem:
            failed += 1
            print("FAILED: %s: %s\n--- screen:\n%s\n---" % (name, problem, run.screen))
            if run.status is None:
                os.kill(run.pid, signal.SIGKILL)
                os.waitpid(run.pid, 0)
        os.close(run.master)
    print("terminal cases: %d passed, %d failed" % (len(CASES) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
