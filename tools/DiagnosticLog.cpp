#include "DiagnosticLog.h"

#include "Escape.h"
#include "SourceNames.h"

#include <ZOLException.h>
#include <ZOLLogEvent.h>
#include <ZSAX.h>

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

// The codes of the records the reader's problems produce.
bool isReaderCode(const std::string& code)
{
    return code == ZSAX::SAX_PARSE_ERROR.getMessageCode().chars() ||
           code == ZSAX::XML_UTF_DATAFORMAT_ERROR.getMessageCode().chars();
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
    records.push_back(fromText(event.getText().chars(), event.getCode().chars(), event.getLevel()));
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
    Record record;
    record.severity = "fatal";
    record.text = text;
    records.push_back(record);
}

std::string DiagnosticLog::codeOf(const ZOLException& exception)
{
    const std::string message = exception.getMessage().chars();
    const std::size_t close = message.find("] ");
    if (message.empty() || message[0] != '[' || close == std::string::npos)
        return std::string();
    return message.substr(1, close - 1);
}

const DiagnosticLog::Record* DiagnosticLog::lastReaderRecord() const
{
    for (auto r = records.rbegin(); r != records.rend(); ++r) {
        if (isReaderCode(r->code))
            return &*r;
    }
    return nullptr;
}

void DiagnosticLog::settleParse(bool failed)
{
    const Record* last = failed ? lastReaderRecord() : nullptr;
    for (Record& r : records) {
        if (!isReaderCode(r.code))
            continue;
        // A record at the spot where the parse stopped is part of the failure (a refused
        // entity, say); the reader's warnings elsewhere did not stop it.
        const bool atStop = last != nullptr && r.line == last->line && r.column == last->column;
        r.severity = &r == last ? "fatal" : atStop ? "error" : "warning";
    }
}

void DiagnosticLog::settleValidation(bool valid, const DiagnosticLog& plain)
{
    for (Record& r : records) {
        if (!isReaderCode(r.code))
            continue;
        r.severity = valid ? "warning" : "error";
        for (const Record& p : plain.records) {
            if (!valid && p.code == r.code && p.text == r.text && p.line == r.line && p.column == r.column)
                r.severity = p.severity;
        }
    }
}

void DiagnosticLog::print(std::string& out, const SourceNames& names) const
{
    for (const Record& r : records) {
        Escape::append(out, names.inputName(), Escape::KEEP);
        out += ':';
        if (r.line > 0)
            out += std::to_string(r.line) + ':' + std::to_string(r.column) + ':';
        out += ' ' + r.severity + ": ";
        Escape::append(out, names.rewrite(r.text), Escape::KEEP);
        if (!r.code.empty())
            out += " [" + r.code + ']';
        out += '\n';
    }
}

} // namespace zolsax2
