#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Standard streams the program cannot use as it would like: a failure is one line on standard
# error and a failing status, never a quiet success, and a stream that is merely slow is waited
# for. Usage: check_streams.sh PROGRAM
set -u
program=$1
failed=0
errors=$(mktemp) || exit 2
trap 'rm -f "$errors"' EXIT
# expect STATUS EXPECTED WHAT MESSAGE: the run just made, which wrote its standard error to
# $errors, must have ended with status EXPECTED and written MESSAGE there.
expect() {
    if [ "$1" != "$2" ] || [ "$(cat "$errors")" != "$4" ]; then
        echo "$3: expected status $2 and \"$4\"; got status $1 and \"$(cat "$errors")\""
        failed=1
    fi
}

echo 3 1 5 1 1 3 2 | "$program" >/dev/full 2>"$errors"
expect $? 1 "output to a full disk" "guard: could not write standard output"
# Output that fails stops the program, though its input never ends.
yes 0 0 0 0 0 0 0 | timeout 10 "$program" >/dev/full 2>"$errors"
expect "${PIPESTATUS[1]}" 1 "endless input, output to a full disk" \
    "guard: could not write standard output"
# And at once: the reader gone while the program waited for input, a bad token a hundred sets
# on, written in one piece with them, is never reached. (The printf program writes them in one
# piece; the shell's own printf would write line by line, and the program could read them so.)
sets="$(printf '0 0 0 0 0 0 0\n%.0s' {1..100})x"
{ sleep 1 && env printf '%s\n' "$sets" && yes 0 0 0 0 0 0 0; } |
    (trap '' PIPE && exec timeout 10 "$program") 2>"$errors" | head -c 1 >/dev/null
expect "${PIPESTATUS[1]}" 1 "endless input, the reader gone with SIGPIPE ignored" \
    "guard: could not write standard output"
"$program" <"$(dirname "$0")" >/dev/null 2>"$errors"
expect $? 1 "a directory as input" "guard: could not read standard input: Is a directory"
"$program" <&- >/dev/null 2>"$errors"
expect $? 1 "closed input" "guard: could not read standard input: Bad file descriptor"
yes 0 0 0 0 0 0 0 | "$program" 2>"$errors" | head -c 1 >/dev/null
expect "${PIPESTATUS[1]}" 141 "a reader that goes away" ""
# With SIGPIPE ignored, the reader gone while the set is awaited: only the last write fails.
(sleep 0.5 && printf '3 1 5 1 1 3 2 \033') | (trap '' PIPE && exec "$program") 2>"$errors" |
    head -c 1 >/dev/null
expect "${PIPESTATUS[1]}" 1 "the last write failing" "guard: could not write standard output"
# Input left non-blocking by another program, with the set arriving late: it is answered, and
# waited for without spending a second of processor time on it.
(sleep 1.5 && echo '  0 0 0 0 0 0 0') | python3 -c 'import os, resource, sys
os.set_blocking(0, False)
resource.setrlimit(resource.RLIMIT_CPU, (1, 1))
os.execv(sys.argv[1], sys.argv[1:])' "$program" 2>"$errors" | grep -q "standing still"
expect "${PIPESTATUS[1]}${PIPESTATUS[2]}" 00 "non-blocking input" ""
# A pipe has no keyboard: after a set, the program waits for the next byte, however late.
(echo 0 0 0 0 0 0 0 && sleep 0.5 && echo 0 1 0 0 0 0 0) | "$program" 2>"$errors" |
    grep -q patroling
expect "${PIPESTATUS[1]}${PIPESTATUS[2]}" 00 "a set arriving late on a pipe" ""
# Merged into one file, a problem stands right after the dialogue it is about.
printf '0 0 0 0 0 0 0\nx\n' | "$program" >"$errors" 2>&1
[ "$(sed -n 44p "$errors")" = 'guard: set rejected: "x" is not an integer' ] ||
    { echo "merged output: the problem is not right after the instructions" && failed=1; }
exit $failed
