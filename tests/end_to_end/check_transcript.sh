#!/bin/sh
# Feeds CASE.in to the program and compares, byte for byte, what it prints on standard output
# and standard error and its exit status with CASE.out, CASE.err and CASE.status.
# Usage: check_transcript.sh PROGRAM CASE   (CASE is a path without extension)
# TRANSCRIPT_RUNNER, if set, is put before PROGRAM (say, a Windows emulator), and
# TRANSCRIPT_CRLF=1 expects every line of output to end in CR LF, as Windows writes it.
set -u
program=$1
case=$2
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT

${TRANSCRIPT_RUNNER:-} "$program" <"$case.in" >"$work/out" 2>"$work/err"
echo $? >"$work/status"

cp "$case.status" "$work/expected.status"
for part in out err; do
    if [ "${TRANSCRIPT_CRLF:-0}" = 1 ]; then
        sed 's/$/\r/' "$case.$part" >"$work/expected.$part"
    else
        cp "$case.$part" "$work/expected.$part"
    fi
done

failed=0
for part in out err status; do
    if ! cmp -s "$work/expected.$part" "$work/$part"; then
        echo "$(basename "$case").$part differs (expected, then actual):"
        diff "$work/expected.$part" "$work/$part" | head -40
        failed=1
    fi
done
exit $failed
