// zolsax2 validate answers for the schemas named on its command line only, and every
// diagnostic names the file the problem is in: the schema as given, the input as given,
// other files from the current directory. Driven in-process from the project's folder, as a
// user in a checkout would type the commands.
#include "ToolTestSupport.h"

#include <TestSupport.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <istream>
#include <streambuf>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace tooltest;

namespace {

const std::string data = "tests/cli/data/";
const std::string good = "examples/purchase-order/order-good.xml";
const std::string bad = "examples/purchase-order/order-bad.xml";
const std::string poSchema = "examples/purchase-order/purchase-order.xsd";

// The commands as a user would see them run: "$ zolsax2 ARGS", the output, the exit status.
std::string transcript(const std::vector<std::vector<std::string>>& commands)
{
    std::string text;
    for (const auto& args : commands) {
        text += "$ zolsax2";
        for (const std::string& arg : args)
            text += " " + (arg.empty() || arg.find(' ') != std::string::npos ? "'" + arg + "'" : arg);
        const Result r = runTool(args);
        text += "\n" + r.out + r.err + "(exit " + std::to_string(r.status) + ")\n\n";
    }
    return text;
}

// A --files-from list that runs action when the tool starts reading it, which with -j 1 is
// once the FILE arguments are done.
class ListWithAction : public std::streambuf {
public:
    ListWithAction(std::string names, std::function<void()> action) : names(std::move(names)), action(action) {}

protected:
    int_type underflow() override
    {
        if (at == 0 && action) {
            action();
            action = nullptr;
        }
        if (at >= names.size())
            return traits_type::eof();
        current = names[at++];
        setg(&current, &current, &current + 1);
        return traits_type::to_int_type(current);
    }

private:
    std::string names;
    std::function<void()> action;
    std::size_t at = 0;
    char current = 0;
};

} // namespace

TEST(ToolValidate, SchemaProblemsNameTheSchemaOnceAndFailEveryFile)
{
    const InDirectory root(sourceDir());
    const std::string ns = "urn:example:purchase-order";
    const Result jobs = runTool({"validate", "-j", "2", "--schema", ns, data + "declared-twice.xsd", good, bad, good});
    const std::string actual = transcript({
        {"validate", "--schema", ns, data + "declared-twice.xsd", good, bad, good},
        {"validate", "--schema", ns, data + "missing.xsd", good, bad},
        {"validate", "--schema", ns, data + "empty.xsd", good},
        {"validate", "--schema", ns, data + "not-xml.xsd", good},
        {"validate", "--schema", ns, data + "not-a-schema.xsd", good},
        {"validate", "--schema", ns, data + "other-namespace.xsd", good},
        {"validate", "--schema", ns, data + "note.xsd", good},
        {"validate", "--schema", "", poSchema, good},
        {"validate", "--schema", ns, "file:///no/such/schema.xsd", good, bad},
    });
    EXPECT_EQ(actual, golden("validate-schemas.txt", actual));
    const Result one = runTool({"validate", "-j", "1", "--schema", ns, data + "declared-twice.xsd", good, bad, good});
    EXPECT_EQ(jobs.out, one.out);
}

TEST(ToolValidate, SchemaWithoutTargetNamespaceAndHintsOnRequest)
{
    const InDirectory root(sourceDir());
    const std::string ns = "urn:example:purchase-order";
    const std::string actual = transcript({
        {"validate", "--schema", "", data + "note.xsd", data + "note-good.xml", data + "note-bad.xml", good},
        {"validate", "--schema", ns, poSchema, data + "hinted-other.xml"},
        {"validate", "--follow-hints", "--schema", ns, poSchema, data + "hinted-other.xml"},
        {"validate", "--schema", ns, poSchema, "--schema", "", data + "note.xsd", good, data + "note-good.xml",
         data + "hinted-other.xml"},
    });
    EXPECT_EQ(actual, golden("validate-namespaces.txt", actual));
}

TEST(ToolValidate, NeverValidatesAFileNotCheckedAgainstTheNamedSchema)
{
    const InDirectory root(sourceDir());
    const std::string ns = "urn:example:purchase-order";
    const std::string other = "urn:example:other";
    // Each document is valid against some schema: its own hint, or the one that was named
    // for another namespace.
    const std::vector<std::vector<std::string>> cases = {
        {"--schema", ns, data + "missing.xsd", good},
        {"--schema", ns, data + "empty.xsd", good},
        {"--schema", ns, data + "not-xml.xsd", good},
        {"--schema", ns, data + "not-a-schema.xsd", good},
        {"--schema", other, data + "other-namespace.xsd", good},
        {"--schema", ns, "file:///no/such/schema.xsd", good},
        {"--schema", ns, poSchema, data + "hinted-other.xml"},
        {"--follow-hints", "--schema", ns, poSchema, data + "hinted-other.xml"},
        {"--schema", ns, poSchema, data + "note-good.xml"},
        {"--schema", "", data + "note.xsd", good},
        {"--secure", "--schema", ns, poSchema, data + "hinted-other.xml"},
    };
    for (const auto& args : cases) {
        const Result r = runTool(with({"validate"}, args));
        EXPECT_EQ(r.out.find(" validates\n"), std::string::npos) << args[args.size() - 2] << '\n' << r.out;
        EXPECT_EQ(r.status, 1) << args[args.size() - 2];
    }
}

TEST(ToolValidate, UnreadableSchemaGivesTheSystemsReason)
{
    testsupport::ScratchDir dir;
    const std::string schema = dir.write("secret.xsd", readFile(po("purchase-order.xsd")));
    chmod(schema.c_str(), 0);
    const int fd = open(schema.c_str(), O_RDONLY);
    if (fd >= 0) {
        close(fd);
        GTEST_SKIP() << "this user reads files without permission (root)";
    }
    const Result r = runTool({"validate", "--schema", "urn:example:purchase-order", schema, po("order-good.xml")});
    EXPECT_EQ(r.out, schema + ": fatal: cannot read: Permission denied\n"
                              "examples/purchase-order/order-good.xml fails to validate\n");
    EXPECT_EQ(r.status, 1);
}

TEST(ToolValidate, ProblemsInsideAnExternalEntityNameTheEntity)
{
    const InDirectory root(sourceDir() + "/tests/cli");
    const std::string entity = "data/with-entity.xml";
    std::string actual = transcript({{"check", entity}, {"events", entity}});
    EXPECT_EQ(actual, golden("entities.txt", actual));
}

TEST(ToolValidate, EntitiesNotExpandedAreWarnings)
{
    const InDirectory root(sourceDir() + "/tests/cli");
    std::string actual = transcript({{"check", "data/skipped.xml"}, {"events", "data/skipped.xml"}});
    EXPECT_EQ(actual, golden("skipped-entities.txt", actual));
}

TEST(ToolValidate, SchemaIsLoadedOnceForAllFiles)
{
    testsupport::ScratchDir dir;
    const std::string schema = dir.write("po.xsd", readFile(po("purchase-order.xsd")));
    // The schema is gone before the second file: only a cached grammar validates it.
    ListWithAction list(po("order-good.xml") + "\n", [&] { std::remove(schema.c_str()); });
    std::istream in(&list);
    std::ostringstream out;
    std::ostringstream err;
    const int status = zolsax2::run({"validate", "-j", "1", "--schema", "urn:example:purchase-order", schema,
                                     po("order-good.xml"), "--files-from", "-"},
                                    in, out, err);
    EXPECT_EQ(mask(out.str()), "examples/purchase-order/order-good.xml validates\n"
                               "examples/purchase-order/order-good.xml validates\n"
                               "2 files: 2 validate, 0 fail to validate\n");
    EXPECT_EQ(status, 0);
}

TEST(ToolValidate, RelativeSchemaIsTakenFromTheCurrentDirectory)
{
    testsupport::ScratchDir dir;
    // The document lies elsewhere, so a location resolved against it would not be found.
    const std::string doc = dir.write("order.xml", "<purchaseOrder xmlns='urn:example:purchase-order'/>");
    const InDirectory here(examples + "/purchase-order");
    const Result r = runTool({"validate", "--schema", "urn:example:purchase-order", "purchase-order.xsd", doc});
    EXPECT_EQ(r.out, doc + ":1:52: error: missing required attribute 'orderDate' [ZSAX_W0001]\n" + doc +
                         ":1:52: error: element 'purchaseOrder' is not allowed for content model "
                         "'(shipTo,comment?,items)' [ZSAX_W0001]\n" +
                         doc + " fails to validate\n");
}

TEST(ToolValidate, SchemaPathWithBlanksIsFoundAndNamedAsGiven)
{
    testsupport::ScratchDir dir;
    const std::string schema = dir.write("po 100%.xsd", readFile(sourceDir() + "/" + data + "declared-twice.xsd"));
    const Result r = runTool({"validate", "--schema", "urn:example:purchase-order", schema, po("order-bad.xml")});
    EXPECT_EQ(r.out.substr(0, r.out.find('\n', r.out.find('\n') + 1) + 1),
              schema + ":9:61: error: global element 'purchaseOrder' declared more than once [ZSAX_W0001]\n" +
                  "examples/purchase-order/order-bad.xml:2:88: error: invalid gYearMonth value '30.11.2026' "
                  "[ZSAX_W0001]\n");
}

TEST(ToolValidate, ParallelRunsMatchOneThreadForSoundAndUnsoundSchemas)
{
    // Several workers validate before the schemas' full check is done; an ambiguous content
    // model (unique particle attribution) is found by that check alone.
    testsupport::ScratchDir dir;
    const std::string ambiguous =
        dir.write("ambiguous.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:a' "
                                   "xmlns='urn:a' elementFormDefault='qualified'><xs:element name='n'>"
                                   "<xs:complexType><xs:choice><xs:element name='a'/><xs:sequence>"
                                   "<xs:element name='a'/><xs:element name='b'/></xs:sequence></xs:choice>"
                                   "</xs:complexType></xs:element></xs:schema>");
    std::vector<std::string> poFiles;
    std::vector<std::string> ambiguousFiles;
    for (int i = 0; i < 40; ++i) {
        poFiles.push_back(i % 3 == 0 ? bad : good);
        ambiguousFiles.push_back(dir.write("a" + std::to_string(i) + ".xml",
                                           i % 4 == 0 ? "<n xmlns='urn:a'><c/></n>" : "<n xmlns='urn:a'><a/></n>"));
    }
    const InDirectory root(sourceDir());
    for (const auto& [ns, schema, files] :
         {std::make_tuple(std::string("urn:example:purchase-order"), poSchema, poFiles),
          std::make_tuple(std::string("urn:a"), ambiguous, ambiguousFiles)}) {
        std::vector<std::string> args = {"validate", "--schema", ns, schema};
        args.insert(args.end(), files.begin(), files.end());
        const Result one = runTool(with({"-j", "1"}, args));
        for (const char* jobs : {"2", "3"}) {
            const Result many = runTool(with({"-j", jobs}, args));
            EXPECT_EQ(one.out, many.out) << schema << " -j " << jobs;
            EXPECT_EQ(one.status, many.status);
        }
    }
}
