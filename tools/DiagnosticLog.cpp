#include "DiagnosticLog.h"

#include "Escape.h"
#include "SourceNames.h"

#include <ZOLException.h>
#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZOLSAX2Parser.h>

#include <cctype>

namespace zolsax2 {

namespace {

const char* severityOfLevel(int level)
{
    if (level >= ZOLLogEvent::LEVEL_FATAL)
        return "fatal";
    if (level == ZOLLogEvent::LEVEL_ERROR)
        return "error";
    return "warning";
}

// Reads "(LINE:COLUMN)" at text[at]; returns the index after ')' or npos.
std::size_t readPosition(const std::string& text, std::size_t at, long& line, long& column)
{
    std::size_t i = at;
    if (i >= text.size() || text[i] != '(')
        return std::string::npos;
    long numbers[2] = {0, 0};
    for (int n = 0; n < 2; ++n) {
        const std::size_t start = ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0 && i - start < 18)
            numbers[n] = numbers[n] * 10 + (text[i++] - '0');
        if (i == start || i >= text.size() || text[i] != (n == 0 ? ':' : ')'))
            return std::string::npos;
    }
    line = numbers[0];
    column = numbers[1];
    return i + 1;
}

// Reads "LINE:COLUMN", as getPosition() gives it.
bool readBarePosition(const std::string& text, long& line, long& column)
{
    return readPosition("(" + text + ")", 0, line, column) == text.size() + 2;
}

} // namespace

DiagnosticLog::Record DiagnosticLog::fromText(const std::string& text, const std::string& code, int level)
{
    Record record;
    record.code = code;
    record.text = text;
    record.severity = severityOfLevel(level);
    // A reader record starts with its position; drop it from the text, it is printed in front.
    std::size_t end = readPosition(text, 0, record.line, record.column);
    if (end != std::string::npos && text.compare(end, 2, ": ") == 0) {
        record.text = text.substr(end + 2);
    } else {
        // The format message carries its position in the middle of a fixed sentence.
        for (std::size_t at = text.find('('); at != std::string::npos; at = text.find('(', at + 1)) {
            if (readPosition(text, at, record.line, record.column) != std::string::npos)
                break;
        }
    }
    // Xerces reports 0:0 when no document was open (a missing file, say).
    if (record.line <= 0 || record.column <= 0)
        record.line = record.column = 0;
    return record;
}

void DiagnosticLog::logEvent(const ZOLLogEvent& event)
{
    Record record = fromText(event.getText().chars(), event.getCode().chars(), event.getLevel());
    const ZOLLogLocation* location = event.getLocation();
    if (location != nullptr) {
        // The text's position is where the reader was in the input; a problem of another
        // entity (the schema, say) is at the location's own line and column.
        record.file = location->getSystemId().chars();
        record.line = location->getLine() > 0 && location->getColumn() > 0 ? location->getLine() : 0;
        record.column = record.line > 0 ? location->getColumn() : 0;
        const int reported = location->getReportedLevel();
        if (reported >= ZOLLogEvent::LEVEL_WARNING)
            record.severity = severityOfLevel(reported);
    }
    records.push_back(std::move(record));
}

void DiagnosticLog::addException(const ZOLException& exception)
{
    const std::string message = exception.getMessage().chars();
    Record record;
    record.severity = "fatal";
    record.code = codeOf(exception);
    record.text = record.code.empty() ? message : message.substr(record.code.size() + 3);
    records.push_back(record);
}

void DiagnosticLog::addProblem(const std::string& text)
{
    addFinding(std::string(), 0, 0, "fatal", text);
}

void DiagnosticLog::addFinding(const std::string& file, long line, long column, const char* severity,
                               const std::string& text)
{
    Record record;
    record.file = file;
    record.line = line > 0 && column > 0 ? line : 0;
    record.column = record.line > 0 ? column : 0;
    record.severity = severity;
    record.text = text;
    records.push_back(record);
}

void DiagnosticLog::addSkippedEntity(const char* name, const ZOLSAX2Parser& parser)
{
    long line = 0;
    long column = 0;
    readBarePosition(parser.getPosition().chars(), line, column);
    // The reader skips a reference to an entity it found no declaration of only when
    // declarations it did not read (the external DTD, an external parameter entity) may
    // hold one; an undeclared entity of a document without such is a fatal error instead.
    const std::string undeclared =
        (name[0] == '%' ? "parameter entity '" + std::string(name + 1) : "entity '" + std::string(name)) +
        "' not expanded: neither the document nor its external DTD declares it";
    const std::string text =
        externalDtdRead ? undeclared
        : name[0] == '%'
            ? "parameter entity '" + std::string(name + 1) +
                  "' not expanded: external DTD content is not read, so entities it declares are unknown"
            : "entity '" + std::string(name) +
                  "' not expanded: it is not declared in the document, and the external DTD that may declare "
                  "it is not read";
    addFinding(std::string(), line, column, "warning", text);
}

std::string DiagnosticLog::codeOf(const ZOLException& exception)
{
    const std::string message = exception.getMessage().chars();
    const std::size_t close = message.find("] ");
    if (message.empty() || message[0] != '[' || close == std::string::npos)
        return std::string();
    return message.substr(1, close - 1);
}

void DiagnosticLog::print(std::string& out, const SourceNames& names, std::set<std::string>* shown) const
{
    print(records, out, names, shown);
}

void DiagnosticLog::print(const std::vector<Record>& records, std::string& out, const SourceNames& names,
                          std::set<std::string>* shown)
{
    std::string line;
    for (const Record& r : records) {
        line.clear();
        Escape::append(line, names.nameOf(r.file), Escape::KEEP);
        // As a compiler writes it, so that the usual problem matchers of CI services read
        // every line: a problem without a position is at 0:0, a fatal one a "fatal error".
        line += ':' + std::to_string(r.line) + ':' + std::to_string(r.column) + ": ";
        line += r.severity == "fatal" ? "fatal error" : r.severity;
        line += ": ";
        Escape::append(line, names.rewrite(r.text, r.file), Escape::KEEP);
        if (!r.code.empty())
            line += " [" + r.code + ']';
        line += '\n';
        if (shown != nullptr && !names.isInput(r.file) && !shown->insert(line).second)
            continue;
        out += line;
    }
}

} // namespace zolsax2
