#!/bin/sh
# Feeds CASE.in to the program and compares, byte for byte, what it prints on standard output
# and standard error and its exit status with CASE.out, CASE.err and CASE.status.
# Usage: check_transcript.sh PROGRAM CASE   (CASE is a path without extension)
set -u
program=$1
case=$2
work=$(mktemp -d) || exit 2
trap 'rm -rf "$work"' EXIT

"$program" <"$case.in" >"$work/out" 2>"$work/err"
echo $? >"$work/status"

failed=0
for part in out err status; do
    if ! cmp -s "$case.$part" "$work/$part"; then
        echo "$(basename "$case").$part differs (expected, then actual):"
        diff "$case.$part" "$work/$part" | head -40
        failed=1
    fi
done
exit $failed
