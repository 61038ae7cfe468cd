#!/bin/sh
# SPDX-License-Identifier: MIT
# The documents must agree with the program: both drawings of the guard tree in doc/tree.md are
# what the built tree prints; README's example session is what the program prints for the values
# typed there, and every make target README names is the Makefile's; the built manual page has
# no formatting errors, lists exactly the actions of that tree, and the exit statuses of README's
# table; the package names in doc/packaging.md and the changelog carry the project's version.
# Usage: check_documents.sh DIAGRAM_TOOL SOURCE_DIR MANUAL_PAGE VERSION PROGRAM
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

# The first console block, from the values typed: after them, what the program prints for them.
session=$(sed -n '/^```console$/,/^```$/{/^```$/q;p}' "$readme" | sed -n '/^[0-9][0-9 ]*$/,$p')
typed=$(echo "$session" | head -n 1)
printed=$(echo "$typed" | "$5" | sed '1,/WEAPON_GUN$/d' | sed 1d)
[ -n "$typed" ] && [ "$session" = "$(printf '%s\n%s' "$typed" "$printed")" ] ||
    fail "README.md's example session is not what the program prints for '$typed'"
for target in $(grep -v apt-get "$readme" | grep -o '\bmake [a-z][a-z]*' | cut -d ' ' -f 2); do
    grep -q "^$target:" "$2/Makefile" || fail "README.md names 'make $target', not a target"
done

named=$(grep -o 'guard[_-][0-9][0-9.]*[0-9]' "$2/doc/packaging.md" | LC_ALL=C sort -u | tr '\n' ' ')
[ "$named" = "guard-$version guard_$version " ] ||
    fail "doc/packaging.md names packages of version $named, the project is $version"
[ "$(head -n 1 "$2/doc/changelog")" = "guard ($version) unstable; urgency=medium" ] ||
    fail "doc/changelog does not start with an entry for version $version"

# Rounded boxes are the tree's actions; the manual lists them between .nf and .fi.
actions=$(echo "$drawn" | sed -n 's/^ *n[0-9]*("\(.*\)")$/\1/p')
listed=$(sed -n '/eleven actions/,/^\.fi/p' "$manual" | grep -v '^\.' | sed 1d)
[ "$actions" = "$listed" ] || fail "doc/guard.1.in lists other actions than the program's: $listed"

statuses=$(sed -n '/^| status |/,/^$/s/^| \([0-9][0-9]*\) |.*/\1/p' "$readme")
documented=$(sed -n '/^\.SH EXIT STATUS/,/^\.SH ENVIRONMENT/p' "$manual" | grep -A1 '^\.TP' |
    grep '^[0-9]')
[ "$statuses" = "$documented" ] ||
    fail "doc/guard.1.in lists exit statuses $(echo $documented), README.md $(echo $statuses)"
exit $failed
