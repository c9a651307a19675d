#include "Tool.h"

#include "CheckCommand.h"
#include "CommandLine.h"
#include "CountCommand.h"
#include "Escape.h"
#include "EventsCommand.h"
#include "HelpText.h"
#include "MessagesCommand.h"
#include "ResolveCommand.h"
#include "ValidateCommand.h"

#include <ZOLException.h>

#include <xercesc/util/XercesVersion.hpp>

#include <exception>
#include <memory>
#include <new>
#include <ostream>

namespace zolsax2 {

namespace {

std::unique_ptr<Command> makeCommand(const CommandLine& line, std::istream& in, std::ostream& out, std::ostream& err,
                                     bool errIsTerminal)
{
    if (line.command == "events")
        return std::make_unique<EventsCommand>(line, in, out, err, errIsTerminal);
    if (line.command == "check")
        return std::make_unique<CheckCommand>(line, in, out, err, errIsTerminal);
    if (line.command == "validate")
        return std::make_unique<ValidateCommand>(line, in, out, err, errIsTerminal);
    if (line.command == "count")
        return std::make_unique<CountCommand>(line, in, out, err, errIsTerminal);
    if (line.command == "resolve")
        return std::make_unique<ResolveCommand>(line, in, out, err, errIsTerminal);
    return std::make_unique<MessagesCommand>(line, in, out, err, errIsTerminal);
}

} // namespace

std::string versionText()
{
    return std::string("zolsax2 ") + ZOLSAX2_VERSION + " (ZOLSAX2Parser " + ZOLSAX2_VERSION + ", Xerces-C++ " +
           XERCES_FULLVERSIONDOT + ")\n";
}

int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
        bool errIsTerminal)
{
    try {
        const CommandLine line = CommandLine::parse(args);
        int status = EXIT_OK;
        if (line.help)
            out << (line.command.empty() ? HelpText::full() : HelpText::of(line.command));
        else if (line.version)
            out << versionText();
        else
            status = makeCommand(line, in, out, err, errIsTerminal)->run();
        out.flush();
        if (!out) {
            err << "zolsax2: cannot write to standard output\n";
            return EXIT_FAILED;
        }
        return status;
    } catch (const CommandLine::UsageError& e) {
        err << "zolsax2: " << Escape::text(e.what()) << "\nTry 'zolsax2 --help' for more information.\n";
        return EXIT_USAGE;
    } catch (const ZOLException& e) {
        err << "zolsax2: " << Escape::text(e.getMessage().chars()) << '\n';
    } catch (const std::bad_alloc&) {
        err << "zolsax2: out of memory\n";
    } catch (const std::exception& e) {
        err << "zolsax2: " << Escape::text(e.what()) << '\n';
    }
    return EXIT_FAILED;
}

} // namespace zolsax2
