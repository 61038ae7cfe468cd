#!/usr/bin/env bash
# Standard streams the program cannot use as it would like: a failure is one line on standard
# error and a failing status, never a quiet success, and a stream that is merely slow is waited
# for. Usage: check_streams.sh PROGRAM
set -u
program=$1
failed=0
# expect WHAT STATUS MESSAGE: what the run just made must have ended with STATUS and MESSAGE.
expect() {
    if [ "$status" != "$2" ] || [ "$message" != "$3" ]; then
        echo "$1: expected status $2 and \"$3\"; got status $status and \"$message\""
        failed=1
    fi
}

message=$(echo 3 1 5 1 1 3 2 | "$program" 2>&1 >/dev/full)
status=$?
expect "output to a full disk" 1 "guard: could not write standard output"

message=$("$program" <"$(dirname "$0")" 2>&1 >/dev/null)
status=$?
expect "a directory as input" 1 "guard: could not read standard input: Is a directory"

message=$("$program" <&- 2>&1 >/dev/null)
status=$?
expect "closed input" 1 "guard: could not read standard input: Bad file descriptor"

errors=$(mktemp) || exit 2
trap 'rm -f "$errors"' EXIT
yes 0 0 0 0 0 0 0 | "$program" 2>"$errors" | head -c 1 >/dev/null
status=${PIPESTATUS[1]}
message=$(cat "$errors")
expect "a reader that goes away" 141 ""

# Input left non-blocking by another program, with the set arriving late.
(sleep 0.2 && echo 0 0 0 0 0 0 0) | python3 -c 'import os, sys
os.set_blocking(0, False)
os.execv(sys.argv[1], sys.argv[1:])' "$program" 2>"$errors" | grep -q "standing still"
status=${PIPESTATUS[1]}${PIPESTATUS[2]}
message=$(cat "$errors")
expect "non-blocking input answered" 00 ""
exit $failed
