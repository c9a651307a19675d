#!/bin/sh
# Builds the benchmarks, generates the corpora and prints the comparison tables.
#
#   bench/run.sh [--rounds N] [--sizes "4 16 64 256"] [--shapes "mixed ..."] [--no-callgrind]
#
# Everything lands in build-bench/ under the source tree (corpora in build-bench/corpus).
# Wall-clock figures are the fastest of N alternating rounds; callgrind instruction counts
# cover the parse call only and do not depend on the machine's load.
set -eu

ROUNDS=5
SIZES="4 16 64 256"
SHAPES="mixed attributes text unicode pi"
CALLGRIND=yes
while [ $# -gt 0 ]; do
    case "$1" in
    --rounds) ROUNDS=$2; shift 2 ;;
    --sizes) SIZES=$2; shift 2 ;;
    --shapes) SHAPES=$2; shift 2 ;;
    --no-callgrind) CALLGRIND=no; shift ;;
    *) echo "usage: $0 [--rounds N] [--sizes \"4 16 ...\"] [--shapes \"mixed ...\"] [--no-callgrind]" >&2; exit 2 ;;
    esac
done

SOURCE=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$SOURCE/build-bench
CORPUS=$BUILD/corpus
BIN=$BUILD/bench

# expat and libxml2 are needed for the benchmarks only.
missing=""
for package in libexpat1-dev libxml2-dev; do
    dpkg -s "$package" >/dev/null 2>&1 || missing="$missing $package"
done
if [ -n "$missing" ]; then
    echo "installing$missing" >&2
    if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO=sudo; fi
    $SUDO apt-get update -qq
    # shellcheck disable=SC2086 # one word per package
    $SUDO apt-get install -y -qq $missing
fi
if [ "$CALLGRIND" = yes ] && ! command -v valgrind >/dev/null 2>&1; then
    echo "valgrind not found: instruction counts skipped (install valgrind or pass --no-callgrind)" >&2
    CALLGRIND=no
fi

cmake -S "$SOURCE" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZOLSAX2PARSER_BUILD_BENCH=ON -DZOLSAX2PARSER_BUILD_TESTS=OFF \
    -DZOLSAX2PARSER_BUILD_EXAMPLES=OFF -DZOLSAX2PARSER_BUILD_TOOLS=OFF >/dev/null
cmake --build "$BUILD" -j2 >/dev/null

mkdir -p "$CORPUS"
for shape in $SHAPES; do
    for size in 4 $SIZES; do
        file=$CORPUS/$shape-$size.xml
        [ -f "$file" ] || "$BIN/zolbench-corpus" "$shape" "$size" "$file"
    done
done

# The contenders: a label and a command line without the file.
CONTENDERS="floor|zolbench-floor
library|zolbench-library:all
library-none|zolbench-library:none
naive|zolbench-naive
expat|zolbench-expat
libxml2|zolbench-libxml2"
SWEEP="floor|zolbench-floor
library|zolbench-library:all
library-none|zolbench-library:none"

# run PROGRAM[:ARG] FILE: prints "seconds maxrss_kib bytes events"
run() {
    program=${1%%:*}
    arg=""
    case "$1" in *:*) arg=${1#*:} ;; esac
    # shellcheck disable=SC2086 # no word at all when there is no argument
    "$BIN/$program" "$2" $arg | awk '{
        for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
        print v["seconds"], v["maxrss_kib"], v["bytes"], v["events"] }'
}

# instructions PROGRAM[:ARG] FILE: the parse call's instruction count under callgrind
instructions() {
    program=${1%%:*}
    arg=""
    case "$1" in *:*) arg=${1#*:} ;; esac
    # shellcheck disable=SC2086 # no word at all when there is no argument
    valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file=/dev/null \
        "$BIN/$program" "$2" $arg 2>&1 >/dev/null | sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}

RESULTS=$BUILD/results.txt
: >"$RESULTS"

# Alternating rounds: every contender runs once per round, so drifting load on the
# machine touches all of them alike.
measure() { # measure CONTENDER-LIST SIZE
    list=$1
    size=$2
    for shape in $SHAPES; do
        file=$CORPUS/$shape-$size.xml
        round=1
        while [ "$round" -le "$ROUNDS" ]; do
            echo "$list" | while IFS='|' read -r label command; do
                echo "$shape $size $label $(run "$command" "$file")" >>"$RESULTS.raw"
            done
            round=$((round + 1))
        done
    done
}

rm -f "$RESULTS.raw"
measure "$CONTENDERS" 4
for size in $SIZES; do
    [ "$size" = 4 ] || measure "$SWEEP" "$size"
done

# Fastest round and largest peak RSS per shape, size and contender.
awk '{ key = $1 " " $2 " " $3
       if (!(key in best) || $4 < best[key]) best[key] = $4
       if ($5 > rss[key]) rss[key] = $5 }
     END { for (k in best) print k, best[k], rss[k] }' "$RESULTS.raw" | sort >"$RESULTS"

if [ "$CALLGRIND" = yes ]; then
    : >"$RESULTS.ir"
    for shape in $SHAPES; do
        echo "$CONTENDERS" | while IFS='|' read -r label command; do
            echo "$shape $label $(instructions "$command" "$CORPUS/$shape-4.xml")" >>"$RESULTS.ir"
        done
    done
else
    : >"$RESULTS.ir"
fi

echo
echo "## 4 MiB documents: fastest of $ROUNDS alternating rounds; ratios to the floor"
echo
echo "| shape | contender | MiB/s | time | peak RSS (MiB) | RSS - floor (KiB) | instructions | instr. |"
echo "|---|---|---:|---:|---:|---:|---:|---:|"
for shape in $SHAPES; do
    bytes=$(stat -c %s "$CORPUS/$shape-4.xml")
    echo "$CONTENDERS" | while IFS='|' read -r label command; do
        awk -v shape="$shape" -v label="$label" -v bytes="$bytes" '
            FILENAME == ARGV[1] && $1 == shape && $2 == 4 { t[$3] = $4; r[$3] = $5 }
            FILENAME == ARGV[2] && $1 == shape { ir[$2] = $3 }
            END {
                mibs = bytes / 1048576 / t[label]
                irs = (label in ir && ir[label] != "") ? sprintf("%d", ir[label]) : "-"
                irr = (label in ir && ir[label] != "" && ir["floor"] > 0) ? sprintf("%.3f", ir[label] / ir["floor"]) : "-"
                printf "| %s | %s | %.0f | %.3f | %.1f | %+d | %s | %s |\n", shape, label, mibs,
                    t[label] / t["floor"], r[label] / 1024, r[label] - r["floor"], irs, irr
            }' "$RESULTS" "$RESULTS.ir"
    done
done

echo
echo "## Size sweep: milliseconds per MiB (fastest of $ROUNDS) and peak RSS"
echo
header="| shape | contender |"
rule="|---|---|"
for size in $SIZES; do
    header="$header $size MiB: ms/MiB | RSS MiB |"
    rule="$rule---:|---:|"
done
echo "$header"
echo "$rule"
for shape in $SHAPES; do
    echo "$SWEEP" | while IFS='|' read -r label command; do
        line="| $shape | $label |"
        for size in $SIZES; do
            bytes=$(stat -c %s "$CORPUS/$shape-$size.xml")
            cell=$(awk -v shape="$shape" -v label="$label" -v size="$size" -v bytes="$bytes" '
                $1 == shape && $2 == size && $3 == label {
                    printf "%.2f | %.1f", $4 * 1000 / (bytes / 1048576), $5 / 1024 }' "$RESULTS")
            line="$line $cell |"
        done
        echo "$line"
    done
done
