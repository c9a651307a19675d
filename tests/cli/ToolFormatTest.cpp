// What CI systems read: diagnostic lines a compiler's problem matcher reads, and the json,
// sarif and junit formats of check and validate over the project's own faults.
#include "ToolTestSupport.h"

#include <ZOLMemoryLog.h>
#include <ZOLSAX2Parser.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <regex>
#include <sstream>

using namespace tooltest;

namespace {

// The faults of the examples and the tool's test data, and the commands that report them.
std::vector<std::vector<std::string>> faultRuns()
{
    const std::string data = sourceDir() + "/tests/cli/data/";
    const std::vector<std::string> documents = {
        po("order-good.xml"),  po("order-bad.xml"),       po("order-broken.xml"), po("not-xml.txt"),
        po("order-items.xml"), data + "with-entity.xml",  data + "skipped.xml",   data + "note-bad.xml",
        po("missing.xml"),     data + "hinted-other.xml", data + "bad-byte.xml",  data + "unbound-prefix.xml"};
    std::vector<std::vector<std::string>> runs;
    std::vector<std::string> check = {"check"};
    check.insert(check.end(), documents.begin(), documents.end());
    runs.push_back(check);
    for (const std::string& schema : {po("purchase-order.xsd"), data + "declared-twice.xsd", data + "missing.xsd",
                                      data + "not-xml.xsd", data + "empty.xsd"}) {
        std::vector<std::string> validate = {"validate", "--schema", ns, schema};
        validate.insert(validate.end(), documents.begin(), documents.end());
        runs.push_back(validate);
    }
    return runs;
}

std::vector<std::string> plus(std::vector<std::string> args, const std::vector<std::string>& more)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

bool isVerdict(const std::string& line)
{
    for (const char* end : {": ok", ": failed", " validates", " fails to validate"}) {
        const std::string e = end;
        if (line.size() >= e.size() && line.compare(line.size() - e.size(), e.size(), e) == 0)
            return true;
    }
    return line.find(" files: ") != std::string::npos;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Counts elements by name in a well-formed document; "not well-formed" when it is not.
struct ElementCount {
    std::map<std::string, int> count;
    static void start(void* self, const char* name, const char**) { ++static_cast<ElementCount*>(self)->count[name]; }
};

std::string junitCounts(const std::string& xml)
{
    ElementCount counts;
    ZOLMemoryLog log;
    ZOLSAX2Parser parser(&counts, &log, ElementCount::start, nullptr, nullptr, nullptr);
    try {
        parser.parseString(ZOLString(xml.c_str()));
    } catch (const ZOLException& e) {
        return std::string("not well-formed: ") + e.getMessage().chars();
    }
    return std::to_string(counts.count["testcase"]) + " cases, " + std::to_string(counts.count["failure"]) +
           " failures";
}

} // namespace

TEST(ToolFormat, EveryDiagnosticLineIsOneAProblemMatcherReads)
{
    // The matcher CI services ship for gcc.
    const std::regex matcher(R"(^(.*?):(\d+):(\d*):?\s+(?:fatal\s+)?(warning|error):\s+(.*)$)");
    std::size_t diagnostics = 0;
    for (const auto& run : faultRuns()) {
        const Result r = runTool(run);
        for (const std::string& line : linesOf(r.out)) {
            if (isVerdict(line))
                continue;
            ++diagnostics;
            std::smatch m;
            EXPECT_TRUE(std::regex_match(line, m, matcher)) << line;
            // The severity is the word before the text, as the matcher reads it.
            const bool fatal = line.find(": fatal error: ") != std::string::npos;
            EXPECT_EQ(m[4].str(), fatal || line.find(": error: ") != std::string::npos ? "error" : "warning") << line;
        }
    }
    EXPECT_GT(diagnostics, 20u);
}

TEST(ToolFormat, JsonLinesAndJunitCountWhatTheTextSays)
{
    for (const auto& run : faultRuns()) {
        const Result text = runTool(run);
        std::size_t verdicts = 0;
        std::size_t failures = 0;
        for (const std::string& line : linesOf(text.out)) {
            const bool failed = line.size() > 8 && (line.compare(line.size() - 8, 8, ": failed") == 0 ||
                                                    line.find(" fails to validate") == line.size() - 18);
            const bool passed = line.size() > 4 && (line.compare(line.size() - 4, 4, ": ok") == 0 ||
                                                    line.find(" validates") == line.size() - 10);
            verdicts += failed || passed ? 1 : 0;
            failures += failed ? 1 : 0;
        }
        const Result json = runTool(plus(run, {"--format", "json"}));
        EXPECT_EQ(json.status, text.status);
        std::size_t jsonVerdicts = 0;
        std::size_t jsonFailures = 0;
        std::string summary;
        for (const std::string& line : linesOf(json.out)) {
            const nlohmann::json object = nlohmann::json::parse(line); // throws when a line does not parse
            if (object["type"] == "verdict") {
                ++jsonVerdicts;
                jsonFailures += object["ok"] ? 0 : 1;
            } else if (object["type"] == "summary") {
                summary = object.dump();
            } else {
                EXPECT_EQ(object["type"], "diagnostic");
                EXPECT_TRUE(object["line"].is_number() && object["message"].is_string()) << line;
            }
        }
        EXPECT_EQ(std::to_string(jsonVerdicts) + "/" + std::to_string(jsonFailures),
                  std::to_string(verdicts) + "/" + std::to_string(failures));
        EXPECT_EQ(summary, "{\"complete\":true,\"failed\":" + std::to_string(failures) +
                               ",\"files\":" + std::to_string(verdicts) +
                               ",\"ok\":" + std::to_string(verdicts - failures) + ",\"type\":\"summary\"}");
        EXPECT_EQ(junitCounts(runTool(plus(run, {"--format=junit"})).out),
                  std::to_string(verdicts) + " cases, " + std::to_string(failures) + " failures");
        // In input order with any -j.
        EXPECT_EQ(runTool(plus(run, {"-j3", "--format=json"})).out, json.out);
    }
}

TEST(ToolFormat, SarifPassesTheSarifValidator)
{
    const std::string validator = ZOLSAX2_SARIF_MULTITOOL;
    if (std::system(("test -x " + validator).c_str()) != 0)
        GTEST_SKIP() << "no SARIF validator at " << validator << " (sh scripts/sarif-multitool.sh installs it)";
    testsupport::ScratchDir dir;
    std::size_t runs = 0;
    // The validator takes seconds a log: the check run and the validate runs of a sound
    // schema and of one that cannot be read.
    const auto all = faultRuns();
    for (const auto& run : {all[0], all[1], all[3]}) {
        const std::string log =
            dir.write("run" + std::to_string(runs) + ".sarif", runTool(plus(run, {"--format", "sarif"})).out);
        const std::string report = dir.file("report" + std::to_string(runs++) + ".sarif");
        ASSERT_EQ(std::system((validator + " validate " + log + " -o " + report + " --log ForceOverwrite -q").c_str()),
                  0);
        std::size_t errors = 0;
        for (const auto& result : nlohmann::json::parse(readFile(report))["runs"][0]["results"])
            errors += result.value("level", "warning") == "error" ? 1 : 0;
        EXPECT_EQ(errors, 0u) << readFile(report);
    }
}

TEST(ToolFormat, SarifResultsPlaceEachProblemRelativeToTheCurrentDirectory)
{
    const testsupport::WorkingDirectory inCheckout(sourceDir());
    const Result r =
        runTool({"check", "--format", "sarif", po("order-broken.xml"), "examples/purchase-order/missing.xml"});
    const nlohmann::json run = nlohmann::json::parse(r.out)["runs"][0];
    std::string results;
    for (const auto& result : run["results"]) {
        const auto& where = result["locations"][0]["physicalLocation"];
        results += result["ruleId"].get<std::string>() + " " + result["level"].get<std::string>() + " " +
                   where["artifactLocation"]["uri"].get<std::string>() + " " +
                   (where.contains("region") ? where["region"].dump() : "-") + "\n";
    }
    EXPECT_EQ(results,
              "ZSAX_W0001 error examples/purchase-order/order-broken.xml {\"startColumn\":17,\"startLine\":7}\n"
              "zolsax2 error examples/purchase-order/missing.xml -\n");
    EXPECT_EQ(run["columnKind"], "utf16CodeUnits");
}

TEST(ToolFormat, ListsThatFailEndTheRunWithTheListsReason)
{
    const std::string good = po("order-good.xml");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        // /proc/self/mem cannot be read at offset 0: a read error.
        {{"check", good, "--files-from", "/proc/self/mem"},
         "zolsax2: --files-from /proc/self/mem: Input/output error (the run is incomplete)\n1"},
        {{"check", "--files-from", "/dev/zero"},
         "zolsax2: --files-from /dev/zero: a name longer than 4096 bytes, the longest path the system allows (the "
         "run is incomplete)\n1"},
        {{"check", "-0", "--files-from", "/dev/zero"},
         "zolsax2: --files-from /dev/zero: a name longer than 4096 bytes, the longest path the system allows (the "
         "run is incomplete)\n1"},
        {{"validate", "--schema", ns, po("purchase-order.xsd"), "--files-from", "/dev/null"},
         "zolsax2: no files to validate (--allow-empty accepts that)\n1"},
        {{"count", "--files-from=/dev/null", "--allow-empty"}, "0"},
    };
    for (const auto& [args, expected] : cases) {
        const Result r = runTool(args);
        EXPECT_EQ(r.err + std::to_string(r.status), expected);
    }
    const Result json = runTool({"check", "--format=json", good, "--files-from", "/proc/self/mem"});
    EXPECT_EQ(linesOf(json.out).back(), R"({"type":"summary","files":1,"ok":1,"failed":0,"complete":false})");
}

TEST(ToolFormat, CombinedShortOptionsAndAttachedValues)
{
    const std::string broken = po("order-broken.xml");
    EXPECT_EQ(runTool({"check", "-qj2", po("order-good.xml"), broken}).out,
              runTool({"check", "--quiet", "--jobs=2", po("order-good.xml"), broken}).out);
    EXPECT_EQ(runTool({"validate", "--schema=" + ns, po("purchase-order.xsd"), po("order-good.xml")}).out,
              "examples/purchase-order/order-good.xml validates\n");
    const Result bad = runTool({"check", "--format=xml", broken});
    EXPECT_EQ(bad.err + std::to_string(bad.status),
              "zolsax2: --format takes text, json, sarif or junit\n" + hint + "2");
    EXPECT_EQ(runTool({"check", "--no-namespaces", "-"}, "<a:b/>").out, "<stdin>: ok\n");
    EXPECT_EQ(runTool({"check", "-"}, "<a:b/>").out,
              "<stdin>:1:7: error: the prefix 'a' of element 'a:b' is not declared [ZSAX_W0001]\n<stdin>: failed\n");
}
