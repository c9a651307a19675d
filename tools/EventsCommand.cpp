#include "EventsCommand.h"

#include "CanonicalWriter.h"
#include "CommandLine.h"
#include "DiagnosticLog.h"
#include "Escape.h"
#include "EventWriter.h"
#include "InputFile.h"
#include "InputList.h"

#include <ZOLSAX2Parser.h>

#include <memory>
#include <ostream>

namespace zolsax2 {

int EventsCommand::run()
{
    InputList inputs = openInputs("-");
    int status = EXIT_OK;
    DiagnosticLog log;
    std::string name;
    while (inputs.next(name)) {
        const InputFile input(name);
        // A parser per input: each document starts with fresh callback state.
        std::unique_ptr<ZOLSAX2Parser> parser;
        EventWriter writer(out, line.positions);
        CanonicalWriter canonical(out, true);
        if (line.canonical) {
            parser = std::make_unique<ZOLSAX2Parser>(&canonical, &log, CanonicalWriter::startElement,
                                                     CanonicalWriter::endElement, CanonicalWriter::characters,
                                                     CanonicalWriter::processingInstruction);
        } else {
            parser = std::make_unique<ZOLSAX2Parser>(&writer, &log, EventWriter::startElement, EventWriter::endElement,
                                                     EventWriter::characters, EventWriter::processingInstruction);
            writer.setParser(parser.get());
        }
        parser->setSecureProcessing(line.secure);
        const bool ok = input.parse(*parser, log, in);
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
    return status;
}

} // namespace zolsax2
