#ifndef ZOLSAX2_TOOLS_REPORTWRITER_H
#define ZOLSAX2_TOOLS_REPORTWRITER_H

#include "DiagnosticLog.h"

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace zolsax2 {

class SourceNames;

// Writes what check and validate find in the format --format asks for, in input order:
//   text   the diagnostic lines and verdict lines, as DiagnosticLog prints them;
//   json   one object a line: {"type":"diagnostic",...}, {"type":"verdict",...} and a final
//          {"type":"summary",...} that says whether the run was complete;
//   sarif  one SARIF 2.1.0 log, written at the end: a result per diagnostic, the catalogue's
//          codes as rules, file URIs relative to the current directory;
//   junit  one JUnit XML report, written at the end: a test case per input, the
//          diagnostics of a failed input as its failure.
class ReportWriter {
public:
    // Writes to out for command ("check", "validate") in format.
    ReportWriter(std::ostream& out, const std::string& format, const std::string& command);
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;
    ~ReportWriter();

    // Problems that belong to no input (the schemas'); shown as DiagnosticLog::print says.
    void problems(const std::vector<DiagnosticLog::Record>& records, const SourceNames& names,
                  std::set<std::string>* shown = nullptr);
    // One input's problems and verdict; verdictLine is the text format's verdict line
    // (empty: none, as -q leaves out the lines of inputs that pass).
    void input(const std::vector<DiagnosticLog::Record>& records, const SourceNames& names,
               std::set<std::string>* shown, bool ok, const std::string& verdict, const std::string& verdictLine);
    // count's numbers of one input (json only): {"type":"count",...}.
    void counts(const std::string& file, unsigned long long elements, unsigned long long attributes,
                unsigned long long characterBytes, unsigned long long processingInstructions, double milliseconds,
                unsigned long long bytes);
    // The end of the run: summaryLine is the text format's count line (empty: none).
    void finish(std::size_t files, std::size_t failed, bool complete, const std::string& summaryLine);

    // A relative URI reference for a file name as diagnostics show it: a path with the
    // characters a URI cannot hold percent-encoded; URLs stay as they are.
    static std::string uriOf(const std::string& name);

private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace zolsax2

#endif
