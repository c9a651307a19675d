#ifndef ZOLSAX2_TOOLS_DIAGNOSTICLOG_H
#define ZOLSAX2_TOOLS_DIAGNOSTICLOG_H

#include <ZOLLog.h>

#include <set>
#include <string>
#include <vector>

class ZOLException;
class ZOLLogEvent;
class ZOLSAX2Parser;

namespace zolsax2 {

class SourceNames;

// Collects the log records of one input and prints them as FILE:LINE:COLUMN: SEVERITY: TEXT [CODE],
// SEVERITY being "warning", "error" or "fatal error".
//
// A record's file, position and severity come from its location data: the entity the
// reader was in and how the reader itself classed the problem. A record without location
// data (one the library writes after a parse, say) belongs to the input, takes its position
// from the catalogue text when the text has one and its severity from the catalogue level.
class DiagnosticLog : public ZOLLog {
public:
    // One record. file is the reader's system identifier of the entity the problem is in
    // (empty: the input itself); line and column are 0 when there is no position; severity
    // is "warning", "error" or "fatal".
    struct Record {
        std::string file;
        long line = 0;
        long column = 0;
        std::string severity;
        std::string text;
        std::string code;
    };

    // Keeps the record.
    void logEvent(const ZOLLogEvent& event) override;
    // Keeps a thrown catalogue message, "[CODE] text", as a fatal record without position.
    void addException(const ZOLException& exception);
    // Keeps a fatal record without position or code: a problem zolsax2 found itself, such
    // as an input it cannot read.
    void addProblem(const std::string& text);
    // Keeps a record without code that zolsax2 found in file (a system identifier, empty
    // for the input) at line and column.
    void addFinding(const std::string& file, long line, long column, const char* severity, const std::string& text);
    // Keeps a warning for an entity reference the reader did not expand (name as the
    // parser's skipped-entity callback gives it), at parser's position. Call it from that
    // callback.
    void addSkippedEntity(const char* name, const ZOLSAX2Parser& parser);
    // Whether the parser reads the external DTD (--load-dtd), which the skipped entities'
    // warnings then no longer blame.
    void setExternalDtdRead(bool read) { externalDtdRead = read; }
    // The code of a thrown catalogue message ("ZSAX_F0005"), or empty.
    static std::string codeOf(const ZOLException& exception);

    // The records of the current input, in arrival order.
    const std::vector<Record>& getRecords() const noexcept { return records; }
    // Forgets every record, for the next input.
    void clear() noexcept { records.clear(); }
    // Appends every record to out as one line each, FILE:LINE:COLUMN: SEVERITY: TEXT [CODE]
    // (0:0 when the record has no position), with the files and the paths
    // in texts shown by names, and names and texts escaped. The one place that turns a
    // record into a diagnostic line. With shown, a record in a file other than the input
    // whose line is in shown already is left out, and the lines of the others are added:
    // a problem of a file that many inputs share (the schema) is printed once.
    void print(std::string& out, const SourceNames& names, std::set<std::string>* shown = nullptr) const;
    // Prints records (of another log) as print() does.
    static void print(const std::vector<Record>& records, std::string& out, const SourceNames& names,
                      std::set<std::string>* shown = nullptr);

    // A record built from a catalogue text such as "(12:5): message", without location data.
    static Record fromText(const std::string& text, const std::string& code, int level);

private:
    std::vector<Record> records;
    bool externalDtdRead = false;
};

} // namespace zolsax2

#endif
