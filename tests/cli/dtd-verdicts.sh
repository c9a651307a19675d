#!/bin/sh
# zolsax2 validate --dtd against xmllint --noout --valid on generated DocBook 4.5 articles and
# XHTML 1.0 Strict documents, offline, through the system's catalogs: the same verdict for each
# file, with and without --secure, and the first error on the same line where both report one.
# Exits 77 (skipped) without xmllint or the DTDs' catalog entries.
set -eu
tool=$(realpath "$1")
command -v xmllint >/dev/null || { echo "dtd-verdicts.sh: xmllint is not installed"; exit 77; }
for id in "-//OASIS//DTD DocBook XML V4.5//EN" "-//W3C//DTD XHTML 1.0 Strict//EN"; do
    xmlcatalog /etc/xml/catalog "$id" 2>/dev/null | grep -q '^file:' ||
        { echo "dtd-verdicts.sh: no catalog entry for $id"; exit 77; }
done
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"

docbook='<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE article PUBLIC "-//OASIS//DTD DocBook XML V4.5//EN" "http://www.oasis-open.org/docbook/xml/4.5/docbookx.dtd">'
xhtml='<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Strict//EN" "http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd">'
# Bodies: valid ones, then one fault each.
i=0
while IFS='|' read -r kind body; do
    i=$((i + 1))
    if [ "$kind" = db ]; then
        printf '%s\n<article lang="en">\n%s\n</article>\n' "$docbook" "$body" >"db$i.xml"
    else
        printf '%s\n<html xmlns="http://www.w3.org/1999/xhtml"><head><title>T</title></head>\n<body>\n%s\n</body></html>\n' \
            "$xhtml" "$body" >"xh$i.xml"
    fi
done <<'BODIES'
db|<title>One &mdash; two</title><para>Text &ndash; more &copy; &hellip; end.</para>
db|<title>A</title><sect1 id="s1"><title>S</title><para>x &mdash; y</para><itemizedlist><listitem><para>i</para></listitem></itemizedlist></sect1>
db|<title>A</title><para>See <emphasis role="strong">this</emphasis> &amp; <ulink url="http://x/">that</ulink>.</para>
db|<title>A</title><para>Some <bogus/> text.</para>
db|<title>A</title>
db|<title>A</title><sect1><para>no title</para></sect1>
db|<title>A</title><para>one</para><title>late</title>
db|<title>A</title><orderedlist numeration="roman"><listitem><para>x</para></listitem></orderedlist>
db|<title>A</title><para>x</para><sect1 id="a"><title>T</title><para>y</para></sect1><sect1 id="a"><title>U</title><para>z</para></sect1>
db|<title>A</title><para><xref linkend="nowhere"/></para>
xh|<p>One &nbsp; two &eacute; <em>three</em></p><div><ul><li>a</li></ul></div>
xh|<p><img src="a.png" alt="a"/><br/><a href="#x">x</a></p>
xh|text outside a block
xh|<p><p>nested</p></p>
xh|<p><img src="a.png"/></p>
xh|<p align="center">old attribute</p>
xh|<p id="1">bad id</p>
xh|<center>gone</center>
BODIES

failed=0
for secure in "" --secure; do
    for f in db*.xml xh*.xml; do
        ours=$("$tool" validate --dtd $secure "$f" 2>&1) && ourVerdict=valid || ourVerdict=invalid
        theirs=$(xmllint --noout --valid --nonet "$f" 2>&1) && theirVerdict=valid || theirVerdict=invalid
        if [ "$ourVerdict" != "$theirVerdict" ]; then
            echo "$f $secure: zolsax2 says $ourVerdict, xmllint $theirVerdict"
            echo "$ours"
            echo "$theirs"
            failed=1
            continue
        fi
        # An IDREF without its ID is found at the end of the document, where the reader checks
        # them all; xmllint places it at the element.
        ourLine=$(printf '%s\n' "$ours" | grep -v 'is referenced but was never declared' |
            sed -n "s/^$f:\([0-9]*\):[0-9]*: .*/\1/p" | head -n 1)
        theirLine=$(printf '%s\n' "$theirs" | sed -n "s/^$f:\([0-9]*\): .*/\1/p" | head -n 1)
        if [ -n "$ourLine" ] && [ -n "$theirLine" ] && [ "$ourLine" != "$theirLine" ]; then
            echo "$f $secure: first error on line $ourLine, xmllint's on line $theirLine"
            echo "$ours"
            echo "$theirs"
            failed=1
        fi
    done
done
# A book with 10,000 &mdash; from the trusted DTD: secure processing counts none of them.
{
    printf '%s\n<article><title>Book</title>\n' "$docbook"
    awk 'BEGIN { for (i = 0; i < 1000; i++) print "<para>a &mdash; b &mdash; c &mdash; d &mdash; e &mdash; f &mdash; g &mdash; h &mdash; i &mdash; j &mdash; k</para>" }'
    echo '</article>'
} >book.xml
for secure in "" --secure; do
    "$tool" validate --dtd $secure book.xml >/dev/null 2>&1 || { echo "book.xml $secure: does not validate"; failed=1; }
done
[ "$failed" = 0 ] && echo "$(ls db*.xml xh*.xml | wc -l) files: the same verdicts as xmllint; the book validates"
exit $failed
