// The zolsax2 tool driven in-process: golden outputs on the shipped examples, the event
// line format, and every exit status.
#include <Tool.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string examples = ZOLSAX2_EXAMPLES_DIR;
const std::string hint = "Try 'zolsax2 --help' for more information.\n";
const std::string ns = "urn:example:purchase-order";

std::string po(const std::string& name)
{
    return examples + "/purchase-order/" + name;
}

// Absolute paths of the checkout become relative to it, timings become words.
std::string mask(std::string text)
{
    for (std::size_t at = text.find(examples); at != std::string::npos; at = text.find(examples, at))
        text.replace(at, examples.size(), "examples");
    static const std::regex timing(" +[0-9]+\\.[0-9]{3} +[0-9]+\\.[0-9]{2}  ");
    return std::regex_replace(text, timing, "  TIME  RATE  ");
}

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result runTool(const std::vector<std::string>& args, const std::string& input = "")
{
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    const int status = zolsax2::run(args, in, out, err);
    return {status, mask(out.str()), mask(err.str())};
}

// The golden file's content; ZOLSAX2_UPDATE_GOLDEN=1 rewrites it with actual instead.
std::string golden(const std::string& name, const std::string& actual)
{
    const std::string path = std::string(ZOLSAX2_GOLDEN_DIR) + "/" + name;
    if (std::getenv("ZOLSAX2_UPDATE_GOLDEN") != nullptr)
        std::ofstream(path, std::ios::binary) << actual;
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

} // namespace

TEST(ToolGolden, EveryCommandOnTheExamples)
{
    struct Case {
        const char* golden;
        std::vector<std::string> args;
        int status;
    };
    const std::vector<Case> cases = {
        {"events.txt", {"events", po("order-good.xml")}, 0},
        {"events-positions.txt", {"events", "--positions", po("order-good.xml")}, 0},
        {"events-canonical.txt", {"events", "--canonical", po("order-good.xml")}, 0},
        {"check.txt", {"check", po("order-good.xml"), po("order-broken.xml"), po("not-xml.txt")}, 1},
        {"validate.txt",
         {"validate", "--schema", ns, po("purchase-order.xsd"), po("order-good.xml"), po("order-bad.xml"),
          po("order-broken.xml")},
         1},
        {"count.txt", {"count", po("order-good.xml"), po("order-bad.xml")}, 0},
        {"messages.txt", {"messages"}, 0},
    };
    for (const Case& c : cases) {
        const Result r = runTool(c.args);
        EXPECT_EQ(r.out, golden(c.golden, r.out)) << c.golden;
        EXPECT_EQ(r.err, "") << c.golden;
        EXPECT_EQ(r.status, c.status) << c.golden;
    }
}

TEST(ToolEvents, EscapesBackslashTabNewlineAndCarriageReturn)
{
    const Result r = runTool({"events"}, "<a k='1&#9;2\\'>x\\y&#9;z&#13;&#10;w</a>");
    EXPECT_EQ(r.out, "start\ta\tk=1\\t2\\\\\nchars\tx\\\\y\\tz\\r\\nw\nend\ta\n");
}

TEST(ToolEvents, MergesAdjacentCharacterRuns)
{
    const Result r = runTool({"events", "-"}, "<a>x&amp;y<![CDATA[<z>]]>&#233;<b/>t</a>");
    EXPECT_EQ(r.out, "start\ta\nchars\tx&y<z>\xC3\xA9\nstart\tb\nend\tb\nchars\tt\nend\ta\n");
}

TEST(ToolEvents, MalformedInputKeepsEventsAndReportsOnStandardError)
{
    const Result r = runTool({"events", "--positions"}, "<a>\n<b>t</c>");
    EXPECT_EQ(r.out, "1:4\tstart\ta\n2:1\tchars\t\\n\n2:4\tstart\tb\n2:5\tchars\tt\n");
    EXPECT_EQ(r.err, "<stdin>:2:7: fatal: expected end of tag 'b' [ZSAX_W0001]\n"
                     "<stdin>: fatal: Failed to parse XML file: memory [ZSAX_F0005]\n");
    EXPECT_EQ(r.status, 1);
}

TEST(ToolCheck, StandardInputAndUnreadableFile)
{
    const Result r = runTool({"check", "-", po("missing.xml")}, "<a/>");
    EXPECT_EQ(r.out, "<stdin>: ok\n"
                     "examples/purchase-order/missing.xml: fatal: unable to open primary document entity "
                     "'examples/purchase-order/missing.xml' [ZSAX_W0001]\n"
                     "examples/purchase-order/missing.xml: fatal: Failed to parse XML file: "
                     "examples/purchase-order/missing.xml [ZSAX_F0005]\n"
                     "examples/purchase-order/missing.xml: failed\n"
                     "2 files: 1 ok, 1 failed\n");
    EXPECT_EQ(r.status, 1);
}

TEST(ToolCheck, WarningsDoNotFailAndPrecedeTheFatalError)
{
    const std::string dtd = "<!DOCTYPE a [<!ATTLIST a x CDATA #IMPLIED>\n<!ATTLIST a x CDATA #IMPLIED>]>\n";
    const std::string warning = "<stdin>:2:14: warning: attribute 'x' has already been declared for element 'a' "
                                "[ZSAX_W0001]\n";
    const Result good = runTool({"check", "-"}, dtd + "<a/>");
    EXPECT_EQ(good.out, warning + "<stdin>: ok\n");
    EXPECT_EQ(good.status, 0);
    const Result bad = runTool({"check", "-"}, dtd + "<a>");
    EXPECT_EQ(bad.out,
              warning + "<stdin>:3:4: fatal: input ended before all started tags were ended; last tag started is 'a' "
                        "[ZSAX_W0001]\n"
                        "<stdin>: fatal: Failed to parse XML file: memory [ZSAX_F0005]\n<stdin>: failed\n");
    EXPECT_EQ(bad.status, 1);
}

TEST(ToolValidate, RelativeSchemaIsTakenFromTheCurrentDirectory)
{
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir((examples + "/purchase-order").c_str()), 0);
    // The document lies elsewhere, so a location resolved against it would not be found.
    char dir[] = "/tmp/zolsax2-cli-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string doc = std::string(dir) + "/order.xml";
    std::ofstream(doc) << std::ifstream("order-bad.xml").rdbuf();
    const Result r = runTool({"validate", "--schema", ns, "purchase-order.xsd", doc});
    EXPECT_EQ(r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1), doc + " fails to validate\n");
    EXPECT_EQ(r.out.find("unable to open"), std::string::npos) << r.out;
    std::remove(doc.c_str());
    rmdir(dir);
    ASSERT_EQ(chdir(previous), 0);
}

TEST(ToolValidate, SchemaPathWithBlanksIsFound)
{
    char dir[] = "/tmp/zolsax2 cli XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string schema = std::string(dir) + "/po 100%.xsd";
    std::ofstream(schema) << std::ifstream(po("purchase-order.xsd")).rdbuf();
    const Result r = runTool({"validate", "--schema", ns, schema, po("order-bad.xml")});
    EXPECT_EQ(
        r.out.substr(0, r.out.find('\n') + 1),
        "examples/purchase-order/order-bad.xml:2:88: error: invalid gYearMonth value '30.11.2026' [ZSAX_W0001]\n");
    std::remove(schema.c_str());
    rmdir(dir);
}

TEST(ToolValidate, MissingLocalSchemaIsAUsageError)
{
    const Result r = runTool({"validate", "--schema", ns, "/no/such/schema.xsd", po("order-good.xml")});
    EXPECT_EQ(r.err, "zolsax2: schema not found: /no/such/schema.xsd\n" + hint);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 2);
}

TEST(ToolValidate, SchemaUrlIsPassedOnUnchecked)
{
    const Result r = runTool({"validate", "--schema", ns, "file:///no/such/schema.xsd", po("order-good.xml")});
    EXPECT_NE(r.status, 2);
    EXPECT_NE(r.out.find("'file:///no/such/schema.xsd'"), std::string::npos) << r.out;
}

TEST(ToolMessages, OneMessageByIdentifierOrCode)
{
    const std::string line = "5\tZSAX_F0005\tFATAL\tFailed to parse XML file: {0}\n";
    EXPECT_EQ(runTool({"messages", "5"}).out, line);
    EXPECT_EQ(runTool({"messages", "ZSAX_F0005"}).out, line);
}

TEST(ToolMessages, UnknownIdentifierFails)
{
    const Result r = runTool({"messages", "7"});
    EXPECT_EQ(r.err, "zolsax2: no message 7; 'zolsax2 messages' lists them\n");
    EXPECT_EQ(r.status, 1);
}

TEST(ToolExitStatus, UsageErrorsExitWithTwoAndAHint)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no command given"},
        {{"parse", "a.xml"}, "unknown command 'parse'"},
        {{"--secure", "check", "a.xml"}, "option --secure before the command"},
        {{"check"}, "check needs at least one FILE"},
        {{"count", "-"}, "count reads files, not standard input"},
        {{"events", "--schema", "n", "l"}, "unknown option --schema for events"},
        {{"messages", "--secure"}, "unknown option --secure for messages"},
        {{"messages", "1", "2"}, "messages takes at most one ID"},
        {{"events", "--positions", "--canonical"}, "--positions and --canonical exclude each other"},
        {{"validate", "a.xml"}, "validate needs --schema NAMESPACE LOCATION"},
        {{"validate", "--schema", "n"}, "--schema needs a namespace and a location"},
        {{"validate", "--schema", "n", "a.xsd", "--schema", "m", "b.xsd", "a.xml"},
         "--schema given twice; validate takes one schema"},
    };
    for (const auto& [args, message] : cases) {
        const Result r = runTool(args);
        EXPECT_EQ(r.err, "zolsax2: " + message + "\n" + hint);
        EXPECT_EQ(r.status, 2) << message;
    }
}

TEST(ToolSecure, RefusesExternalEntitiesThatTheDefaultModeReads)
{
    const std::string doc = "<!DOCTYPE a [<!ENTITY e SYSTEM 'file://" + po("not-xml.txt") + "'>]><a>&e;</a>";
    const Result open = runTool({"events"}, doc);
    EXPECT_NE(open.out.find("chars\tThis is a plain text file"), std::string::npos) << open.out;
    EXPECT_EQ(open.status, 0);
    const Result secure = runTool({"events", "--secure"}, doc);
    EXPECT_EQ(secure.out, "start\ta\n");
    EXPECT_NE(secure.err.find(": error: external entity 'e' refused"), std::string::npos) << secure.err;
    EXPECT_EQ(secure.status, 1);
}
