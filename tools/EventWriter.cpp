#include "EventWriter.h"

#include "Escape.h"

#include <ZOLSAX2Parser.h>

#include <ostream>
#include <string_view>

namespace zolsax2 {

namespace {

// The most bytes of one run escaped at a time.
constexpr std::size_t SLICE_BYTES = 64 * 1024;

} // namespace

EventWriter::EventWriter(std::ostream& out, bool positions) : out(out), positions(positions) {}

void EventWriter::flushLine()
{
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
    line.clear();
}

void EventWriter::finish()
{
    if (!textOpen)
        return;
    textOpen = false;
    out << '\n';
}

void EventWriter::beginLine(const char* kind)
{
    finish();
    if (positions && parser != nullptr)
        line += parser->getPosition().chars();
    if (positions)
        line += '\t';
    line += kind;
}

void EventWriter::field(const char* text)
{
    line += '\t';
    Escape::append(line, text, Escape::DOUBLE);
}

void EventWriter::startElement(void* writer, const char* name, const char** attributes)
{
    auto* self = static_cast<EventWriter*>(writer);
    self->beginLine("start");
    self->field(name);
    for (const char** a = attributes; a[0] != nullptr; a += 2) {
        self->field(a[0]);
        self->line += '=';
        Escape::append(self->line, a[1], Escape::DOUBLE);
    }
    self->line += '\n';
    self->flushLine();
}

void EventWriter::endElement(void* writer, const char* name)
{
    auto* self = static_cast<EventWriter*>(writer);
    self->beginLine("end");
    self->field(name);
    self->line += '\n';
    self->flushLine();
}

void EventWriter::characters(void* writer, const char* text, int length)
{
    auto* self = static_cast<EventWriter*>(writer);
    if (length <= 0)
        return;
    if (!self->textOpen) {
        self->beginLine("chars");
        self->line += '\t';
        self->textOpen = true;
    }
    // A long run (a CDATA section arrives whole) goes out in slices, each cut before a byte
    // that starts a character, so the escaped copy never holds more than one slice.
    std::string_view rest(text, static_cast<std::size_t>(length));
    while (!rest.empty()) {
        std::size_t cut = rest.size() <= SLICE_BYTES ? rest.size() : SLICE_BYTES;
        while (cut < rest.size() && (static_cast<unsigned char>(rest[cut]) & 0xC0) == 0x80)
            ++cut;
        Escape::append(self->line, rest.substr(0, cut), Escape::DOUBLE);
        self->flushLine();
        rest.remove_prefix(cut);
    }
}

void EventWriter::processingInstruction(void* writer, const char* target, const char* data)
{
    auto* self = static_cast<EventWriter*>(writer);
    self->beginLine("pi");
    self->field(target);
    self->field(data);
    self->line += '\n';
    self->flushLine();
}

} // namespace zolsax2
