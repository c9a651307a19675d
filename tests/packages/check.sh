#!/bin/sh
# Checks the Debian packages in BUILD (the folder cpack wrote them to): each holds exactly
# the files the build expects, nothing it installs into a system folder has a run path,
# lintian finds no error; then, unpacked with dpkg-deb -x into a staging root (nothing is
# installed into the system), the consumer builds with find_package and with pkg-config and
# runs, the tool runs, its manual page renders and its completion offers the commands.
set -eu
build=$(realpath "$1")
source=$(cd "$(dirname "$0")/../.." && pwd)
stage=$build/package-stage
fail() {
    echo "check.sh: $*" >&2
    exit 1
}

debs=$(find "$build" -maxdepth 1 -name '*.deb' | sort)
[ "$(echo "$debs" | wc -l)" = 3 ] || fail "expected three packages in $build, found: $debs"
rm -rf "$stage"
mkdir -p "$stage"
for deb in $debs; do
    package=$(dpkg-deb -f "$deb" Package)
    echo "== $package: $(dpkg-deb -f "$deb" Version), Depends: $(dpkg-deb -f "$deb" Depends)"
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | sort >"$build/$package.found"
    sort "$build/debian/$package.contents" | diff -u - "$build/$package.found" ||
        fail "$package does not hold the expected files (expected first, found second)"
    lintian --fail-on error --suppress-tags initial-upload-closes-no-bugs "$deb" ||
        fail "lintian reports errors on $package"
    # A postrm would keep a removed package listed (state rc) until it is purged.
    if dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -Eq '(^|/)post(inst|rm)$'; then
        fail "$package has maintainer scripts"
    fi
    if [ "$(dpkg-deb -f "$deb" Section)" = libs ]; then
        dpkg-deb -I "$deb" triggers | grep -qx 'activate-noawait ldconfig' || fail "$package has no ldconfig trigger"
    fi
    dpkg-deb -x "$deb" "$stage"
done
for file in $(find "$stage" -type f -perm -u+x) $(find "$stage" -name '*.so.*' -type f); do
    if readelf -d "$file" 2>/dev/null | grep -Eq 'R(UN)?PATH'; then
        fail "$file has a run path"
    fi
done

usr=$stage/usr
libdir=$(dirname "$(find "$usr" -name 'libZOLSAX2Parser.so' | head -n 1)")
cmake -DSOURCE="$source/tests/consumer" -DBINARY="$build/package-consumer" -DPREFIX="$usr" -DGENERATOR=Ninja \
    -P "$source/tests/consumer/RunConsumer.cmake"
sh "$source/tests/consumer/pkgconfig-consumer.sh" "$usr" "$source/tests/consumer/consumer.cpp" \
    "$build/package-pkgconfig-consumer"
LD_LIBRARY_PATH=$libdir "$usr/bin/zolsax2" check "$source/examples/purchase-order/order-good.xml"
MANWIDTH=80 man -l "$usr/share/man/man1/zolsax2.1.gz" 2>"$build/man.warnings" | grep -q 'EXIT STATUS' ||
    fail "the manual page does not render"
[ ! -s "$build/man.warnings" ] || fail "the manual page renders with warnings: $(cat "$build/man.warnings")"
sh "$source/tests/packages/completion.sh" "$usr/share/bash-completion/completions/zolsax2"
echo "packages: all checks passed"
