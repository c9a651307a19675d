#!/bin/sh
# Compiles and runs the consumer with the flags pkg-config gives for an installed prefix,
# taken as it is: the .pc file must find its prefix from where it lies.
set -eu
prefix=$1 source=$2 out=$3
pcdir=$(dirname "$(find "$prefix" -name ZOLSAX2Parser.pc | head -n 1)")
export PKG_CONFIG_PATH="$pcdir"
includedir=$(pkg-config --variable=includedir ZOLSAX2Parser)
case "$(realpath "$includedir")/" in
"$(realpath "$prefix")"/*) ;;
*)
    echo "pkg-config names $includedir, not the headers installed under $prefix" >&2
    exit 1
    ;;
esac
flags=$(pkg-config --cflags --libs ZOLSAX2Parser)
# shellcheck disable=SC2086
c++ -std=c++17 "$source" -o "$out" $flags
LD_LIBRARY_PATH="$(pkg-config --variable=libdir ZOLSAX2Parser)" "$out"
