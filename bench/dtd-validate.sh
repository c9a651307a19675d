#!/bin/sh
# DTD validation benchmark: zolsax2 validate --dtd -j 1 against xmllint --noout --valid on the
# same generated DocBook 4.5 articles (about 17 KiB each, every tenth invalid, with &mdash; and
# other entities of the DTD), in the same run, offline through /etc/xml/catalog.
#
#   bench/dtd-validate.sh [--count N] [--tool PATH]
#
# Builds build-bench/ (RelWithDebInfo, with the tool) unless --tool names a zolsax2. Prints the
# wall and CPU time (user + system) of each contender and the ratio, and checks that both give
# the same verdict for every file.
set -eu

COUNT=1000
TOOL=""
while [ $# -gt 0 ]; do
    case "$1" in
    --count) COUNT=$2; shift 2 ;;
    --tool) TOOL=$(realpath "$2"); shift 2 ;;
    *) echo "usage: $0 [--count N] [--tool PATH]" >&2; exit 2 ;;
    esac
done

SOURCE=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$SOURCE/build-bench
if [ -z "$TOOL" ]; then
    cmake -S "$SOURCE" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD" --target zolsax2 >/dev/null
    TOOL=$BUILD/tools/zolsax2
fi
command -v xmllint >/dev/null || { echo "$0: xmllint is not installed (libxml2-utils)" >&2; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# One article: sections of paragraphs; every tenth file has an element DocBook does not know.
awk -v count="$COUNT" -v dir="$WORK" 'BEGIN {
    for (n = 1; n <= count; n++) {
        file = sprintf("%s/article-%04d.xml", dir, n)
        print "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" > file
        print "<!DOCTYPE article PUBLIC \"-//OASIS//DTD DocBook XML V4.5//EN\" \"http://www.oasis-open.org/docbook/xml/4.5/docbookx.dtd\">" > file
        printf "<article id=\"a%d\" lang=\"en\">\n<title>Article %d &mdash; generated</title>\n", n, n > file
        for (s = 1; s <= 8; s++) {
            printf "<sect1 id=\"a%d-s%d\"><title>Section %d</title>\n", n, s, s > file
            for (p = 1; p <= 10; p++)
                printf "<para>Paragraph %d of section %d &ndash; some <emphasis>text</emphasis> &mdash; with <literal>code</literal>, a <ulink url=\"http://example.org/%d\">link</ulink> &copy; and more words to make it longer &hellip; end.</para>\n", p, s, p > file
            if (n % 10 == 0 && s == 4)
                print "<para>An <unknown>element</unknown> here.</para>" > file
            print "</sect1>" > file
        }
        print "</article>" > file
        close(file)
    }
}'
ls "$WORK"/article-*.xml >"$WORK/list"
size=$(cat "$WORK"/article-*.xml | wc -c)
echo "$COUNT DocBook 4.5 articles, $size bytes; $TOOL"

# Wall and CPU seconds of a command, its output discarded: "WALL CPU".
measure() {
    /usr/bin/time -f "%e %U %S" -o "$WORK/time" "$@" >"$WORK/out" 2>&1 || true
    tail -n 1 "$WORK/time" | awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }'
}
ours=$(measure "$TOOL" validate --dtd -q -j 1 --files-from "$WORK/list")
cp "$WORK/out" "$WORK/ours.out"
theirs=$(measure sh -c 'while read -r f; do xmllint --noout --valid --nonet "$f" >/dev/null 2>&1 && echo "$f validates" || echo "$f fails to validate"; done <"$1"' sh "$WORK/list")
cp "$WORK/out" "$WORK/theirs.out"
printf '%-40s %8s %8s\n' "" "wall s" "CPU s"
printf '%-40s %8s %8s\n' "zolsax2 validate --dtd -j 1" $ours
printf '%-40s %8s %8s\n' "xmllint --noout --valid (one per file)" $theirs
echo "$ours $theirs" | awk '{ printf "zolsax2 is %.0f times faster (wall), %.0f times (CPU)\n", $3 / $1, $4 / $2 }'

# Same verdicts: zolsax2 -q prints the failed files only.
grep ' fails to validate$' "$WORK/ours.out" | sort >"$WORK/ours.failed" || true
grep ' fails to validate$' "$WORK/theirs.out" | sort >"$WORK/theirs.failed" || true
if cmp -s "$WORK/ours.failed" "$WORK/theirs.failed"; then
    echo "verdicts: the same for every file ($(wc -l <"$WORK/ours.failed") invalid)"
else
    echo "verdicts differ:"
    diff "$WORK/ours.failed" "$WORK/theirs.failed" | head
    exit 1
fi
