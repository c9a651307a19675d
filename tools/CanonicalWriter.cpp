#include "CanonicalWriter.h"

#include <algorithm>
#include <cstring>
#include <ostream>
#include <utility>
#include <vector>

CanonicalWriter::CanonicalWriter(std::ostream& out) : out(out) {}

void CanonicalWriter::writeEscaped(const char* text, const char* end)
{
    // Plain runs go out in one write; only the seven special bytes are replaced. UTF-8
    // continuation bytes never equal an ASCII byte, so a byte-wise scan is safe.
    const char* run = text;
    for (const char* p = text; p != end; ++p) {
        const char* reference;
        switch (*p) {
        case '&':
            reference = "&amp;";
            break;
        case '<':
            reference = "&lt;";
            break;
        case '>':
            reference = "&gt;";
            break;
        case '"':
            reference = "&quot;";
            break;
        case '\t':
            reference = "&#9;";
            break;
        case '\n':
            reference = "&#10;";
            break;
        case '\r':
            reference = "&#13;";
            break;
        default:
            continue;
        }
        out.write(run, p - run);
        out << reference;
        run = p + 1;
    }
    out.write(run, end - run);
}

void CanonicalWriter::startElement(void* writer, const char* name, const char** attributes)
{
    auto* self = static_cast<CanonicalWriter*>(writer);
    std::vector<std::pair<const char*, const char*>> sorted;
    for (const char** a = attributes; a[0] != nullptr; a += 2)
        sorted.emplace_back(a[0], a[1]);
    // Byte order of UTF-8 is code-point order, which is what the canonical form sorts by.
    std::sort(sorted.begin(), sorted.end(),
              [](const auto& left, const auto& right) { return std::strcmp(left.first, right.first) < 0; });
    self->out << '<' << name;
    for (const auto& attribute : sorted) {
        self->out << ' ' << attribute.first << "=\"";
        self->writeEscaped(attribute.second, attribute.second + std::strlen(attribute.second));
        self->out << '"';
    }
    self->out << '>';
}

void CanonicalWriter::endElement(void* writer, const char* name)
{
    static_cast<CanonicalWriter*>(writer)->out << "</" << name << '>';
}

void CanonicalWriter::characters(void* writer, const char* text, int length)
{
    static_cast<CanonicalWriter*>(writer)->writeEscaped(text, text + length);
}

void CanonicalWriter::processingInstruction(void* writer, const char* target, const char* data)
{
    static_cast<CanonicalWriter*>(writer)->out << "<?" << target << ' ' << data << "?>";
}
