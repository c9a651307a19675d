#!/bin/sh
# Builds the thread lifecycle test (six threads creating, using and destroying parsers and
# validators, and a host thread that initialises Xerces through ZOLSAX2PlatformScope and
# parses with a raw reader beside three of them) and the shared schema set's test (eight
# threads validating with one set) with ThreadSanitizer in its own directory and runs them. Xerces-C++ is the
# system's uninstrumented library: races inside it are invisible here, but its locks and
# allocations go through the sanitizer's interceptors, so it causes no false reports.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
dir=build-tsan
# No -Werror here: GCC warns about the converter's uninstrumented block readers.
cmake -S . -B "$dir" -G Ninja -DZOLSAX2PARSER_WERROR=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZOLSAX2PARSER_BUILD_TOOLS=OFF -DZOLSAX2PARSER_BUILD_EXAMPLES=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=thread" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=thread"
cmake --build "$dir" -j2 --target ZOLSAX2PlatformTest ZOLSAX2SchemaSetTest
TSAN_OPTIONS="halt_on_error=1:exitcode=66"
export TSAN_OPTIONS
# Kernels with wide address-space randomisation can upset ThreadSanitizer's memory layout;
# running without randomisation avoids that where setarch is available.
norandom=""
if command -v setarch >/dev/null 2>&1 && setarch "$(uname -m)" -R true 2>/dev/null; then
    norandom="setarch $(uname -m) -R"
fi
for test in ZOLSAX2PlatformTest ZOLSAX2SchemaSetTest; do
    $norandom "$dir/tests/$test" "$@"
done
