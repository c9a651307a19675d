#!/bin/sh
# Compiles and runs the consumer with the flags pkg-config gives for a staged install.
set -eu
prefix=$1 source=$2 out=$3
pcdir=$(dirname "$(find "$prefix" -name ZOLSAX2Parser.pc | head -n 1)")
export PKG_CONFIG_PATH="$pcdir"
# The .pc file names the install prefix; point it at the staging directory instead.
flags=$(pkg-config --define-variable=prefix="$prefix" --cflags --libs ZOLSAX2Parser)
# shellcheck disable=SC2086
c++ -std=c++17 "$source" -o "$out" $flags
LD_LIBRARY_PATH="$(pkg-config --define-variable=prefix="$prefix" --variable=libdir ZOLSAX2Parser)" "$out"
