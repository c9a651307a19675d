#!/bin/sh
# Builds the library and the zolsax2 tool, installs them into build/stage and shows the
# tool on the shipped examples (the outputs the README quotes), then builds the example
# program against that install.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target zolsax2
cmake --install build --prefix build/stage >/dev/null
zolsax2=build/stage/bin/zolsax2
ex=examples/purchase-order

show() {
    echo
    echo "\$ zolsax2 $*"
    # The broken and the invalid document fail on purpose; show the exit status instead.
    "$zolsax2" "$@" || echo "(exit status $?)"
}
show events --positions $ex/order-good.xml
show check $ex/order-good.xml $ex/order-broken.xml
show check -q $ex/order-good.xml $ex/order-broken.xml $ex/missing.xml
show validate --schema urn:example:purchase-order $ex/purchase-order.xsd $ex/order-good.xml $ex/order-bad.xml
show validate --schema urn:example:purchase-order $ex/purchase-order.xsd $ex/order-items.xml
show validate --schema urn:example:invoice $ex/purchase-order.xsd $ex/order-good.xml $ex/order-bad.xml
show check tests/cli/data/skipped.xml
show count $ex/order-good.xml $ex/order-bad.xml $ex/order-broken.xml
show messages 5
show resolve '-//OASIS//DTD DocBook XML V4.5//EN' http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd \
    http://docbook.org/xml/5.0/rng/docbook.rng 'urn:publicid:-:W3C:DTD+XHTML+1.0+Transitional:EN' \
    http://example.com/unknown.dtd
show resolve --catalog tests/catalog/broken.xml --catalog tests/catalog/catalog.xml http://example.com/rewrite/a/b.dtd

echo
echo "\$ find $ex -name '*.xml' -print0 | sort -z | zolsax2 check -q -j 2 -0 --files-from -"
find $ex -name '*.xml' -print0 | sort -z | "$zolsax2" check -q -j 2 -0 --files-from - || echo "(exit status $?)"

echo
echo "\$ element-count $ex/order-good.xml   # examples/element-count, built with find_package"
cmake -S examples/element-count -B build/element-count -G Ninja -DCMAKE_PREFIX_PATH="$PWD/build/stage" >/dev/null
cmake --build build/element-count >/dev/null
build/element-count/element-count $ex/order-good.xml
