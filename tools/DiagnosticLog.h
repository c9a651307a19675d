#ifndef ZOLSAX2_TOOLS_DIAGNOSTICLOG_H
#define ZOLSAX2_TOOLS_DIAGNOSTICLOG_H

#include <ZOLLog.h>

#include <string>
#include <vector>

class ZOLException;
class ZOLLogEvent;

namespace zolsax2 {

class SourceNames;

// Collects the log records of one input and prints them as FILE:LINE:COLUMN: SEVERITY: TEXT [CODE].
//
// The catalogue logs every problem the reader reports at one level, so a record's severity
// is only known once the outcome of the parse is: settle it with settleParse() or
// settleValidation() before printing.
class DiagnosticLog : public ZOLLog {
public:
    // One record with its position taken out of the text (0 when it has none); severity
    // is "warning", "error" or "fatal".
    struct Record {
        long line = 0;
        long column = 0;
        std::string severity;
        std::string text;
        std::string code;
    };

    // Keeps the record; its severity is provisional.
    void logEvent(const ZOLLogEvent& event) override;
    // Keeps a thrown catalogue message, "[CODE] text", as a fatal record without position.
    void addException(const ZOLException& exception);
    // Keeps a fatal record without position or code: a problem zolsax2 found itself, such
    // as an input it cannot read.
    void addProblem(const std::string& text);
    // The code of a thrown catalogue message ("ZSAX_F0005"), or empty.
    static std::string codeOf(const ZOLException& exception);
    // A parse succeeded: its records are warnings. A parse failed: the last reader record
    // is the one that stopped it (fatal), earlier ones at its position are errors, the
    // others warnings.
    void settleParse(bool failed);
    // A validation's records: warnings when it passed. When it failed, a record that the
    // settled plain parse of the same file also reported keeps that parse's severity (its
    // well-formedness error is fatal, DTD remarks are warnings); the others are errors.
    void settleValidation(bool valid, const DiagnosticLog& plain);

    // The records of the current input, in arrival order.
    const std::vector<Record>& getRecords() const noexcept { return records; }
    // Forgets every record, for the next input.
    void clear() noexcept { records.clear(); }
    // Appends every record to out as one line each, FILE:LINE:COLUMN: SEVERITY: TEXT [CODE]
    // (without LINE:COLUMN: when the record has no position), with the file and the paths
    // in texts shown by names, and names and texts escaped. The one place that turns a
    // record into a diagnostic line.
    void print(std::string& out, const SourceNames& names) const;

    // A record built from a catalogue text such as "(12:5): message".
    static Record fromText(const std::string& text, const std::string& code, int level);

private:
    // The last record that came from the reader, or null.
    const Record* lastReaderRecord() const;

    std::vector<Record> records;
};

} // namespace zolsax2

#endif
