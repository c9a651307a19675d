#!/bin/sh
# Builds the three Debian packages (libzolsax2parser2, libzolsax2parser-dev, zolsax2) into
# build-deb/ and checks them: contents, run paths, lintian, and the consumer built against
# them unpacked into a staging root. Nothing is installed into the system.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh dpkg-dev fakeroot file binutils lintian man-db bash-completion
build=${1:-build-deb}
cmake -S . -B "$build" -G Ninja -DCMAKE_INSTALL_PREFIX=/usr -DZOLSAX2PARSER_WERROR=ON \
    -DZOLSAX2PARSER_BUILD_TESTS=OFF -DZOLSAX2PARSER_BUILD_EXAMPLES=OFF
cmake --build "$build"
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB)
sh tests/packages/check.sh "$build"
