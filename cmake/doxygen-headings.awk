# The Markdown pages' headings get the anchors GitHub gives them ("The tool's heap" is
# #the-tools-heap, a second "Figures" #figures-1), prefixed with the page's name, since
# Doxygen's labels are shared by all pages; links to a section, on the same page or on
# another, are rewritten to match, and so are HTML anchors (<a id="..."></a>).
function stem(path) {
    sub(/^.*\//, "", path)
    sub(/\.md$/, "", path)
    return tolower(path)
}
function links(line,    out, target) {
    out = ""
    while (match(line, /\]\([^)#]*#[^)]*\)/)) {
        target = substr(line, RSTART + 2, RLENGTH - 3)
        split(target, parts, "#")
        out = out substr(line, 1, RSTART - 1) "](#" (parts[1] == "" ? page : stem(parts[1])) "-" parts[2] ")"
        line = substr(line, RSTART + RLENGTH)
    }
    return out line
}
FNR == 1 { page = stem(FILENAME) }
/^(```|~~~)/ { fenced = !fenced }
!fenced && /^##+ / {
    id = tolower($0)
    sub(/^#+ /, "", id)
    gsub(/[^a-z0-9 _-]/, "", id)
    gsub(/ /, "-", id)
    label = seen[id]++ ? id "-" (seen[id] - 1) : id
    print links($0) " {#" page "-" label "}"
    next
}
!fenced && match($0, /<a id="[^"]*"><\/a>/) {
    $0 = substr($0, 1, RSTART - 1) "\\anchor " page "-" substr($0, RSTART + 7, RLENGTH - 13) " " substr($0, RSTART + RLENGTH)
}
!fenced { print links($0); next }
{ print }
