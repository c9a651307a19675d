#include "EventWriter.h"

#include <ZOLSAX2Parser.h>

#include <cstring>
#include <ostream>

namespace zolsax2 {

EventWriter::EventWriter(std::ostream& out, bool positions) : out(out), positions(positions) {}

std::string EventWriter::escape(const char* text, std::size_t length)
{
    std::string escaped;
    escaped.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        switch (text[i]) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\r':
            escaped += "\\r";
            break;
        default:
            escaped += text[i];
        }
    }
    return escaped;
}

void EventWriter::finish()
{
    if (!textPending)
        return;
    textPending = false;
    if (positions)
        out << pendingPosition << '\t';
    out << "chars\t" << pendingText << '\n';
    pendingText.clear();
}

void EventWriter::beginLine(const char* kind)
{
    finish();
    if (positions)
        out << (parser != nullptr ? parser->getPosition().chars() : "") << '\t';
    out << kind;
}

void EventWriter::field(const char* text)
{
    out << '\t' << escape(text, std::strlen(text));
}

void EventWriter::startElement(void* writer, const char* name, const char** attributes)
{
    auto* self = static_cast<EventWriter*>(writer);
    self->beginLine("start");
    self->field(name);
    for (const char** a = attributes; a[0] != nullptr; a += 2)
        self->out << '\t' << escape(a[0], std::strlen(a[0])) << '=' << escape(a[1], std::strlen(a[1]));
    self->out << '\n';
}

void EventWriter::endElement(void* writer, const char* name)
{
    auto* self = static_cast<EventWriter*>(writer);
    self->beginLine("end");
    self->field(name);
    self->out << '\n';
}

void EventWriter::characters(void* writer, const char* text, int length)
{
    auto* self = static_cast<EventWriter*>(writer);
    if (!self->textPending && self->positions && self->parser != nullptr)
        self->pendingPosition = self->parser->getPosition().chars();
    self->textPending = true;
    self->pendingText += escape(text, static_cast<std::size_t>(length));
}

void EventWriter::processingInstruction(void* writer, const char* target, const char* data)
{
    auto* self = static_cast<EventWriter*>(writer);
    self->beginLine("pi");
    self->field(target);
    self->field(data);
    self->out << '\n';
}

} // namespace zolsax2
