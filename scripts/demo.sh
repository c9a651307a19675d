#!/bin/sh
# Builds the library and shows its main job on the shipped examples.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
cmake -S . -B build -G Ninja
cmake --build build
cmake --install build --prefix build/stage >/dev/null
ex=examples/purchase-order
build/examples/zolsax2-demo "$ex"
