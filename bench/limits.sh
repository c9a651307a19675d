#!/bin/sh
# What hostile amplification costs through every entry point: the library's parser
# (parseString, parseFile) and validator (with and without caching), and the tool's check,
# validate, events and count. Prints one row per input and entry point: verdict, wall seconds
# and peak resident memory from /usr/bin/time -v.
#
#   bench/limits.sh [--build DIR] [--mode secure|protect|none] [--padding "1 2 4 8 16"]
#
# The inputs: PADDING MiB of 1 KB comments before a DOCTYPE whose entity a holds 100 KB, then
# 999 references to it in one attribute value (attr), in content (text), or a 100 KB default
# attribute on 2,000 elements (default). secure is secure processing (tool: --secure),
# protect the amplification protection alone (tool: no option), none neither (tool: --huge;
# slow and large, meant for one small padding).
set -eu

SOURCE=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$SOURCE/build
MODE=secure
PADDING="1 2 4 8 16"
while [ $# -gt 0 ]; do
    case "$1" in
    --build) BUILD=$2; shift 2 ;;
    --mode) MODE=$2; shift 2 ;;
    --padding) PADDING=$2; shift 2 ;;
    *) echo "usage: $0 [--build DIR] [--mode secure|protect|none] [--padding \"1 2 ...\"]" >&2; exit 2 ;;
    esac
done
case "$MODE" in
secure) OPTION=--secure ;;
protect) OPTION="" ;;
none) OPTION=--huge ;;
*) echo "$0: --mode is secure, protect or none" >&2; exit 2 ;;
esac

cmake -S "$SOURCE" -B "$BUILD" -DZOLSAX2PARSER_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD" --target zolbench-limits zolsax2 >/dev/null
TOOL=$BUILD/tools/zolsax2
LIMITS=$BUILD/bench/zolbench-limits

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cat >"$WORK/any.xsd" <<'XSD'
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema">
  <xs:element name="r">
    <xs:complexType mixed="true">
      <xs:sequence><xs:any processContents="lax" minOccurs="0" maxOccurs="unbounded"/></xs:sequence>
      <xs:anyAttribute processContents="lax"/>
    </xs:complexType>
  </xs:element>
</xs:schema>
XSD

# make KIND MIB FILE
make() {
    python3 - "$1" "$2" "$3" <<'PY'
import sys
kind, mib, path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
comment = "<!--" + "p" * 1017 + "-->\n"
value = "x" * 100000
with open(path, "w") as f:
    f.write('<?xml version="1.0"?>\n')
    f.write(comment * (mib * 1024))
    if kind == "default":
        f.write('<!DOCTYPE r [<!ATTLIST e d CDATA "%s">]>\n<r>' % value)
        f.write("<e/>" * 2000)
        f.write("</r>\n")
    else:
        f.write('<!DOCTYPE r [<!ENTITY a "%s">]>\n' % value)
        refs = "&a;" * 999
        f.write('<r v="%s"/>\n' % refs if kind == "attr" else "<r>%s</r>\n" % refs)
PY
}

# measure LABEL COMMAND...: one row
measure() {
    label=$1
    shift
    /usr/bin/time -v "$@" >"$WORK/out" 2>"$WORK/time" && verdict=accepted || verdict=refused
    awk -v label="$label" -v verdict="$verdict" '
        /Elapsed \(wall clock\)/ { n = split($NF, t, ":"); s = t[n] + (n > 1 ? 60 * t[n - 1] : 0) }
        /Maximum resident set size/ { kib = $NF }
        END { printf "%-34s %-9s %6.2f s %7.1f MiB\n", label, verdict, s, kib / 1024 }' "$WORK/time"
}

echo "mode: $MODE"
for mib in $PADDING; do
    for kind in attr text default; do
        file=$WORK/$kind-$mib.xml
        make "$kind" "$mib" "$file"
        row="$kind, $mib MiB padding"
        for entry in parse-string parse-file; do
            measure "$row: $entry" "$LIMITS" "$entry" "$file" "$MODE"
        done
        for entry in validate validate-cached; do
            measure "$row: $entry" "$LIMITS" "$entry" "$file" "$WORK/any.xsd" "$MODE"
        done
        for command in check events count; do
            # shellcheck disable=SC2086 # no word at all for the default mode
            measure "$row: $command" "$TOOL" "$command" $OPTION "$file"
        done
        # shellcheck disable=SC2086
        measure "$row: validate" "$TOOL" validate $OPTION --schema "" "$WORK/any.xsd" "$file"
        rm -f "$file"
    done
done
