#!/bin/sh
# Counts how often one validate command opens its schema files to read them, whatever its
# -j: the schema itself at most twice (the look before any input, and the one load every
# worker shares), the schema it includes once. The look's first open, which only checks
# that the file can be read (O_NONBLOCK), reads nothing and is not counted. Usage: SchemaOpens.sh ZOLSAX2 STRACE. Skips (77) where strace
# cannot trace.
set -eu
tool=$1
strace=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cat >"$dir/part.xsd" <<'XSD'
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema" targetNamespace="urn:t">
  <xs:simpleType name="word"><xs:restriction base="xs:string"><xs:pattern value="[a-z]+"/></xs:restriction></xs:simpleType>
</xs:schema>
XSD
cat >"$dir/whole.xsd" <<'XSD'
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema" targetNamespace="urn:t" xmlns="urn:t">
  <xs:include schemaLocation="part.xsd"/>
  <xs:element name="w" type="word"/>
</xs:schema>
XSD
for i in 1 2 3 4 5 6 7 8 9 10 11 12; do
    echo "<w xmlns='urn:t'>abc</w>" >"$dir/doc$i.xml"
done
echo "<w xmlns='urn:t'>ABC</w>" >"$dir/doc13.xml"
"$strace" -f -qq -e trace=open,openat -o "$dir/trace" true 2>/dev/null || exit 77
status=0
for jobs in 1 2 4; do
    "$strace" -f -qq -e trace=open,openat -o "$dir/trace" \
        "$tool" validate -q -j "$jobs" --schema urn:t "$dir/whole.xsd" "$dir"/doc*.xml >"$dir/out" 2>&1 || true
    whole=$(grep 'whole\.xsd"' "$dir/trace" | grep -vc O_NONBLOCK || true)
    part=$(grep 'part\.xsd"' "$dir/trace" | grep -vc O_NONBLOCK || true)
    fails=$(grep -c 'fails to validate' "$dir/out" || true)
    echo "-j $jobs: whole.xsd opened $whole times, part.xsd $part, $fails failing"
    if [ "$whole" -gt 2 ] || [ "$part" -gt 1 ] || [ "$fails" -ne 1 ]; then
        status=1
    fi
done
exit $status
