#include "EventWriter.h"

#include "Escape.h"

#include <ZOLSAX2Parser.h>

#include <ostream>

namespace zolsax2 {

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
    Escape::append(self->line, std::string_view(text, static_cast<std::size_t>(length)), Escape::DOUBLE);
    self->flushLine();
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
