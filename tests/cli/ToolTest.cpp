// The zolsax2 tool driven in-process: the event line format, quiet runs, the command line,
// help and every exit status. (The golden outputs on the shipped examples: the
// InstalledTool tests.)
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

using namespace tooltest;

TEST(ToolEvents, EscapesFieldsAndControlCharacters)
{
    const Result r =
        runTool({"events"}, "<?xml version='1.1'?><a k='1&#9;2\\&#x1b;'>x\\y&#9;z&#13;&#10;&#x7;&#x85;w</a>");
    EXPECT_EQ(r.out, "start\ta\tk=1\\t2\\\\\\x1b\nchars\tx\\\\y\\tz\\r\\n\\x07\\xc2\\x85w\nend\ta\n");
    const Result canonical = runTool({"events", "--canonical"}, "<?xml version='1.1'?><a k='&#x1b;'>&#x9b;</a>");
    EXPECT_EQ(canonical.out, "<a k=\"&#27;\">&#155;</a>");
}

TEST(ToolEvents, MergesAdjacentCharacterRunsAndSkipsEmptyOnes)
{
    const Result r = runTool({"events", "-"}, "<a>x&amp;y<![CDATA[<z>]]>&#233;<b/>t<![CDATA[]]><c/><![CDATA[]]></a>");
    EXPECT_EQ(r.out, "start\ta\nchars\tx&y<z>\xC3\xA9\nstart\tb\nend\tb\nchars\tt\nstart\tc\nend\tc\nend\ta\n");
}

TEST(ToolEvents, MalformedInputKeepsEventsAndReportsOnStandardError)
{
    const Result r = runTool({"events", "--positions"}, "<a>\n<b>t</c>");
    EXPECT_EQ(r.out, "1:4\tstart\ta\n2:1\tchars\t\\n\n2:4\tstart\tb\n2:5\tchars\tt\n");
    EXPECT_EQ(r.err, "<stdin>:2:7: fatal error: expected end of tag 'b' [ZSAX_W0001]\n<stdin>: failed\n");
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
              warning + "<stdin>:3:4: fatal error: input ended before all started tags were ended; last tag started is "
                        "'a' [ZSAX_W0001]\n<stdin>: failed\n");
    EXPECT_EQ(bad.status, 1);
}

TEST(ToolQuiet, OnlyProblemsFailuresAndTheCount)
{
    const std::vector<std::string> files = {po("order-good.xml"), po("order-broken.xml")};
    Result r = runTool(with({"check", "-q"}, files));
    EXPECT_EQ(r.out,
              "examples/purchase-order/order-broken.xml:7:17: fatal error: expected end of tag 'city' [ZSAX_W0001]\n"
              "examples/purchase-order/order-broken.xml: failed\n"
              "2 files: 1 ok, 1 failed\n");
    r = runTool({"validate", "--quiet", "--schema", ns, po("purchase-order.xsd"), po("order-good.xml")});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 0);
    r = runTool(with({"count", "-q"}, files));
    EXPECT_EQ(r.out, "  elements attributes   characters    PIs     time ms      MB/s  file\n"
                     "    failed          -            -      -           -         -  "
                     "examples/purchase-order/order-broken.xml\n"
                     "        15          6          197      1  TIME  RATE  total\n");
}

TEST(ToolMessages, OneMessageByIdentifierOrCodeAndUnknownOnesFail)
{
    const std::string line = "5\tZSAX_F0005\tFATAL\tFailed to parse XML file: {0}\n";
    EXPECT_EQ(runTool({"messages", "5"}).out, line);
    EXPECT_EQ(runTool({"messages", "ZSAX_F0005"}).out, line);
    const Result r = runTool({"messages", "7\x1b"});
    EXPECT_EQ(r.err, "zolsax2: no message 7\\x1b; 'zolsax2 messages' lists them\n");
    EXPECT_EQ(r.status, 1);
}

TEST(ToolCommandLine, OptionsBeforeOrAfterTheCommandMeanTheSame)
{
    const std::string doc = "<!DOCTYPE a [<!ENTITY e SYSTEM 'file://" + po("not-xml.txt") + "'>]><a>&e;</a>";
    const Result before = runTool({"--secure", "-q", "check", "-"}, doc);
    const Result after = runTool({"check", "-", "--secure", "--quiet"}, doc);
    EXPECT_EQ(before.out, after.out);
    EXPECT_NE(before.out.find(": error: external entity 'e' refused"), std::string::npos) << before.out;
    EXPECT_EQ(before.status, 1);
    const std::vector<std::string> files = {po("order-good.xml"), po("order-bad.xml")};
    EXPECT_EQ(runTool(with({"-j", "2", "--schema", ns, po("purchase-order.xsd"), "validate"}, files)).out,
              runTool(with({"validate", "--jobs=1", "--schema", ns, po("purchase-order.xsd")}, files)).out);
    EXPECT_EQ(runTool({"check", "--", "-q"}).out,
              "-q:0:0: fatal error: cannot read: No such file or directory\n-q: failed\n");
}

TEST(ToolCommandLine, UsageErrorsExitWithTwoAndAHint)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no command given"},
        {{"parse", "a.xml"}, "unknown command 'parse'"},
        {{"--bogus", "check", "a.xml"}, "unknown option --bogus"},
        {{"check"}, "check needs at least one FILE or --files-from"},
        {{"check", "-", "-"}, "- given twice: standard input can be read once"},
        {{"check", "--files-from", "-", "-"}, "standard input cannot be both the list of files and an input"},
        {{"check", "-0", "a.xml"}, "--null applies to a --files-from list"},
        {{"check", "--files-from", "/no/such/list"},
         "--files-from /no/such/list: cannot read: No such file or directory"},
        {{"check", "-j", "0", "a.xml"}, "-j needs a number of jobs from 1 to 1024"},
        {{"check", "--jobs=x", "a.xml"}, "--jobs needs a number of jobs from 1 to 1024"},
        {{"check", "a.xml", "-j"}, "-j needs a value"},
        {{"events", "-j", "2"}, "unknown option -j for events"},
        {{"events", "--schema", "n", "l"}, "unknown option --schema for events"},
        {{"messages", "--secure"}, "unknown option --secure for messages"},
        {{"messages", "1", "2"}, "messages takes at most one ID"},
        {{"events", "--positions", "--canonical"}, "--positions and --canonical exclude each other"},
        {{"validate", "a.xml"}, "validate needs --schema NAMESPACE LOCATION, --dtd or --dtd-file DTD"},
        {{"validate", "--schema", "n"}, "--schema needs a namespace and a location"},
        {{"validate", "--schema", "n", "-", "a.xml"}, "--schema cannot read the schema from standard input"},
        {{"validate", "--schema", "n", "", "a.xml"}, "--schema needs a location"},
        {{"check", "--follow-hints", "a.xml"}, "unknown option --follow-hints for check"},
        {{"check", "\x1b[2J\n.xml", "--x\x1b"}, "unknown option --x\\x1b"},
    };
    for (const auto& [args, message] : cases) {
        const Result r = runTool(args);
        EXPECT_EQ(r.err, "zolsax2: " + message + "\n" + hint);
        EXPECT_EQ(r.out, "") << message;
        EXPECT_EQ(r.status, 2) << message;
    }
}

TEST(ToolHelp, EachCommandHasItsOwnUsageOptionsAndExamples)
{
    const std::string full = runTool({"--help"}).out;
    for (const char* command : {"events", "check", "validate", "count", "messages"}) {
        const Result r = runTool({command, "--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind(std::string("Usage: zolsax2 ") + command, 0), 0u) << r.out;
        EXPECT_NE(r.out.find("Examples:\n  zolsax2 " + std::string(command)), std::string::npos) << r.out;
        EXPECT_LT(r.out.size(), full.size() / 2) << command;
        // Each option a command takes is in its help, and no other.
        for (const char* option :
             {"--secure", "--jobs", "--quiet", "--files-from", "--schema", "--follow-hints", "--positions"})
            EXPECT_EQ(r.out.find(option) != std::string::npos, zolsax2::CommandLine::accepts(command, option))
                << command << ' ' << option;
    }
    EXPECT_EQ(runTool({"--help", "count"}).out, runTool({"count", "--help"}).out);
    for (const char* section : {"\nCommands:\n", "\nInputs (", "\nOutput (", "\nDiagnostics", "\nValidation answers",
                                "\nEscapes:", "\nExit status:\n", "\nExamples:\n"})
        EXPECT_NE(full.find(section), std::string::npos) << section;
}

TEST(ToolHelp, SampleOutputsAreWhatTheToolPrints)
{
    // The sample in the diagnostics section, run where its names are true.
    {
        const testsupport::WorkingDirectory cli(sourceDir() + "/tests/cli");
        const Result r = runTool({"check", "data/with-entity.xml"});
        std::string sample = "    $ zolsax2 check data/with-entity.xml\n";
        for (std::size_t at = 0; at < r.out.size(); at = r.out.find('\n', at) + 1)
            sample += "    " + r.out.substr(at, r.out.find('\n', at) + 1 - at);
        EXPECT_NE(runTool({"--help"}).out.find(sample), std::string::npos) << sample;
        // The samples of the formats, whole (json, junit) or their results (sarif).
        for (const auto& [format, files] : std::vector<std::pair<std::string, std::vector<std::string>>>{
                 {"json", {"data/bad-byte.xml", "data/unbound-prefix.xml"}},
                 {"junit", {"data/unbound-prefix.xml"}},
                 {"sarif", {"data/unbound-prefix.xml"}}}) {
            std::vector<std::string> args = {"check", "--format", format};
            args.insert(args.end(), files.begin(), files.end());
            std::string output = runTool(args).out;
            if (format == "sarif")
                output = output.substr(output.find("      \"results\""),
                                       output.find("\n      ]\n") + 9 - output.find("      \"results\""));
            std::string shown;
            for (std::size_t at = 0; at < output.size(); at = output.find('\n', at) + 1)
                shown += "    " + output.substr(at, output.find('\n', at) + 1 - at);
            EXPECT_NE(runTool({"check", "--help"}).out.find(shown), std::string::npos) << shown;
        }
    }
    testsupport::ScratchDir dir;
    dir.write("x.xml", "<x/>");
    dir.write("y.xml", "<y/>");
    const testsupport::WorkingDirectory scratch(dir.getPath());
    const Result r = runTool({"validate", "--schema", "urn:example:a", "a.xsd", "x.xml", "y.xml"});
    std::string sample = "  $ zolsax2 validate --schema urn:example:a a.xsd x.xml y.xml\n";
    for (std::size_t at = 0; at < r.out.size(); at = r.out.find('\n', at) + 1)
        sample += "  " + r.out.substr(at, r.out.find('\n', at) + 1 - at);
    EXPECT_NE(runTool({"validate", "--help"}).out.find(sample), std::string::npos) << sample;
}
