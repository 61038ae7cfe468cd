#!/bin/sh
# SPDX-License-Identifier: MIT
# The documents must agree with the program: both drawings of the guard tree in doc/tree.md are
# what the built tree prints; the built manual page has no formatting errors, lists exactly the
# actions of that tree, and the exit statuses of README's table; README's package names and the
# changelog carry the project's version.
# Usage: check_documents.sh DIAGRAM_TOOL SOURCE_DIR MANUAL_PAGE VERSION
set -u
drawn=$("$1" --mermaid)
readme="$2/README.md"
tree="$2/doc/tree.md"
manual=$3
version=$4
failed=0
fail() {
    echo "$1"
    failed=1
}

# Each drawing is the fenced block of its format's name.
for format in text mermaid; do
    [ "$(sed -n "/^\`\`\`$format\$/,/^\`\`\`\$/p" "$tree" | sed '1d;$d')" = "$("$1" --$format)" ] ||
        fail "doc/tree.md's $format tree is out of date: paste in 'make -s diagram FORMAT=$format'"
done

lint=$(groff -man -ww -z "$manual" 2>&1)
[ -z "$lint" ] || fail "doc/guard.1.in has formatting errors: $lint"

named=$(grep -o 'guard[_-][0-9][0-9.]*[0-9]' "$readme" | LC_ALL=C sort -u | tr '\n' ' ')
[ "$named" = "guard-$version guard_$version " ] ||
    fail "README.md names packages of version $named, the project is $version"
[ "$(head -n 1 "$2/doc/changelog")" = "guard ($version) unstable; urgency=medium" ] ||
    fail "doc/changelog does not start with an entry for version $version"

# Rounded boxes are the tree's actions; the manual lists them between .nf and .fi.
actions=$(echo "$drawn" | sed -n 's/^ *n[0-9]*("\(.*\)")$/\1/p')
listed=$(sed -n '/eleven actions/,/^\.fi/p' "$manual" | grep -v '^\.' | sed 1d)
[ "$actions" = "$listed" ] || fail "doc/guard.1.in lists other actions than the program's: $listed"

statuses=$(sed -n '/^### Exit status/,/^#/s/^| \([0-9][0-9]*\) |.*/\1/p' "$readme")
documented=$(sed -n '/^\.SH EXIT STATUS/,/^\.SH EXAMPLES/p' "$manual" | grep -A1 '^\.TP' |
    grep '^[0-9]')
[ "$statuses" = "$documented" ] ||
    fail "doc/guard.1.in lists exit statuses $(echo $documented), README.md $(echo $statuses)"
exit $failed
