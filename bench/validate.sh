#!/bin/sh
# Validation benchmark: many documents against one schema.
#
#   bench/validate.sh [--rounds N] [--counts "1 10 100 1000 10000"] [--kinds "po docbook"]
#                     [--only "LABEL|LABEL..."] [--median] [--baseline TOOL]
#
# Builds build-bench/ (RelWithDebInfo, with the tool), generates two corpora into
# build-bench/validation/ (purchase orders against examples/purchase-order, and DocBook 5
# articles of 2 to 80 KiB against Debian's DocBook 5.0 XSD, some of each invalid), then
# validates the first N documents of each with every contender, round after round, and
# prints the fastest wall time of the rounds and the largest peak RSS of each. Verdicts are
# checked against xmllint's. --only keeps the contenders whose label matches the extended
# regular expression given (xmllint always runs); --median prints the median of the rounds
# instead of the fastest; --baseline adds "baseline -j 1" and "baseline -j 2", another build
# of the tool (an earlier commit's, say) run the same way. The load average at the start of
# each round is kept and printed.
# Raw lines: build-bench/validation/results.raw.
set -eu

ROUNDS=3
COUNTS="1 10 100 1000 10000"
KINDS="po docbook"
ONLY=""
STAT=fastest
BASELINE=""
# The uncached validator reads the schema for every document: 0.2 s each for DocBook.
UNCACHED_MAX=100
while [ $# -gt 0 ]; do
    case "$1" in
    --rounds) ROUNDS=$2; shift 2 ;;
    --counts) COUNTS=$2; shift 2 ;;
    --kinds) KINDS=$2; shift 2 ;;
    --only) ONLY=$2; shift 2 ;;
    --median) STAT=median; shift ;;
    --baseline) BASELINE=$2; shift 2 ;;
    *) echo "usage: $0 [--rounds N] [--counts \"1 10 ...\"] [--kinds \"po docbook\"] [--only \"A|B\"] [--median] [--baseline TOOL]" >&2; exit 2 ;;
    esac
done

SOURCE=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$SOURCE/build-bench
BIN=$BUILD/bench
TOOL=$BUILD/tools/zolsax2
WORK=$BUILD/validation
DOCBOOK_XSD=/usr/share/xml/docbook/schema/xsd/5.0/docbook.xsd

# The DocBook schema, xmllint, and what the other benchmarks need to build.
missing=""
for package in docbook5-xml libxml2-utils libexpat1-dev libxml2-dev; do
    dpkg -s "$package" >/dev/null 2>&1 || missing="$missing $package"
done
if [ -n "$missing" ]; then
    echo "installing$missing" >&2
    if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO=sudo; fi
    $SUDO apt-get update -qq
    # shellcheck disable=SC2086 # one word per package
    $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi

cmake -S "$SOURCE" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZOLSAX2PARSER_BUILD_BENCH=ON -DZOLSAX2PARSER_BUILD_TESTS=OFF \
    -DZOLSAX2PARSER_BUILD_EXAMPLES=OFF -DZOLSAX2PARSER_BUILD_TOOLS=ON >/dev/null
cmake --build "$BUILD" -j2 >/dev/null

# The largest count of each kind is generated once; smaller counts take its first files.
largest=0
for count in $COUNTS; do [ "$count" -gt "$largest" ] && largest=$count; done
for kind in $KINDS; do
    dir=$WORK/$kind
    if [ ! -f "$dir/.count" ] || [ "$(cat "$dir/.count")" -lt "$largest" ]; then
        rm -rf "$dir"
        mkdir -p "$dir"
        "$BIN/zolbench-validation-corpus" "$kind" "$largest" "$dir"
        echo "$largest" >"$dir/.count"
    fi
done

namespace_of() { case "$1" in po) echo urn:example:purchase-order ;; docbook) echo http://docbook.org/ns/docbook ;; esac; }
schema_of() { case "$1" in po) echo "$SOURCE/examples/purchase-order/purchase-order.xsd" ;; docbook) echo "$DOCBOOK_XSD" ;; esac; }

# contenders KIND COUNT: one "label|command" line each, as --only keeps them; FILES stands for
# the documents.
contenders() {
    if [ -n "$ONLY" ]; then
        all_contenders "$@" | grep -E "^($ONLY|xmllint)\|"
    else
        all_contenders "$@"
    fi
}
all_contenders() {
    ns=$(namespace_of "$1")
    xsd=$(schema_of "$1")
    echo "zolsax2 -j 1|$TOOL validate -j 1 --schema $ns $xsd FILES"
    echo "zolsax2 -j 2|$TOOL validate -j 2 --schema $ns $xsd FILES"
    if [ -n "$BASELINE" ]; then
        echo "baseline -j 1|$BASELINE validate -j 1 --schema $ns $xsd FILES"
        echo "baseline -j 2|$BASELINE validate -j 2 --schema $ns $xsd FILES"
    fi
    echo "library cached, 1 thread|$BIN/zolbench-validate --jobs 1 $ns $xsd FILES"
    echo "library cached, 2 threads|$BIN/zolbench-validate --jobs 2 $ns $xsd FILES"
    [ "$2" -le "$UNCACHED_MAX" ] && echo "library uncached|$BIN/zolbench-validate --uncached $ns $xsd FILES"
    echo "Xerces cached grammar|$BIN/zolbench-validate-floor $ns $xsd FILES"
    echo "xmllint|xmllint --noout --schema $xsd FILES"
}

# The verdicts of an output, one "FILE VERDICT" line each, sorted.
verdicts() {
    sed -n 's/^\(.*\) \(validates\|fails to validate\)$/\1 \2/p' "$1" | sort
}

RAW=$WORK/results.raw
: >"$RAW"
for kind in $KINDS; do
    for count in $COUNTS; do
        files=$(find "$WORK/$kind" -name "$kind-*.xml" | sort | head -n "$count" | tr '\n' ' ')
        megabytes=$(cat $files | wc -c | awk '{ printf "%.1f", $1 / 1048576 }')
        round=1
        while [ "$round" -le "$ROUNDS" ]; do
            echo "load|$kind|$count|$round|$(cut -d' ' -f1-3 /proc/loadavg)" >>"$RAW"
            contenders "$kind" "$count" | while IFS='|' read -r label command; do
                out=$WORK/out.$(echo "$label" | tr 'A-Z' 'a-z' | tr -c 'a-z0-9\n' '-')
                # shellcheck disable=SC2086 # the command and the files are word lists
                figures=$("$BIN/zolbench-measure" "$out" ${command% FILES} $files)
                echo "$kind|$count|$megabytes|$label|$figures" >>"$RAW"
            done
            round=$((round + 1))
        done
        # Verdicts of the last round, against xmllint's.
        verdicts "$WORK/out.xmllint" >"$WORK/verdicts.xmllint"
        contenders "$kind" "$count" | while IFS='|' read -r label command; do
            out=$WORK/out.$(echo "$label" | tr 'A-Z' 'a-z' | tr -c 'a-z0-9\n' '-')
            verdicts "$out" >"$WORK/verdicts.other"
            differ=$(diff "$WORK/verdicts.xmllint" "$WORK/verdicts.other" | grep -c '^>' || true)
            invalid=$(grep -c 'fails to validate$' "$WORK/verdicts.other" || true)
            echo "verdicts|$kind|$count|$label|$differ|$invalid" >>"$RAW"
        done
    done
done

echo
if [ "$STAT" = median ]; then
    echo "Wall and processor seconds: the median of $ROUNDS alternating rounds (each its own median);"
else
    echo "Wall and processor seconds: the fastest of $ROUNDS rounds (each its own fastest);"
fi
echo "ratios to xmllint's; peak RSS: the largest of the rounds. Load average (1, 5, 15 min) at the"
echo "start of the rounds, lowest and highest 1-minute figure:"
awk -F'|' '$1 == "load" { split($5, l, " "); if (!(n++) || l[1] < lo) lo = l[1]; if (l[1] > hi) hi = l[1]; last = $5 }
    END { if (n) printf "%s to %s (last round: %s)\n", lo, hi, last }' "$RAW"
echo
echo "| documents | N | MB | contender | wall s | × xmllint | CPU s | × xmllint | peak RSS MiB | invalid | verdicts differing from xmllint |"
echo "|---|---:|---:|---|---:|---:|---:|---:|---:|---:|---:|"
awk -F'|' -v stat="$STAT" '
    # The median of the space-separated numbers in list.
    function median(list,    v, m, i, j, t) {
        m = split(list, v, " ")
        for (i = 2; i <= m; i++)
            for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
        return m % 2 ? v[(m + 1) / 2] : (v[m / 2] + v[m / 2 + 1]) / 2
    }
    $1 == "load" { next }
    $1 == "verdicts" { differ[$2 "|" $3 "|" $4] = $5; invalid[$2 "|" $3 "|" $4] = $6; next }
    {
        key = $1 "|" $2 "|" $4
        split($5, f, " ")
        sub("seconds=", "", f[1]); sub("maxrss_kib=", "", f[2]); sub("cpu=", "", f[4])
        if (!(key in best) || f[1] + 0 < best[key] + 0) best[key] = f[1]
        if (!(key in cpu) || f[4] + 0 < cpu[key] + 0) cpu[key] = f[4]
        walls[key] = walls[key] " " f[1]
        cpus[key] = cpus[key] " " f[4]
        if (f[2] + 0 > rss[key] + 0) rss[key] = f[2]
        mb[key] = $3
        if (!(key in order)) { order[key] = ++n; keys[n] = key }
    }
    END {
        if (stat == "median")
            for (i = 1; i <= n; i++) { best[keys[i]] = median(walls[keys[i]]); cpu[keys[i]] = median(cpus[keys[i]]) }
        for (i = 1; i <= n; i++) {
            split(keys[i], k, "|")
            reference = k[1] "|" k[2] "|xmllint"
            printf "| %s | %s | %s | %s | %.3f | %.2f | %.3f | %.2f | %.1f | %s | %s |\n", k[1], k[2], mb[keys[i]], k[3],
                best[keys[i]], best[keys[i]] / best[reference], cpu[keys[i]], cpu[keys[i]] / cpu[reference],
                rss[keys[i]] / 1024, invalid[keys[i]], differ[keys[i]]
        }
    }' "$RAW"
