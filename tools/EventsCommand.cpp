#include "EventsCommand.h"

#include "CanonicalWriter.h"
#include "Catalogs.h"
#include "CommandLine.h"
#include "DiagnosticLog.h"
#include "Escape.h"
#include "EventWriter.h"
#include "InputFile.h"
#include "InputList.h"
#include "ParserSetup.h"

#include <ZOLSAX2Parser.h>

#include <ostream>

namespace zolsax2 {

namespace {

// The parser's user data for one input: the writer of the form asked for, and the log that
// hears of the entities the reader did not expand.
struct Sink {
    EventWriter* events = nullptr;
    CanonicalWriter* canonical = nullptr;
    DiagnosticLog* log = nullptr;
    const ZOLSAX2Parser* parser = nullptr;

    static void startElement(void* sink, const char* name, const char** attributes)
    {
        auto* self = static_cast<Sink*>(sink);
        if (self->canonical != nullptr)
            CanonicalWriter::startElement(self->canonical, name, attributes);
        else
            EventWriter::startElement(self->events, name, attributes);
    }
    static void endElement(void* sink, const char* name)
    {
        auto* self = static_cast<Sink*>(sink);
        if (self->canonical != nullptr)
            CanonicalWriter::endElement(self->canonical, name);
        else
            EventWriter::endElement(self->events, name);
    }
    static void characters(void* sink, const char* text, int length)
    {
        auto* self = static_cast<Sink*>(sink);
        if (self->canonical != nullptr)
            CanonicalWriter::characters(self->canonical, text, length);
        else
            EventWriter::characters(self->events, text, length);
    }
    static void processingInstruction(void* sink, const char* target, const char* data)
    {
        auto* self = static_cast<Sink*>(sink);
        if (self->canonical != nullptr)
            CanonicalWriter::processingInstruction(self->canonical, target, data);
        else
            EventWriter::processingInstruction(self->events, target, data);
    }
    static void skippedEntity(void* sink, const char* name)
    {
        auto* self = static_cast<Sink*>(sink);
        self->log->addSkippedEntity(name, *self->parser);
    }
};

} // namespace

int EventsCommand::run()
{
    InputList inputs = openInputs("-");
    int status = EXIT_OK;
    DiagnosticLog log;
    const Catalogs catalogs(line, err);
    Catalogs::Hook hook(catalogs, log);
    std::string name;
    while (inputs.next(name)) {
        const InputFile input(name);
        // A parser per input: each document starts with fresh callback state.
        EventWriter writer(out, line.positions);
        CanonicalWriter canonical(out, true);
        Sink sink;
        sink.events = &writer;
        sink.canonical = line.canonical ? &canonical : nullptr;
        sink.log = &log;
        ZOLSAX2Parser parser(&sink, &log, Sink::startElement, Sink::endElement, Sink::characters,
                             Sink::processingInstruction);
        sink.parser = &parser;
        writer.setParser(&parser);
        ParserSetup::apply(parser, log, hook, line, Sink::skippedEntity);
        const bool ok = input.parse(parser, log, in);
        writer.finish();
        out.flush();
        std::string diagnostics;
        log.print(diagnostics, input.names());
        if (!ok) {
            diagnostics += Escape::text(input.names().inputName()) + ": failed\n";
            status = EXIT_FAILED;
        }
        err << diagnostics << std::flush;
    }
    if (!inputs.problem().empty())
        return finish(inputs, 1, status);
    return status;
}

} // namespace zolsax2
