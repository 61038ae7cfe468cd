#!/bin/sh
# Runs check_transcript.sh on every golden transcript, for a program that CTest does not run
# itself (a cross-compiled one, say). Usage: check_all_transcripts.sh PROGRAM
set -u
here=$(dirname "$0")
passed=0
failed=0
for input in "$here"/transcripts/*.in; do
    if sh "$here/check_transcript.sh" "$1" "${input%.in}"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
done
echo "transcripts: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
