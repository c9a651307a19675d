// How the zolsax2 tool takes its inputs: unreadable files, standard input,
// --files-from lists, hostile file names and -j, driven in-process.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace tooltest;

TEST(ToolInput, UnreadableInputsGiveTheSystemsReason)
{
    testsupport::ScratchDir dir;
    const Result r = runTool({"check", dir.file("missing.xml"), dir.getPath()});
    const std::string missing = dir.file("missing.xml");
    EXPECT_EQ(r.out, missing + ":0:0: fatal error: cannot read: No such file or directory\n" + missing + ": failed\n" +
                         dir.getPath() + ":0:0: fatal error: cannot read: Is a directory\n" + dir.getPath() +
                         ": failed\n" + "2 files: 0 ok, 2 failed\n");
    EXPECT_EQ(r.status, 1);
    const Result validate = runTool({"validate", "--schema", ns, po("purchase-order.xsd"), missing});
    EXPECT_EQ(validate.out, missing + ":0:0: fatal error: cannot read: No such file or directory\n" + missing +
                                " fails to validate\n");
    const Result count = runTool({"count", missing});
    EXPECT_EQ(count.err,
              missing + ":0:0: fatal error: cannot read: No such file or directory\n" + missing + ": failed\n");
}

TEST(ToolInput, UnreadableForLackOfPermission)
{
    testsupport::ScratchDir dir;
    const std::string file = dir.write("secret.xml", "<a/>");
    chmod(file.c_str(), 0);
    const int fd = open(file.c_str(), O_RDONLY);
    if (fd >= 0) {
        close(fd);
        GTEST_SKIP() << "this user reads files without permission (root)";
    }
    EXPECT_EQ(runTool({"events", file}).err,
              file + ":0:0: fatal error: cannot read: Permission denied\n" + file + ": failed\n");
}

TEST(ToolInput, StandardInputOfValidateAndCount)
{
    const std::string broken = readFile(po("order-broken.xml"));
    const std::string fatal = "<stdin>:7:17: fatal error: expected end of tag 'city' [ZSAX_W0001]\n";
    EXPECT_EQ(runTool({"validate", "--schema", ns, po("purchase-order.xsd"), "-"}, broken).out,
              fatal + "<stdin> fails to validate\n");
    const Result count = runTool({"count", "-", po("order-good.xml")}, readFile(po("order-bad.xml")));
    EXPECT_EQ(count.out.substr(count.out.find('\n') + 1),
              "         9          5           85      0  TIME  RATE  <stdin>\n"
              "        15          6          197      1  TIME  RATE  examples/purchase-order/order-good.xml\n"
              "        24         11          282      1  TIME  RATE  total\n");
}

TEST(ToolInput, ValidateStreamsStandardInputWithoutACopyAndResolvesAgainstTheCurrentDirectory)
{
    testsupport::ScratchDir dir;
    setenv("TMPDIR", dir.getPath().c_str(), 1);
    const Result r =
        runTool({"validate", "--schema", ns, po("purchase-order.xsd"), "-"}, readFile(po("order-bad.xml")));
    unsetenv("TMPDIR");
    EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1),
              "<stdin>:2:88: error: invalid gYearMonth value '30.11.2026' [ZSAX_W0001]\n");
    EXPECT_EQ(r.out.find(dir.getPath()), std::string::npos) << r.out;
    EXPECT_TRUE(std::filesystem::is_empty(dir.getPath())) << "standard input was copied";
    // An entity named relative to standard input is looked for in the current directory.
    const std::string schema = dir.write("t.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' "
                                                  "targetNamespace='urn:t'><xs:element name='n'/></xs:schema>");
    dir.write("part.ent", "<oops>");
    const testsupport::WorkingDirectory here(dir.getPath());
    EXPECT_EQ(runTool({"validate", "--schema", "urn:t", schema, "-"},
                      "<!DOCTYPE n [<!ENTITY p SYSTEM 'part.ent'>]>\n<n xmlns='urn:t'>&p;</n>")
                  .out,
              "<stdin>:2:23: fatal error: expected end of tag 'oops' [ZSAX_W0001]\n<stdin> fails to validate\n");
}

TEST(ToolInput, FilesFromAListByLineOrByNulAfterTheArguments)
{
    testsupport::ScratchDir dir;
    const std::string good = po("order-good.xml");
    const std::string broken = po("order-broken.xml");
    const std::string expected =
        "examples/purchase-order/order-good.xml: ok\n"
        "examples/purchase-order/order-broken.xml:7:17: fatal error: expected end of tag 'city' "
        "[ZSAX_W0001]\n"
        "examples/purchase-order/order-broken.xml: failed\n"
        "examples/purchase-order/order-good.xml: ok\n"
        "3 files: 2 ok, 1 failed\n";
    const std::string list = dir.write("list", broken + "\n\n" + good);
    EXPECT_EQ(runTool({"check", good, "--files-from", list}).out, expected);
    EXPECT_EQ(runTool({"check", "-j2", good, "-0", "--files-from", "-"}, broken + '\0' + good + '\0').out, expected);
    // A list names files as they are: "-" is a file of that name, not standard input.
    EXPECT_EQ(runTool({"check", "--files-from", "-"}, "-\n").out,
              "./-:0:0: fatal error: cannot read: No such file or directory\n./-: failed\n1 file: 0 ok, 1 failed\n");
    // An empty list is no input at all: a failure unless --allow-empty says it is normal.
    const Result empty = runTool({"check", "--files-from", "-"}, "\n\n");
    EXPECT_EQ(empty.out + empty.err + std::to_string(empty.status),
              "zolsax2: no files to check (--allow-empty accepts that)\n1");
    const Result allowed = runTool({"check", "--allow-empty", "--files-from=-"}, "");
    EXPECT_EQ(allowed.out + allowed.err + std::to_string(allowed.status), "0 files: 0 ok, 0 failed\n0");
    // A list always ends with the count, so scripts that merge the outputs of lists find it.
    EXPECT_EQ(runTool({"check", "-q", "--files-from", "-"}, good + "\n").out, "1 file: 1 ok, 0 failed\n");
    EXPECT_EQ(runTool({"validate", "-q", "--schema", ns, po("purchase-order.xsd"), "--files-from", "-"}, good).out,
              "1 file: 1 validate, 0 fail to validate\n");
}

TEST(ToolInput, HostileFileNamesCannotForgeLinesOrReachTheTerminal)
{
    testsupport::ScratchDir dir;
    const std::string forged = dir.write("nl\nx.xml: ok\nfake.xml", "<a>");
    const std::string escape = dir.write("esc\x1b]0;title\x07.xml", "<a/>");
    const std::string latin1 = dir.write("caf\xe9.xml", "<caf\xc3\xa9/>");
    const std::string p = dir.getPath();
    const Result r = runTool({"check", forged, escape, latin1});
    EXPECT_EQ(r.out,
              p +
                  "/nl\\nx.xml: ok\\nfake.xml:1:4: fatal error: input ended before all started tags were ended; last "
                  "tag started is 'a' [ZSAX_W0001]\n" +
                  p + "/nl\\nx.xml: ok\\nfake.xml: failed\n" + p + "/esc\\x1b]0;title\\x07.xml: ok\n" + p +
                  "/caf\\xe9.xml: ok\n3 files: 2 ok, 1 failed\n");
    // A name that is not UTF-8 is read as named by every command.
    EXPECT_EQ(runTool({"events", latin1}).out, "start\tcaf\xc3\xa9\nend\tcaf\xc3\xa9\n");
    const Result count = runTool({"count", latin1});
    EXPECT_EQ(count.out.substr(count.out.find('\n') + 1),
              "         1          0            0      0  TIME  RATE  " + p + "/caf\\xe9.xml\n");
    const std::string order = dir.write("\xff\xfe.xml", readFile(po("order-good.xml")));
    EXPECT_EQ(runTool({"validate", "--schema", ns, po("purchase-order.xsd"), order}).out,
              p + "/\\xff\\xfe.xml validates\n");
}

TEST(ToolInput, ManyJobsGiveTheOutputAndStatusOfOne)
{
    // Several workers validate before the schema's full check is done: an ambiguous content
    // model (unique particle attribution) is found by that check alone, an element declared
    // twice while the schema loads.
    testsupport::ScratchDir dir;
    const std::string ambiguous =
        dir.write("ambiguous.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:a' "
                                   "xmlns='urn:a' elementFormDefault='qualified'><xs:element name='n'>"
                                   "<xs:complexType><xs:choice><xs:element name='a'/><xs:sequence>"
                                   "<xs:element name='a'/><xs:element name='b'/></xs:sequence></xs:choice>"
                                   "</xs:complexType></xs:element></xs:schema>");
    std::vector<std::string> files;
    std::vector<std::string> ambiguousFiles;
    for (int i = 0; i < 40; ++i) {
        files.push_back(po(i % 3 == 0 ? "order-good.xml" : i % 3 == 1 ? "order-bad.xml" : "order-broken.xml"));
        if (i % 4 == 0)
            files.push_back(dir.file("missing-" + std::to_string(i) + ".xml"));
        ambiguousFiles.push_back(dir.write("a" + std::to_string(i) + ".xml",
                                           i % 4 == 0 ? "<n xmlns='urn:a'><c/></n>" : "<n xmlns='urn:a'><a/></n>"));
    }
    const std::vector<std::vector<std::string>> commands = {
        with({"check"}, files),
        with({"count"}, files),
        with({"validate", "--schema", ns, po("purchase-order.xsd")}, files),
        with({"validate", "--schema", ns, sourceDir() + "/tests/cli/data/declared-twice.xsd"}, files),
        with({"validate", "--schema", "urn:a", ambiguous}, ambiguousFiles),
    };
    for (const auto& command : commands) {
        const Result one = runTool(with({"-j", "1"}, command));
        EXPECT_EQ(one.status, 1) << command[3];
        for (const char* jobs : {"2", "3"}) {
            const Result many = runTool(with({"-j", jobs}, command));
            EXPECT_EQ(many.out, one.out) << command[3] << " -j " << jobs;
            EXPECT_EQ(many.err, one.err) << command[3] << " -j " << jobs;
            EXPECT_EQ(many.status, one.status) << command[3] << " -j " << jobs;
        }
    }
}
