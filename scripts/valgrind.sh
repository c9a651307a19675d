#!/bin/sh
# Runs the unit tests once under valgrind memcheck; any memory error or definite leak
# fails. Usage: sh scripts/valgrind.sh [build directory, default build-sec-valgrind]
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh valgrind
dir="${1:-build-sec-valgrind}"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZOLSAX2PARSER_WERROR=ON
tests=""
for source in tests/*Test.cpp; do
    tests="$tests $(basename "$source" .cpp)"
done
# shellcheck disable=SC2086
cmake --build "$dir" -j2 --target $tests
status=0
for t in $tests; do
    log="$dir/valgrind-$t.log"
    start=$(date +%s)
    if valgrind --tool=memcheck --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite \
        --show-leak-kinds=definite --track-origins=yes --suppressions=tests/valgrind.supp \
        --log-file="$log" "$dir/tests/$t" >"$dir/valgrind-$t.out" 2>&1; then
        echo "$t: clean ($(($(date +%s) - start)) s)"
    else
        echo "$t: FAILED (see $log)"
        tail -n 40 "$log"
        status=1
    fi
done
exit "$status"
