#!/bin/sh
# Builds the project and runs the whole test suite.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
cmake -S . -B build -G Ninja -DZOLSAX2PARSER_WERROR=ON
cmake --build build
cd build && ctest --output-on-failure -j2
