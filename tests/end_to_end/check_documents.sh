#!/bin/sh
# The documents must agree with the program: README's picture of the guard tree is the one the
# built tree draws, and the manual page has no formatting errors, lists exactly the actions of
# that tree, and the exit statuses of README's table.
# Usage: check_documents.sh DIAGRAM_TOOL SOURCE_DIR
set -u
drawn=$("$1")
readme="$2/README.md"
manual="$2/doc/guard.1"
failed=0
fail() {
    echo "$1"
    failed=1
}

[ "$(sed -n '/^```mermaid$/,/^```$/p' "$readme" | sed '1d;$d')" = "$drawn" ] ||
    fail "README.md's picture of the guard tree is out of date: paste in what 'make -s diagram' prints"

lint=$(groff -man -ww -z "$manual" 2>&1)
[ -z "$lint" ] || fail "doc/guard.1 has formatting errors: $lint"

# Rounded boxes are the tree's actions; the manual lists them between .nf and .fi.
actions=$(echo "$drawn" | sed -n 's/^ *n[0-9]*("\(.*\)")$/\1/p')
listed=$(sed -n '/eleven actions/,/^\.fi/p' "$manual" | grep -v '^\.' | sed 1d)
[ "$actions" = "$listed" ] || fail "doc/guard.1 lists other actions than the program's: $listed"

statuses=$(sed -n '/^### Exit status/,/^#/s/^| \([0-9][0-9]*\) |.*/\1/p' "$readme")
documented=$(sed -n '/^\.SH EXIT STATUS/,/^\.SH EXAMPLES/p' "$manual" | grep -A1 '^\.TP' |
    grep '^[0-9]')
[ "$statuses" = "$documented" ] ||
    fail "doc/guard.1 lists exit statuses $(echo $documented), README.md $(echo $statuses)"
exit $failed
