// zolsax2 validate answers for the schemas named on its command line only, and every
// diagnostic names the file the problem is in: the schema as given, the input as given,
// other files from the current directory. Driven in-process from the project's folder, as a
// user in a checkout would type the commands.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <istream>
#include <streambuf>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace tooltest;

namespace {

const std::string data = "tests/cli/data/";
const std::string good = "examples/purchase-order/order-good.xml";
const std::string bad = "examples/purchase-order/order-bad.xml";
const std::string poSchema = "examples/purchase-order/purchase-order.xsd";

// A --files-from list of names that runs action when the tool starts reading it, which with
// -j 1 is once the FILE arguments are done.
struct ListWithAction : std::streambuf {
    ListWithAction(std::string names, std::function<void()> action) : names(std::move(names)), action(action) {}
    int_type underflow() override
    {
        if (!action)
            return traits_type::eof();
        action();
        action = nullptr;
        setg(names.data(), names.data(), names.data() + names.size());
        return traits_type::to_int_type(names[0]);
    }
    std::string names;
    std::function<void()> action;
};

} // namespace

TEST(ToolValidate, AnswersOnlyForTheNamedSchemasAndNamesTheSchemaOnce)
{
    const testsupport::WorkingDirectory root(sourceDir());
    const std::string ns = "urn:example:purchase-order";
    const std::string schemas = transcript({
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
    EXPECT_EQ(schemas, golden("validate-schemas.txt", schemas));
    // Each document that fails below is valid against some schema: its own hint, or the one
    // that was named for another namespace.
    const std::string namespaces = transcript({
        {"validate", "--schema", "", data + "note.xsd", data + "note-good.xml", data + "note-bad.xml", good},
        {"validate", "--schema", "urn:example:other", data + "other-namespace.xsd", good},
        {"validate", "--schema", ns, poSchema, data + "note-good.xml"},
        {"validate", "--schema", ns, poSchema, data + "hinted-other.xml"},
        {"validate", "--follow-hints", "--schema", ns, poSchema, data + "hinted-other.xml"},
        {"validate", "--secure", "--schema", ns, poSchema, data + "hinted-other.xml"},
        {"validate", "--schema", ns, poSchema, "--schema", "", data + "note.xsd", good, data + "note-good.xml",
         data + "hinted-other.xml"},
    });
    EXPECT_EQ(namespaces, golden("validate-namespaces.txt", namespaces));
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
    EXPECT_EQ(r.out, schema + ":0:0: fatal error: cannot read: Permission denied\n"
                              "examples/purchase-order/order-good.xml fails to validate\n");
    EXPECT_EQ(r.status, 1);
}

TEST(ToolValidate, ProblemsInsideAnExternalEntityNameTheEntityAndEntitiesNotExpandedAreWarnings)
{
    const testsupport::WorkingDirectory root(sourceDir() + "/tests/cli");
    const std::string entity = "data/with-entity.xml";
    const std::string actual = transcript({{"check", entity}, {"events", entity}});
    EXPECT_EQ(actual, golden("entities.txt", actual));
    const std::string skipped = transcript(
        {{"check", "data/skipped.xml"}, {"events", "data/skipped.xml"}, {"count", "-q", "data/skipped.xml"}});
    EXPECT_EQ(skipped, golden("skipped-entities.txt", skipped));
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
    const testsupport::WorkingDirectory here(examples + "/purchase-order");
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

TEST(ToolValidate, OneSchemaPerNamespaceTheLastGivenForANamespaceWinning)
{
    testsupport::ScratchDir dir;
    const auto schema = [](const std::string& ns, const std::string& body) {
        return "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='" + ns +
               "' elementFormDefault='qualified'>" + body + "</xs:schema>";
    };
    const std::string a = dir.write("a.xsd", schema("urn:a", "<xs:element name='a'><xs:complexType><xs:sequence>"
                                                             "<xs:any namespace='##other' maxOccurs='unbounded'/>"
                                                             "</xs:sequence></xs:complexType></xs:element>"));
    const std::string b = dir.write("b.xsd", schema("urn:b", "<xs:element name='b' type='xs:int'/>"));
    const std::string c = dir.write("c.xsd", schema("urn:c", "<xs:element name='c' type='xs:boolean'/>"));
    const std::string anyC = dir.write("any-c.xsd", schema("urn:c", "<xs:element name='c' type='xs:string'/>"));
    const std::string doc =
        dir.write("doc.xml", "<a xmlns='urn:a'><b xmlns='urn:b'>1</b><c xmlns='urn:c'>maybe</c></a>");
    for (const char* jobs : {"1", "2"}) {
        const Result three = runTool(
            {"validate", "-j", jobs, "--schema", "urn:a", a, "--schema", "urn:b", b, "--schema", "urn:c", c, doc});
        EXPECT_EQ(three.out,
                  doc + ":1:66: error: value 'maybe' is invalid boolean [ZSAX_W0001]\n" + doc + " fails to validate\n");
        const Result replaced = runTool({"validate", "-j", jobs, "--schema", "urn:a", a, "--schema", "urn:c", c,
                                         "--schema", "urn:b", b, "--schema", "urn:c", anyC, doc});
        EXPECT_EQ(replaced.out, doc + " validates\n");
    }
}

TEST(ToolValidate, DtdAloneOrBesideSchemasWithEveryWayOfRunning)
{
    const testsupport::WorkingDirectory root(sourceDir());
    const std::string dir = data + "dtd/";
    const std::vector<std::string> files = {dir + "good.xml", dir + "schema-only.xml", dir + "no-doctype.xml"};
    const std::string actual = transcript({
        with({"validate", "--dtd"}, files),
        // The schema takes what the DTD refuses: valid means valid against both.
        with({"validate", "--schema", "", data + "note.xsd"}, files),
        with({"validate", "--dtd", "--schema", "", data + "note.xsd"}, files),
        with({"validate", "--dtd-file", dir + "note.dtd", "-q"}, files),
        with({"validate", "--dtd", "--secure", "--no-catalogs"}, files),
    });
    EXPECT_EQ(golden("validate-dtd.txt", actual), actual);
    // Several workers and a list of files give the output of one.
    const std::string list = dir + "good.xml\n" + dir + "schema-only.xml\n" + dir + "no-doctype.xml\n";
    for (const char* jobs : {"1", "2", "3"}) {
        const Result r =
            runTool({"validate", "--dtd", "--schema", "", data + "note.xsd", "-j", jobs, "--files-from", "-"}, list);
        EXPECT_EQ(runTool(with({"validate", "--dtd", "--schema", "", data + "note.xsd"}, files)).out, r.out) << jobs;
    }
}

TEST(ToolLoadDtd, TheExternalDtdsEntitiesAndDefaultsAndOnlyTheUndeclaredSkipped)
{
    const testsupport::WorkingDirectory root(sourceDir());
    const std::string dir = data + "dtd/";
    const std::string actual = transcript({
        {"events", "--load-dtd", dir + "good.xml"},
        {"check", dir + "undeclared.xml"},
        {"check", "--load-dtd", dir + "undeclared.xml"},
        {"count", "--load-dtd", "--secure", "--no-catalogs", dir + "good.xml"},
    });
    EXPECT_EQ(golden("load-dtd.txt", actual), actual);
}
