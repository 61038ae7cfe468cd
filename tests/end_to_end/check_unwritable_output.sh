#!/bin/sh
# Output that cannot be written (a full disk) must fail the run with one line saying so, not
# pass as a quiet success. Usage: check_unwritable_output.sh PROGRAM
message=$(echo 3 1 5 1 1 3 2 | "$1" 2>&1 >/dev/full)
status=$?
[ "$status" -eq 1 ] && [ "$message" = "guard: could not write standard output" ] && exit 0
echo "expected status 1 and one line about standard output; got status $status and: $message"
exit 1
