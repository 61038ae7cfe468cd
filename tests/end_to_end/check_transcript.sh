#!/bin/sh
# SPDX-License-Identifier: MIT
# Feeds each CASE.in to the program and compares, byte for byte, what it prints on standard
# output and standard error and its exit status with CASE.out, CASE.err and CASE.status.
# Usage: check_transcript.sh PROGRAM CASE...   (each CASE a path without extension)
# TRANSCRIPT_RUNNER, if set, is put before PROGRAM (say, a Windows emulator), and
# TRANSCRIPT_CRLF=1 expects every line of output to end in CR LF, as Windows writes it.
set -u
program=$1
shift
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT
failed=0
for case in "$@"; do
    ${TRANSCRIPT_RUNNER:-} "$program" <"$case.in" >"$work/out" 2>"$work/err"
    echo $? >"$work/status"
    for part in out err status; do
        expected=$case.$part
        if [ "${TRANSCRIPT_CRLF:-0}" = 1 ] && [ $part != status ]; then
            sed 's/$/\r/' "$case.$part" >"$work/expected"
            expected=$work/expected
        fi
        if ! cmp -s "$expected" "$work/$part"; then
            echo "$(basename "$case").$part differs (expected, then actual):"
            diff "$expected" "$work/$part" | head -40
            failed=1
        fi
    done
done
exit $failed
