#!/bin/sh
# Runs one gtest case of BINARY again as nobody, because root reads files whatever their
# permissions. A checkout under a private folder (root's home, any mktemp -d) is out of
# nobody's reach; the case is then skipped with the reason rather than failed.
# Usage: RunAsNobody.sh RUNUSER BINARY FILTER FILE_NOBODY_MUST_READ
set -u
runuser=$1 binary=$2 filter=$3 fixture=$4
if [ "$(id -u)" != 0 ]; then
    exec "$binary" --gtest_filter="$filter"
fi
if ! "$runuser" -u nobody -- "$binary" --gtest_list_tests >/dev/null 2>&1; then
    echo "skipped: nobody cannot run $binary (the checkout lies in a folder only its owner enters)"
    exit 77
fi
if ! "$runuser" -u nobody -- test -r "$fixture"; then
    echo "skipped: nobody cannot read $fixture (the checkout lies in a folder only its owner enters)"
    exit 77
fi
exec "$runuser" -u nobody -- "$binary" --gtest_filter="$filter"
