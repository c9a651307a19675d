#include "ReportWriter.h"

#include "Escape.h"
#include "SourceNames.h"

#include <ZOLLogEvent.h>
#include <ZOLMessageLiteral.h>
#include <ZSAX.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <ostream>
#include <utility>

namespace zolsax2 {

using Json = nlohmann::ordered_json;

namespace {

// A diagnostic with its file shown by name and its text with paths rewritten; not escaped.
struct Shown {
    std::string file;
    long line;
    long column;
    std::string severity;
    std::string text;
    std::string code;
    // The text format's line.
    std::string printed;
};

std::vector<Shown> resolve(const std::vector<DiagnosticLog::Record>& records, const SourceNames& names,
                           std::set<std::string>* shown)
{
    std::vector<Shown> result;
    for (const DiagnosticLog::Record& r : records) {
        std::string printed;
        DiagnosticLog::print({r}, printed, names, shown);
        if (printed.empty())
            continue;
        result.push_back({names.nameOf(r.file), r.line, r.column, r.severity == "fatal" ? "fatal error" : r.severity,
                          names.rewrite(r.text, r.file), r.code, printed});
    }
    return result;
}

// One JSON line; bytes that are not UTF-8 (in a file name, say) become U+FFFD.
std::string line(const Json& object)
{
    return object.dump(-1, ' ', false, Json::error_handler_t::replace) + '\n';
}

Json codeOf(const std::string& code)
{
    return code.empty() ? Json(nullptr) : Json(code);
}

// Text that is already escaped as the text format escapes it, with XML's markup escaped.
std::string xmlOnly(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// A raw name or text, escaped as the text format does it, then for XML.
std::string xmlEscaped(const std::string& raw)
{
    return xmlOnly(Escape::text(raw));
}

// The lines of the text format.
std::string linesOf(const std::vector<Shown>& diagnostics)
{
    std::string text;
    for (const Shown& d : diagnostics)
        text += d.printed;
    return text;
}

// The rule of the problems zolsax2 finds itself, which have no catalogue code.
const char* const TOOL_RULE = "zolsax2";

} // namespace

struct ReportWriter::State {
    State(std::ostream& out, std::string format, std::string command)
        : out(out), format(std::move(format)), command(std::move(command))
    {}

    std::ostream& out;
    std::string format;
    std::string command;
    // SARIF: the results so far. JUnit: the test cases so far and the run's other problems.
    Json results = Json::array();
    std::string cases;
    std::string otherProblems;

    void sarifResult(const Shown& d)
    {
        Json result;
        result["ruleId"] = d.code.empty() ? TOOL_RULE : d.code;
        result["level"] = d.severity == "warning" ? "warning" : "error";
        result["message"] = {{"text", d.text}};
        Json physical = {{"artifactLocation", {{"uri", uriOf(d.file)}}}};
        if (uriOf(d.file).find(':') == std::string::npos)
            physical["artifactLocation"]["uriBaseId"] = "CWD";
        if (d.line > 0)
            physical["region"] = {{"startLine", d.line}, {"startColumn", d.column}};
        result["locations"] = Json::array({{{"physicalLocation", physical}}});
        results.push_back(result);
    }
    void json(const Shown& d)
    {
        out << line({{"type", "diagnostic"},
                     {"file", d.file},
                     {"line", d.line},
                     {"column", d.column},
                     {"severity", d.severity},
                     {"code", codeOf(d.code)},
                     {"message", d.text}});
    }
    void writeSarif(bool complete) const;
    void writeJunit(std::size_t files, std::size_t failed) const;
};

ReportWriter::ReportWriter(std::ostream& out, const std::string& format, const std::string& command)
    : state(new State{out, format, command})
{}

ReportWriter::~ReportWriter() = default;

std::string ReportWriter::uriOf(const std::string& given)
{
    if (given.find("://") != std::string::npos)
        return given;
    // A file below the current directory by its path from there, any other by its file: URL.
    std::error_code ec;
    const std::string cwd = std::filesystem::current_path(ec).string() + "/";
    const bool below = !ec && given.compare(0, cwd.size(), cwd) == 0 && given.size() > cwd.size();
    const std::string name = below ? given.substr(cwd.size()) : given;
    std::string uri = name.size() > 0 && name[0] == '/' ? "file://" : "";
    static const char* hex = "0123456789ABCDEF";
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~' || c == '/')
            uri += c;
        else
            uri += std::string("%") + hex[u >> 4] + hex[u & 15];
    }
    return uri;
}

void ReportWriter::problems(const std::vector<DiagnosticLog::Record>& records, const SourceNames& names,
                            std::set<std::string>* shown)
{
    State& s = *state;
    for (const Shown& d : resolve(records, names, shown)) {
        if (s.format == "text")
            s.out << d.printed;
        else if (s.format == "json")
            s.json(d);
        else if (s.format == "sarif")
            s.sarifResult(d);
        else
            s.otherProblems += d.printed;
    }
}

void ReportWriter::input(const std::vector<DiagnosticLog::Record>& records, const SourceNames& names,
                         std::set<std::string>* shown, bool ok, const std::string& verdict,
                         const std::string& verdictLine)
{
    State& s = *state;
    const std::vector<Shown> diagnostics = resolve(records, names, shown);
    if (s.format == "text") {
        s.out << linesOf(diagnostics) << verdictLine;
    } else if (s.format == "json") {
        for (const Shown& d : diagnostics)
            s.json(d);
        s.out << line({{"type", "verdict"}, {"file", names.inputName()}, {"ok", ok}, {"verdict", verdict}});
    } else if (s.format == "sarif") {
        for (const Shown& d : diagnostics)
            s.sarifResult(d);
    } else {
        s.cases +=
            "    <testcase classname=\"zolsax2." + s.command + "\" name=\"" + xmlEscaped(names.inputName()) + "\"";
        const std::string lines = xmlOnly(linesOf(diagnostics));
        if (ok && lines.empty()) {
            s.cases += "/>\n";
            return;
        }
        s.cases += ">\n";
        if (ok) {
            s.cases += "      <system-out>" + lines + "</system-out>\n";
        } else {
            const std::string message = diagnostics.empty() ? verdict : diagnostics.front().text;
            s.cases += "      <failure message=\"" + xmlEscaped(message) + "\" type=\"" +
                       (diagnostics.empty() || diagnostics.front().code.empty() ? std::string("zolsax2")
                                                                                : diagnostics.front().code) +
                       "\">" + lines + "</failure>\n";
        }
        s.cases += "    </testcase>\n";
    }
}

void ReportWriter::counts(const std::string& file, unsigned long long elements, unsigned long long attributes,
                          unsigned long long characterBytes, unsigned long long processingInstructions,
                          double milliseconds, unsigned long long bytes)
{
    state->out << line({{"type", "count"},
                        {"file", file},
                        {"elements", elements},
                        {"attributes", attributes},
                        {"characterBytes", characterBytes},
                        {"processingInstructions", processingInstructions},
                        {"milliseconds", milliseconds},
                        {"bytes", bytes}});
}

void ReportWriter::finish(std::size_t files, std::size_t failed, bool complete, const std::string& summaryLine)
{
    State& s = *state;
    if (s.format == "text")
        s.out << summaryLine;
    else if (s.format == "json")
        s.out << line({{"type", "summary"},
                       {"files", files},
                       {"ok", files - failed},
                       {"failed", failed},
                       {"complete", complete}});
    else if (s.format == "sarif")
        s.writeSarif(complete);
    else
        s.writeJunit(files, failed);
}

void ReportWriter::State::writeSarif(bool complete) const
{
    Json rules = Json::array();
    for (const ZOLTextLiteral** l = ZSAX::getAllLiterals(); *l != nullptr; ++l) {
        const auto* message = static_cast<const ZOLMessageLiteral*>(*l);
        rules.push_back({{"id", message->getMessageCode().chars()},
                         {"shortDescription", {{"text", message->getText().chars()}}},
                         {"defaultConfiguration",
                          {{"level", message->getLevel() >= ZOLLogEvent::LEVEL_ERROR ? "error" : "warning"}}}});
    }
    rules.push_back(
        {{"id", TOOL_RULE},
         {"shortDescription", {{"text", "a problem zolsax2 finds itself, such as an input it cannot read"}}},
         {"defaultConfiguration", {{"level", "error"}}}});
    Json indexed = results;
    for (Json& result : indexed) {
        for (std::size_t i = 0; i < rules.size(); ++i) {
            if (rules[i]["id"] == result["ruleId"])
                result["ruleIndex"] = i;
        }
    }
    std::error_code ec;
    const std::string cwd = std::filesystem::current_path(ec).string();
    Json log = {
        {"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
        {"version", "2.1.0"},
        {"runs",
         Json::array({{{"tool", {{"driver", {{"name", "zolsax2"}, {"version", ZOLSAX2_VERSION}, {"rules", rules}}}}},
                       {"invocations", Json::array({{{"executionSuccessful", complete}}})},
                       {"originalUriBaseIds", {{"CWD", {{"uri", ReportWriter::uriOf(cwd + "/")}}}}},
                       {"columnKind", "utf16CodeUnits"},
                       {"results", indexed}}})}};
    out << log.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

void ReportWriter::State::writeJunit(std::size_t files, std::size_t failed) const
{
    const std::string counts =
        "tests=\"" + std::to_string(files) + "\" failures=\"" + std::to_string(failed) + "\" errors=\"0\"";
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<testsuites name=\"zolsax2 " << command << "\" " << counts << ">\n"
        << "  <testsuite name=\"zolsax2 " << command << "\" " << counts << " skipped=\"0\">\n"
        << cases;
    if (!otherProblems.empty())
        out << "    <system-err>" << xmlOnly(otherProblems) << "</system-err>\n";
    out << "  </testsuite>\n</testsuites>\n";
}

} // namespace zolsax2
