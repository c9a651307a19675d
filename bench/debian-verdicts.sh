#!/bin/sh
# The tool's default protection against real documents: checks every XML file the system
# ships under /usr/share and /etc with and without --huge and prints the counts; any file
# whose verdict differs is listed and the exit status is 1.
#
#   bench/debian-verdicts.sh [--build DIR]
#
# Installs DocBook (DTDs, stylesheets, DocBook 5) and GNOME's user documentation first, for
# large real documents full of entities (through scripts/setup.sh, as root).
set -eu

SOURCE=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$SOURCE/build
[ "${1:-}" = --build ] && BUILD=$2
sh "$SOURCE/scripts/setup.sh" docbook-xml docbook-xsl docbook5-xml gnome-user-docs
TOOL=$BUILD/tools/zolsax2

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
find /usr/share /etc -type f \( -name '*.xml' -o -name '*.xsl' -o -name '*.xsd' -o -name '*.page' \
    -o -name '*.docbook' -o -name '*.svg' -o -name '*.rng' -o -name '*.ent' -o -name '*.dtd' \) \
    -size +0 -print0 2>/dev/null | sort -z >"$WORK/list"
# Each file once per setting; -q prints the failures and the count.
for setting in default huge; do
    option=""
    [ "$setting" = huge ] && option=--huge
    # shellcheck disable=SC2086 # no word at all for the default
    /usr/bin/time -f "$setting: %e s, %M KiB peak" "$TOOL" check -q $option -0 --files-from "$WORK/list" \
        >"$WORK/$setting" 2>"$WORK/$setting.err" || true
    tail -n 1 "$WORK/$setting.err"
    echo "$setting: $(tail -n 1 "$WORK/$setting")"
done
if cmp -s "$WORK/default" "$WORK/huge"; then
    echo "same verdicts and records with and without --huge"
else
    echo "verdicts differ:"
    diff "$WORK/default" "$WORK/huge" | head -n 40
    exit 1
fi
