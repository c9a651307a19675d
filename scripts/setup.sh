#!/bin/sh
# Installs what the build and the tests need, when it is missing (Debian, as root).
set -eu
# libxml2-utils and the catalog packages: the catalog tests compare with xmlcatalog on Debian's catalogs.
packages="cmake ninja-build g++ pkg-config libxerces-c-dev googletest libgtest-dev nlohmann-json3-dev libxml2-utils xml-core docbook-xml docbook5-xml w3c-sgml-lib $*"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
