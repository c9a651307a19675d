#!/bin/sh
# Installs the SARIF validator (sarif-multitool, from npm) into build/sarif-multitool, where
# the tool tests look for it; does nothing when it is there already.
set -eu
cd "$(dirname "$0")/.."
prefix=build/sarif-multitool
if [ -x "$prefix/node_modules/.bin/sarif-multitool-linux" ]; then
    exit 0
fi
if ! command -v npm >/dev/null 2>&1; then
    echo "npm is not installed: the SARIF output will not be validated" >&2
    exit 0
fi
mkdir -p "$prefix"
npm install --silent --no-audit --no-fund --prefix "$prefix" @microsoft/sarif-multitool-linux >/dev/null ||
    echo "sarif-multitool could not be installed: the SARIF output will not be validated" >&2
