#include "Tool.h"

#include "CanonicalWriter.h"
#include "CommandLine.h"
#include "DiagnosticLog.h"
#include "EventCounter.h"
#include "EventWriter.h"
#include "Progress.h"

#include <ZOLException.h>
#include <ZOLFile.h>
#include <ZOLLogEvent.h>
#include <ZOLMessageLiteral.h>
#include <ZOLSAX2Parser.h>
#include <ZOLSAX2Validator.h>
#include <ZOLString.h>
#include <ZSAX.h>

#include <xercesc/util/XercesVersion.hpp>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>
#include <system_error>

namespace zolsax2 {

namespace {

const char* const HELP = R"(Usage: zolsax2 COMMAND [OPTIONS] [FILE...]
Parses, checks and validates XML with the ZOLSAX2Parser library.

Commands:
  events [FILE|-]...    print the parser's events of each input, one line each;
                        standard input when no FILE is given or FILE is -
  check FILE|-...       report whether each input is well-formed
  validate --schema NAMESPACE LOCATION FILE...
                        validate each file against the XML Schema at LOCATION
                        for the target namespace NAMESPACE
  count FILE...         count elements, attributes, bytes of character data and
                        processing instructions; time the parse, give MB/s
  messages [ID]         print the message catalogue (identifier, code, severity,
                        text), or the one message ID (5 or ZSAX_F0005)

Options:
  --positions           events: start each line with the reader's LINE:COLUMN
                        and a tab
  --canonical           events: write each input's canonical XML instead (the
                        form of the W3C XML conformance suite's out/ files)
  --schema NAMESPACE LOCATION
                        validate: the schema; a relative LOCATION is taken from
                        the current directory, a URL is passed on unchanged
  --secure              events, check, validate, count: parse as untrusted
                        input (no external entities, DTDs or schema hints; a
                        limit on entity expansion)
  -h, --help            print this help and exit
  --version             print the version and exit
  --                    end of options: later arguments are files

Event lines (fields are separated by tabs):
  start<TAB>QNAME[<TAB>NAME=VALUE]...     end<TAB>QNAME
  chars<TAB>TEXT                          pi<TAB>TARGET<TAB>DATA
  Texts are UTF-8; backslash, tab, newline and carriage return inside a field
  are written \\ \t \n \r. Adjacent character data is merged into one chars
  line; attributes keep the order the parser delivers them in.

Diagnostics:
  FILE:LINE:COLUMN: SEVERITY: TEXT [CODE]
  FILE: SEVERITY: TEXT [CODE]             (records without a position)
  Lines and columns count from 1. check and validate write the records and
  then each file's verdict to standard output ("FILE: ok" / "FILE: failed",
  "FILE validates" / "FILE fails to validate"), with a count at the end when
  there are several files; events and count write records to standard error.
  SEVERITY is warning, error or fatal. The library logs every problem the
  reader reports at one level, so zolsax2 derives it from the outcome:
  - in a parse that succeeded, every record is a warning;
  - in a parse that failed, the last reader record is fatal (it stopped the
    parse), earlier records at the same position are errors (a refusal of
    --secure, say), the others warnings; the failure itself follows as a
    fatal record without position ([ZSAX_F0005]);
  - in a validation that passed, every record is a warning; in one that
    failed, records are errors, except those a plain parse of the same file
    reports too, which keep its severity (the well-formedness error that
    stopped it is fatal, remarks on the DTD are warnings).
  A schema that cannot be loaded is a warning and leaves nothing to validate
  against: the file then validates. Check the warnings of a validation.

Exit status:
  0  every input succeeded
  1  an input was not well-formed, not valid or not readable (or a message ID
     is unknown)
  2  usage error, including a schema LOCATION that is a missing local file

Progress is shown on standard error when it is a terminal and a run over
several files takes more than a second.

Examples:
  zolsax2 events order.xml
  cat order.xml | zolsax2 events --positions
  zolsax2 check *.xml
  zolsax2 validate --schema urn:example:purchase-order po.xsd order.xml
  zolsax2 count big.xml
  zolsax2 messages ZSAX_F0005
)";

// The name under which an input appears in diagnostics.
std::string displayName(const std::string& input)
{
    return input == "-" ? "<stdin>" : input;
}

// A location with a URL scheme ("http:", "file:", ...) rather than a local path.
bool isUrl(const std::string& location)
{
    const std::size_t colon = location.find(':');
    if (colon == std::string::npos || colon < 2)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = location[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))
            return false;
    }
    return true;
}

// The file URL of an absolute path. The reader takes the schema location from a
// whitespace-separated list, so a path with blanks goes to it percent-encoded.
std::string fileUrl(const std::string& path)
{
    std::string url = "file://";
    for (char c : path) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '%') {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
            url += escaped;
        } else {
            url += c;
        }
    }
    return url;
}

// Parses one input; "-" is the process's standard input when in is std::cin, otherwise
// the whole of in. Throws what the parser throws.
void parseInput(ZOLSAX2Parser& parser, const std::string& input, std::istream& in)
{
    if (input != "-") {
        parser.parseFile(ZOLFile(input.c_str()));
    } else if (&in == &std::cin) {
        parser.parseStdIn();
    } else {
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        ZOLString text;
        text.init(bytes.data(), static_cast<long>(bytes.size()));
        parser.parseString(text);
    }
}

// Parses one input with the given callbacks and collects its records, settled; false
// when the parse failed.
bool parseCollecting(ZOLSAX2Parser& parser, DiagnosticLog& log, const std::string& input, std::istream& in)
{
    log.clear();
    try {
        parseInput(parser, input, in);
    } catch (const ZOLException& e) {
        log.settleParse(true);
        log.addException(e);
        return false;
    }
    log.settleParse(false);
    return true;
}

std::string plural(std::size_t n, const char* word)
{
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

} // namespace

int run(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
        bool errIsTerminal)
{
    try {
        const CommandLine line = CommandLine::parse(args);
        Tool tool(in, out, err, errIsTerminal);
        const int status = tool.run(line);
        out.flush();
        if (!out) {
            err << "zolsax2: cannot write to standard output\n";
            return EXIT_FAILED;
        }
        return status;
    } catch (const CommandLine::UsageError& e) {
        err << "zolsax2: " << e.what() << "\nTry 'zolsax2 --help' for more information.\n";
        return EXIT_USAGE;
    } catch (const ZOLException& e) {
        err << "zolsax2: " << e.getMessage().chars() << '\n';
    } catch (const std::exception& e) {
        err << "zolsax2: " << e.what() << '\n';
    }
    return EXIT_FAILED;
}

Tool::Tool(std::istream& in, std::ostream& out, std::ostream& err, bool errIsTerminal)
    : in(in), out(out), err(err), errIsTerminal(errIsTerminal)
{}

const char* Tool::helpText()
{
    return HELP;
}

std::string Tool::versionText()
{
    return std::string("zolsax2 ") + ZOLSAX2_VERSION + " (ZOLSAX2Parser " + ZOLSAX2_VERSION + ", Xerces-C++ " +
           XERCES_FULLVERSIONDOT + ")\n";
}

int Tool::run(const CommandLine& line)
{
    if (line.help) {
        out << HELP;
        return EXIT_OK;
    }
    if (line.version) {
        out << versionText();
        return EXIT_OK;
    }
    if (line.command == "events")
        return events(line);
    if (line.command == "check")
        return check(line);
    if (line.command == "validate")
        return validate(line);
    if (line.command == "count")
        return count(line);
    return messages(line);
}

int Tool::events(const CommandLine& line)
{
    const std::vector<std::string> inputs = line.inputs.empty() ? std::vector<std::string>{"-"} : line.inputs;
    int status = EXIT_OK;
    DiagnosticLog log;
    for (const std::string& input : inputs) {
        // A parser per input: each document starts with fresh callbacks state.
        std::unique_ptr<ZOLSAX2Parser> parser;
        EventWriter writer(out, line.positions);
        CanonicalWriter canonical(out);
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
        const bool ok = parseCollecting(*parser, log, input, in);
        writer.finish();
        out.flush();
        log.print(err, displayName(input));
        if (!ok)
            status = EXIT_FAILED;
    }
    return status;
}

int Tool::check(const CommandLine& line)
{
    DiagnosticLog log;
    ZOLSAX2Parser parser(nullptr, &log, nullptr, nullptr, nullptr, nullptr);
    parser.setSecureProcessing(line.secure);
    Progress progress(err, errIsTerminal, line.inputs.size());
    std::size_t failed = 0;
    for (std::size_t i = 0; i < line.inputs.size(); ++i) {
        progress.update(i, line.inputs[i]);
        const std::string name = displayName(line.inputs[i]);
        const bool ok = parseCollecting(parser, log, line.inputs[i], in);
        progress.clear();
        log.print(out, name);
        out << name << (ok ? ": ok\n" : ": failed\n");
        failed += ok ? 0 : 1;
    }
    if (line.inputs.size() > 1)
        out << plural(line.inputs.size(), "file") << ": " << line.inputs.size() - failed << " ok, " << failed
            << " failed\n";
    return failed == 0 ? EXIT_OK : EXIT_FAILED;
}

int Tool::validate(const CommandLine& line)
{
    std::string location = line.schemaLocation;
    if (!isUrl(location)) {
        std::error_code ec;
        if (!std::filesystem::exists(location, ec) || std::filesystem::is_directory(location, ec))
            throw CommandLine::UsageError("schema not found: " + location);
        // The reader resolves a relative location against the document, not the current directory.
        location = std::filesystem::absolute(location).lexically_normal().string();
        if (location.find_first_of(" \t\r\n") != std::string::npos)
            location = fileUrl(location);
    }
    DiagnosticLog log;
    ZOLSAX2Validator validator(&log);
    validator.setSecureProcessing(line.secure);
    validator.addSchemaLocation(line.schemaNamespace.c_str(), location.c_str());
    // Made on the first failure only: its records tell well-formedness errors and warnings
    // among the validator's.
    std::unique_ptr<ZOLSAX2Parser> plainParser;
    DiagnosticLog plainLog;
    Progress progress(err, errIsTerminal, line.inputs.size());
    std::size_t failed = 0;
    for (std::size_t i = 0; i < line.inputs.size(); ++i) {
        const std::string& file = line.inputs[i];
        progress.update(i, file);
        log.clear();
        const bool valid = validator.validate(ZOLFile(file.c_str()));
        plainLog.clear();
        if (!valid) {
            if (!plainParser) {
                plainParser = std::make_unique<ZOLSAX2Parser>(nullptr, &plainLog, nullptr, nullptr, nullptr, nullptr);
                plainParser->setSecureProcessing(line.secure);
            }
            parseCollecting(*plainParser, plainLog, file, in);
        }
        log.settleValidation(valid, plainLog);
        progress.clear();
        log.print(out, file);
        out << file << (valid ? " validates\n" : " fails to validate\n");
        failed += valid ? 0 : 1;
    }
    if (line.inputs.size() > 1)
        out << plural(line.inputs.size(), "file") << ": " << line.inputs.size() - failed << " validate, " << failed
            << " fail to validate\n";
    return failed == 0 ? EXIT_OK : EXIT_FAILED;
}

namespace {

std::string countRow(const EventCounter& c, double milliseconds, double megabytesPerSecond, const std::string& name)
{
    char row[160];
    std::snprintf(row, sizeof row, "%10llu %10llu %12llu %6llu %11.3f %9.2f  ",
                  static_cast<unsigned long long>(c.elements), static_cast<unsigned long long>(c.attributes),
                  static_cast<unsigned long long>(c.characterBytes),
                  static_cast<unsigned long long>(c.processingInstructions), milliseconds, megabytesPerSecond);
    return row + name + "\n";
}

double throughput(std::uintmax_t bytes, double milliseconds)
{
    return milliseconds > 0 ? static_cast<double>(bytes) / 1e6 / (milliseconds / 1e3) : 0.0;
}

} // namespace

int Tool::count(const CommandLine& line)
{
    EventCounter counter;
    DiagnosticLog log;
    ZOLSAX2Parser parser(&counter, &log, EventCounter::startElement, nullptr, EventCounter::characters,
                         EventCounter::processingInstruction);
    parser.setSecureProcessing(line.secure);
    Progress progress(err, errIsTerminal, line.inputs.size());
    EventCounter total;
    double totalMilliseconds = 0;
    std::uintmax_t totalBytes = 0;
    std::size_t succeeded = 0;
    out << "  elements attributes   characters    PIs     time ms      MB/s  file\n";
    for (std::size_t i = 0; i < line.inputs.size(); ++i) {
        const std::string& file = line.inputs[i];
        progress.update(i, file);
        counter = EventCounter();
        const auto start = std::chrono::steady_clock::now();
        const bool ok = parseCollecting(parser, log, file, in);
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        progress.clear();
        log.print(err, file);
        if (!ok)
            continue;
        std::error_code ec;
        std::uintmax_t bytes = std::filesystem::file_size(file, ec);
        if (ec)
            bytes = 0;
        out << countRow(counter, elapsed.count(), throughput(bytes, elapsed.count()), file);
        total += counter;
        totalMilliseconds += elapsed.count();
        totalBytes += bytes;
        ++succeeded;
    }
    if (succeeded > 1)
        out << countRow(total, totalMilliseconds, throughput(totalBytes, totalMilliseconds), "total");
    return succeeded == line.inputs.size() ? EXIT_OK : EXIT_FAILED;
}

int Tool::messages(const CommandLine& line)
{
    const auto print = [this](const ZOLTextLiteral* literal) {
        const auto* message = static_cast<const ZOLMessageLiteral*>(literal);
        out << message->getId().chars() << '\t' << message->getMessageCode().chars() << '\t'
            << ZOLLogEvent::levelName(message->getLevel()) << '\t' << message->getText().chars() << '\n';
    };
    if (line.inputs.empty()) {
        for (const ZOLTextLiteral** l = ZSAX::getAllLiterals(); *l != nullptr; ++l)
            print(*l);
        return EXIT_OK;
    }
    const std::string& id = line.inputs.front();
    const ZOLTextLiteral* found = ZSAX::findTextLiteral(id.c_str());
    // A code from a diagnostic, such as ZSAX_F0005, names its message too.
    for (const ZOLTextLiteral** l = ZSAX::getAllLiterals(); found == nullptr && *l != nullptr; ++l) {
        if (static_cast<const ZOLMessageLiteral*>(*l)->getMessageCode() == id.c_str())
            found = *l;
    }
    if (found == nullptr) {
        err << "zolsax2: no message " << id << "; 'zolsax2 messages' lists them\n";
        return EXIT_FAILED;
    }
    print(found);
    return EXIT_OK;
}

} // namespace zolsax2
