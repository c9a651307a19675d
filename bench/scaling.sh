#!/bin/sh
# Files per second of zolsax2 check and validate on one machine, for docs/scaling.md.
#
#   bench/scaling.sh [--files N] [--rounds R] [--zolsax2 PATH]
#
# Generates N purchase orders (about 1 KiB each, one in ten invalid) and N DocBook 5
# articles (2 to 80 KiB, one in ten invalid; needs the docbook5-xml package) into
# build-scaling/files, then times check and validate with -j 1 and -j 2 over each set, the
# fastest of R rounds. Without --zolsax2 it builds the tool in build-scaling.
set -eu

FILES=2000
ROUNDS=3
ZOLSAX2=""
while [ $# -gt 0 ]; do
    case "$1" in
    --files) FILES=$2; shift 2 ;;
    --rounds) ROUNDS=$2; shift 2 ;;
    --zolsax2) ZOLSAX2=$2; shift 2 ;;
    *) echo "usage: $0 [--files N] [--rounds R] [--zolsax2 PATH]" >&2; exit 2 ;;
    esac
done

SOURCE=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$SOURCE/build-scaling
if [ -z "$ZOLSAX2" ]; then
    cmake -S "$SOURCE" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZOLSAX2PARSER_BUILD_TESTS=OFF \
        -DZOLSAX2PARSER_BUILD_EXAMPLES=OFF >/dev/null
    cmake --build "$BUILD" -j2 --target zolsax2 >/dev/null
    ZOLSAX2=$BUILD/tools/zolsax2
fi
PO_SCHEMA=$SOURCE/examples/purchase-order/purchase-order.xsd
DOCBOOK=/usr/share/xml/docbook/schema/xsd/5.0/docbook.xsd

# The sets are deterministic, so they are made once per size.
generate() {
    set_dir=$1
    kind=$2
    [ -f "$set_dir/list" ] && return
    mkdir -p "$set_dir"
    awk -v n="$FILES" -v dir="$set_dir" -v kind="$kind" '
    function order(i, file) {
        printf "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" > file
        printf "<purchaseOrder xmlns=\"urn:example:purchase-order\" orderDate=\"2026-%02d-%02d\" status=\"%s\">\n", \
            i % 12 + 1, i % 28 + 1, (i % 10 == 7 ? "lost" : "open") > file
        printf "  <shipTo country=\"DE\">\n    <name>Customer %d</name>\n    <street>Street %d</street>\n", i, i % 97 > file
        printf "    <city>City %d</city>\n  </shipTo>\n  <items>\n", i % 31 > file
        for (k = 0; k < i % 5 + 1; k++)
            printf "    <item sku=\"%03d-AB\">\n      <productName>Part %d</productName>\n      <quantity>%d</quantity>\n      <price>%d.99</price>\n    </item>\n", \
                (i + k) % 1000, k, k + 1, k + 3 > file
        printf "  </items>\n</purchaseOrder>\n" > file
    }
    function article(i, file,   size, s, p, w) {
        size = 2048 + (i * 7919) % (78 * 1024)
        printf "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" > file
        printf "<article xmlns=\"http://docbook.org/ns/docbook\" version=\"5.0\" xml:id=\"a%d\">\n", i > file
        printf "  <info><title>Article %d</title><author><personname>Author %d</personname></author></info>\n", i, i % 50 > file
        written = 200
        for (s = 1; written < size; s++) {
            printf "  <section xml:id=\"a%d-s%d\">\n    <title>Section %d</title>\n", i, s, s > file
            for (p = 0; p < 4 && written < size; p++) {
                printf "    <para>" > file
                for (w = 0; w < 60; w++)
                    printf "%s ", words[(i + s * 7 + p * 13 + w) % 12] > file
                printf "<emphasis>note</emphasis> and <link linkend=\"a%d-s1\">see</link>.</para>\n", i > file
                written += 480
            }
            if (i % 10 == 3 && s == 1)
                printf "    <bogus>not DocBook</bogus>\n" > file
            printf "  </section>\n" > file
        }
        printf "</article>\n" > file
    }
    BEGIN {
        split("validate check schema document element attribute namespace grammar parser reader entity text", words, " ")
        for (i = 0; i < n; i++) {
            file = sprintf("%s/%05d.xml", dir, i)
            if (kind == "po") order(i, file); else article(i, file)
            close(file)
            print file > (dir "/list")
        }
    }'
}

seconds() {
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    echo "$start $end" | awk '{ printf "%.3f", $2 - $1 }'
}

# label, set, then the command without its files; prints the fastest round.
measure() {
    label=$1
    set_dir=$2
    shift 2
    best=""
    round=0
    while [ "$round" -lt "$ROUNDS" ]; do
        t=$(seconds "$@" --files-from "$set_dir/list")
        best=$(echo "${best:-$t} $t" | awk '{ print ($2 < $1 ? $2 : $1) }')
        round=$((round + 1))
    done
    bytes=$(cat "$set_dir"/*.xml | wc -c)
    echo "$label $best $bytes" | awk -v n="$FILES" \
        '{ printf "| %s | %d | %.1f | %.3f | %.0f | %.1f |\n", $1, n, $3 / 1048576, $2, n / $2, $3 / 1048576 / $2 }'
}

generate "$BUILD/files/po-$FILES" po
echo "| run | files | MiB | seconds | files/s | MiB/s |"
echo "|---|---:|---:|---:|---:|---:|"
for jobs in 1 2; do
    measure "check-po-j$jobs" "$BUILD/files/po-$FILES" "$ZOLSAX2" check -q -j "$jobs"
    measure "validate-po-j$jobs" "$BUILD/files/po-$FILES" "$ZOLSAX2" validate -q -j "$jobs" \
        --schema urn:example:purchase-order "$PO_SCHEMA"
done
if [ -f "$DOCBOOK" ]; then
    generate "$BUILD/files/docbook-$FILES" docbook
    for jobs in 1 2; do
        measure "check-docbook-j$jobs" "$BUILD/files/docbook-$FILES" "$ZOLSAX2" check -q -j "$jobs"
        measure "validate-docbook-j$jobs" "$BUILD/files/docbook-$FILES" "$ZOLSAX2" validate -q -j "$jobs" \
            --schema http://docbook.org/ns/docbook "$DOCBOOK"
    done
else
    echo "docbook5-xml is not installed: DocBook runs skipped" >&2
fi
