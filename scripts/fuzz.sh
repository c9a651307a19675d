#!/bin/sh
# Builds the libFuzzer targets with clang-14 (AddressSanitizer and UndefinedBehaviorSanitizer
# on) and runs each for a bounded time, seeded from the conformance suites when they are
# present. Usage: sh scripts/fuzz.sh [seconds per target, default 60]
# An input that crashes a target is copied to tests/hostile/regressions/, where the hostile
# suite replays it, and the script fails.
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-60}"
sh scripts/setup.sh clang-14 libclang-rt-14-dev
dir=build-sec-fuzz
flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DZOLSAX2PARSER_BUILD_FUZZ=ON -DZOLSAX2PARSER_BUILD_TESTS=OFF \
    -DZOLSAX2PARSER_BUILD_TOOLS=OFF -DZOLSAX2PARSER_BUILD_EXAMPLES=OFF
cmake --build "$dir" -j2 --target ZOLSAX2ParserFuzzer ZOLSAX2ValidatorFuzzer

# Seeds: small documents of the conformance suites, once.
conformance=../shared/conformance
seeds="$dir/seeds"
if [ ! -d "$seeds" ]; then
    mkdir -p "$seeds"
    if [ -d "$conformance" ]; then
        find "$conformance" -type f \( -name '*.xml' -o -name '*.xsd' -o -name '*.dtd' -o -name '*.ent' \) \
            -size -16k | sort | awk 'NR % 4 == 1' | head -n 2500 | while read -r f; do
            cp "$f" "$seeds/$(printf '%s' "$f" | cksum | cut -d' ' -f1)"
        done
    else
        echo "No conformance suites at $conformance: fuzzing without seeds."
    fi
fi
echo "Seeds: $(find "$seeds" -type f | wc -l) files"

# Full stacks at every allocation, as in sanitize.sh: the leak suppressions name Xerces
# functions that only a full unwind shows.
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1:fast_unwind_on_malloc=0"
export LSAN_OPTIONS="suppressions=$(pwd)/tests/lsan.supp:print_suppressions=0:fast_unwind_on_malloc=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
status=0
for target in ZOLSAX2ParserFuzzer ZOLSAX2ValidatorFuzzer; do
    corpus="$dir/corpus/$target"
    artifacts="$dir/artifacts/$target/"
    mkdir -p "$corpus" "$artifacts"
    echo "== $target for $seconds s"
    if ! "$dir/fuzz/$target" "$corpus" "$seeds" -max_total_time="$seconds" -max_len=16384 \
        -timeout=20 -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$artifacts" 2>"$dir/$target.log"; then
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
