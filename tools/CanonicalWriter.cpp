#include "CanonicalWriter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <utility>
#include <vector>

CanonicalWriter::CanonicalWriter(std::ostream& out, bool controlsAsReferences)
    : out(out), controlsAsReferences(controlsAsReferences)
{}

void CanonicalWriter::writeEscaped(const char* text, const char* end, bool markup)
{
    // Plain runs go out in one write; only the seven special bytes are replaced. UTF-8
    // continuation bytes never equal an ASCII byte, so a byte-wise scan is safe.
    const char* run = text;
    char numeric[16];
    for (const char* p = text; p != end; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        // C1 controls are U+0080 to U+009F, C2 80 to C2 9F in UTF-8.
        const bool c1 = byte == 0xC2 && p + 1 != end && static_cast<unsigned char>(p[1]) < 0xA0;
        if (controlsAsReferences && (byte < 0x20 || byte == 0x7F || c1) && *p != '\t' && *p != '\n' && *p != '\r') {
            const unsigned code = c1 ? static_cast<unsigned char>(p[1]) : byte;
            std::snprintf(numeric, sizeof numeric, "&#%u;", code);
            out.write(run, p - run);
            out << numeric;
            p += c1 ? 1 : 0;
            run = p + 1;
            continue;
        }
        if (!markup)
            continue;
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
        self->writeEscaped(attribute.second, attribute.second + std::strlen(attribute.second), true);
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
    static_cast<CanonicalWriter*>(writer)->writeEscaped(text, text + length, true);
}

void CanonicalWriter::processingInstruction(void* writer, const char* target, const char* data)
{
    auto* self = static_cast<CanonicalWriter*>(writer);
    self->out << "<?" << target << ' ';
    // Data is written as it is: XML has no references inside an instruction.
    self->writeEscaped(data, data + std::strlen(data), false);
    self->out << "?>";
}
