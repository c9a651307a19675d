#!/bin/sh
# zolsax2's bash completion as bash-completion runs it. Each case is a command line typed so
# far (the last word, maybe empty, is the one completed) and the words offered, sorted.
# Exits 77 (skipped) when bash-completion is not installed.
set -eu
script=$(realpath "$1")
framework=/usr/share/bash-completion/bash_completion
if [ ! -r "$framework" ]; then
    echo "completion.sh: bash-completion is not installed"
    exit 77
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
touch a.xml b.xsd
failed=0
while IFS='|' read -r line expected; do
    found=$(bash -c '
        . "$1"
        . "$2"
        COMP_LINE=$3
        COMP_POINT=${#COMP_LINE}
        read -ra COMP_WORDS <<<"$COMP_LINE"
        [[ $COMP_LINE == *" " ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        _zolsax2 zolsax2 "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd " "
    ' sh "$framework" "$script" "$line")
    if [ "$found" != "$expected" ]; then
        echo "'$line': offered '$found', expected '$expected'"
        failed=1
    fi
done <<'CASES'
zolsax2 |check count events messages resolve validate
zolsax2 --vers|--version
zolsax2 va|validate
zolsax2 -j 2 c|check count
zolsax2 --files-from a.xml co|count
zolsax2 check --qu|--quiet
zolsax2 check -|--allow-empty --catalog --files-from --format --help --huge --jobs --load-dtd --net --no-catalogs --no-namespaces --null --quiet --secure --version -0 -h -j -q
zolsax2 check |a.xml b.xsd
zolsax2 check -- -|
zolsax2 count --jobs |
zolsax2 validate --sch|--schema
zolsax2 validate --dt|--dtd --dtd-file
zolsax2 validate --schema |
zolsax2 validate --schema urn:x |a.xml b.xsd
zolsax2 validate --schema urn:x b.xsd a|a.xml
zolsax2 events --files-from |a.xml b.xsd
zolsax2 messages |
CASES
exit $failed
