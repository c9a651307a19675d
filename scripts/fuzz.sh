#!/bin/sh
# Builds the libFuzzer targets with clang-14 (AddressSanitizer and UndefinedBehaviorSanitizer
# on) and runs each for a bounded time, two at a time, seeded from the conformance suites
# when they are present. Usage: sh scripts/fuzz.sh [seconds per target, default 60]
#
# Targets: the parser and the validator in secure mode and in the default mode, and the
# secure validator on a schema and a document fuzzed together, and the differential target
# (the library's events, records and verdict against the raw reader's). Every target runs in a
# network namespace of its own (unshare -n), so nothing it is made to fetch leaves the
# machine, and in an empty directory, so relative names find nothing. Where no namespace
# can be had, only the secure parser and validator run, and the script says so.
# An input that crashes a target is copied to tests/hostile/regressions/ under the target's
# name, where the hostile suite replays it as that target runs it, and the script fails.
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-60}"
sh scripts/setup.sh clang-14 libclang-rt-14-dev util-linux
dir=build-sec-fuzz
flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DZOLSAX2PARSER_BUILD_FUZZ=ON -DZOLSAX2PARSER_BUILD_TESTS=OFF \
    -DZOLSAX2PARSER_BUILD_TOOLS=OFF -DZOLSAX2PARSER_BUILD_EXAMPLES=OFF
secure="ZOLSAX2ParserFuzzer ZOLSAX2ValidatorFuzzer"
isolated="ZOLSAX2ParserDefaultFuzzer ZOLSAX2ValidatorDefaultFuzzer ZOLSAX2SchemaFuzzer ZOLSAX2DifferentialFuzzer"
# shellcheck disable=SC2086
cmake --build "$dir" -j2 --target $secure $isolated

isolate="unshare -n"
if ! unshare -n true 2>/dev/null; then
    if unshare -rn true 2>/dev/null; then
        isolate="unshare -rn"
    else
        echo "No network namespace available (unshare -n): the default-mode, schema and differential targets do not run."
        isolate=""
        isolated=""
    fi
fi

# Seeds, once: small documents of the conformance suites (the validator targets, about ten
# times slower per input, take a third of them), and for the schema target, schemas of the
# schema suite each followed by a NUL byte and the instance of the same name.
conformance=../shared/conformance
seeds="$dir/seeds"
thinSeeds="$dir/seeds-thin"
schemaSeeds="$dir/seeds-schema"
if [ ! -d "$schemaSeeds" ]; then
    rm -rf "$seeds" "$thinSeeds"
    mkdir -p "$seeds" "$thinSeeds" "$schemaSeeds"
    if [ -d "$conformance" ]; then
        find "$conformance" -type f \( -name '*.xml' -o -name '*.xsd' -o -name '*.dtd' -o -name '*.ent' \) \
            -size -16k | sort | awk 'NR % 4 == 1' | head -n 2500 | while read -r f; do
            cp "$f" "$seeds/$(printf '%s' "$f" | cksum | cut -d' ' -f1)"
        done
        find "$seeds" -type f | sort | awk 'NR % 3 == 1' | while read -r f; do cp "$f" "$thinSeeds/"; done
        find "$conformance/xsdtests" -type f -name '*.xsd' -size -8k | sort | while read -r f; do
            instance="${f%.xsd}.xml"
            [ -f "$instance" ] && printf '%s\n' "$f"
        done | awk 'NR % 10 == 1' | while read -r f; do
            { cat "$f"; printf '\000'; cat "${f%.xsd}.xml"; } >"$schemaSeeds/$(printf '%s' "$f" | cksum | cut -d' ' -f1)"
        done
    else
        echo "No conformance suites at $conformance: fuzzing without seeds."
    fi
fi
echo "Seeds: $(find "$seeds" -type f | wc -l) documents ($(find "$thinSeeds" -type f | wc -l) for the validator)," \
    "$(find "$schemaSeeds" -type f | wc -l) schema pairs"

# Full stacks at every allocation, as in sanitize.sh: the leak suppressions name Xerces
# functions that only a full unwind shows.
root=$(pwd)
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1:fast_unwind_on_malloc=0"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0:fast_unwind_on_malloc=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
empty="$root/$dir/empty"
rm -rf "$empty" "$dir"/*.status
mkdir -p "$empty"

# Runs one target in the background; its exit status goes to $dir/TARGET.status.
start() {
    target=$1
    corpus="$root/$dir/corpus/$target"
    artifacts="$root/$dir/artifacts/$target/"
    mkdir -p "$corpus" "$artifacts"
    case "$target" in
    ZOLSAX2SchemaFuzzer) targetSeeds="$root/$schemaSeeds" ;;
    ZOLSAX2Validator*) targetSeeds="$root/$thinSeeds" ;;
    *) targetSeeds="$root/$seeds" ;;
    esac
    echo "== $target for $seconds s${isolate:+ ($isolate)}"
    (
        cd "$empty"
        status=0
        # shellcheck disable=SC2086
        $isolate "$root/$dir/fuzz/$target" "$corpus" "$targetSeeds" -max_total_time="$seconds" -max_len=16384 \
            -timeout=20 -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$artifacts" \
            </dev/null 2>"$root/$dir/$target.log" || status=$?
        echo "$status" >"$root/$dir/$target.status"
    ) &
}

# Two at a time: the machine has two cores.
running=0
for target in $secure $isolated; do
    start "$target"
    running=$((running + 1))
    if [ "$running" -eq 2 ]; then
        wait
        running=0
    fi
done
wait

status=0
for target in $secure $isolated; do
    artifacts="$dir/artifacts/$target/"
    echo "== $target"
    if [ "$(cat "$dir/$target.status")" != 0 ]; then
        status=1
        tail -n 60 "$dir/$target.log"
        mkdir -p tests/hostile/regressions
        for crash in "$artifacts"*; do
            [ -f "$crash" ] || continue
            cp "$crash" "tests/hostile/regressions/$target-$(basename "$crash")"
            echo "Kept $crash as tests/hostile/regressions/$target-$(basename "$crash")"
        done
    fi
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ *DONE)' "$dir/$target.log" || true
done
exit "$status"
