// External entities, DTDs and schema hints: secure processing opens none of them and says
// so with a positioned record. (The default mode opens them; see docs/security.md and the
// tool's secure test.) A refusal names what was refused; an attempt to fetch would show
// as the reader's own error instead, for a file canary or for a closed local port.

#include "HostileSupport.h"

#include <string>
#include <vector>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using hostile::Outcome;

namespace {

const char CANARY[] = "CANARY-7f3a9c";
// Nothing listens here; a fetch would fail with the reader's error, not a refusal.
const char HTTP[] = "http://127.0.0.1:9";

struct Attack {
    const char* name;
    std::string document;
    const char* refusal; // what secure processing logs, for parser and validator
    bool parserOpens;    // the default parser would open it (the external DTD subset it never does)
};

std::vector<Attack> attacks(const std::string& canaryUrl)
{
    const std::string http = HTTP;
    return {
        {"file-general-entity", "<!DOCTYPE r [<!ENTITY x SYSTEM '" + canaryUrl + "'>]><r>&x;</r>",
         "external entity 'x' refused (SYSTEM 'file://", true},
        {"http-general-entity", "<!DOCTYPE r [<!ENTITY x SYSTEM '" + http + "/entity'>]><r>&x;</r>",
         "external entity 'x' refused (SYSTEM 'http://127.0.0.1:", true},
        {"public-general-entity", "<!DOCTYPE r [<!ENTITY x PUBLIC '-//X//Y' '" + http + "/public'>]><r>&x;</r>",
         "external entity 'x' refused (PUBLIC '-//X//Y' SYSTEM 'http://", true},
        {"parameter-entity-exfiltration",
         "<!DOCTYPE r [<!ENTITY % file SYSTEM '" + canaryUrl + "'><!ENTITY % dtd SYSTEM '" + http +
             "/evil.dtd'>%dtd;]><r>&send;</r>",
         "external parameter entity '%dtd' refused (SYSTEM 'http://", true},
        {"external-dtd", "<!DOCTYPE r SYSTEM '" + http + "/ext.dtd'><r>&y;</r>",
         "external DTD refused (SYSTEM 'http://", false},
    };
}

bool contains(const std::string& haystack, const std::string& needle)
{
    return haystack.find(needle) != std::string::npos;
}

} // namespace

TEST(ExternalResources, SecureProcessingOpensNothingTheDocumentNames)
{
    testsupport::ScratchDir dir;
    const std::string canary = dir.write("canary.txt", CANARY);
    for (const Attack& a : attacks("file://" + canary)) {
        const std::string path = dir.write(std::string(a.name) + ".xml", a.document);
        for (const Outcome& o : {hostile::parseString(a.document, true), hostile::parseFile(path, true)}) {
            EXPECT_FALSE(contains(o.trace, CANARY)) << a.name;
            if (a.parserOpens) {
                EXPECT_TRUE(contains(o.exception, "[ZSAX_F0005] Failed to parse XML file: ")) << a.name;
                EXPECT_TRUE(contains(o.log, a.refusal)) << a.name << "\n" << o.log;
            }
        }
        const Outcome v = hostile::validate(path, true);
        EXPECT_FALSE(v.valid) << a.name;
        EXPECT_TRUE(contains(v.log, a.refusal)) << a.name << "\n" << v.log;
    }
    // Records carry the position of the reference.
    const Outcome o =
        hostile::parseString("<!DOCTYPE r [<!ENTITY x SYSTEM 'file://" + canary + "'>]>\n<r>\n &x;</r>", true);
    EXPECT_TRUE(
        contains(o.log, "WARNING ZSAX_W0001 (3:5): external entity 'x' refused (SYSTEM 'file://" + canary + "')"))
        << o.log;
}

TEST(ExternalResources, SecureValidatorRefusesSchemaHintsButOpensItsOwnSchema)
{
    testsupport::ScratchDir dir;
    dir.write("types.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:o' "
                           "xmlns:o='urn:o'><xs:simpleType name='t'><xs:restriction base='xs:string'>"
                           "<xs:maxLength value='3'/></xs:restriction></xs:simpleType></xs:schema>");
    const std::string schema = dir.write(
        "order.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:o' xmlns:o='urn:o' "
                     "elementFormDefault='qualified'><xs:include schemaLocation='types.xsd'/>"
                     "<xs:element name='r' type='o:t'/></xs:schema>");
    const std::string good = dir.write("good.xml", "<r xmlns='urn:o'>abc</r>");
    const std::string bad = dir.write("bad.xml", "<r xmlns='urn:o'>abcd</r>");
    const std::string hinted =
        dir.write("hinted.xml", std::string("<r xmlns='urn:o' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' "
                                            "xsi:schemaLocation='urn:h ") +
                                    HTTP + "/hint.xsd'>abc</r>");
    const std::string noNamespaceHint =
        dir.write("nn.xml", std::string("<r xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' "
                                        "xsi:noNamespaceSchemaLocation='") +
                                HTTP + "/nn.xsd'>abc</r>");

    for (bool secure : {false, true}) {
        EXPECT_TRUE(hostile::validate(good, secure, "urn:o", schema).valid) << secure;
        EXPECT_FALSE(hostile::validate(bad, secure, "urn:o", schema).valid) << secure;
    }
    const Outcome h = hostile::validate(hinted, true, "urn:o", schema);
    EXPECT_FALSE(h.valid);
    EXPECT_TRUE(contains(h.log, "schema hint for namespace 'urn:h' refused (SYSTEM 'http://127.0.0.1:")) << h.log;
    const Outcome n = hostile::validate(noNamespaceHint, true);
    EXPECT_FALSE(n.valid);
    EXPECT_TRUE(contains(n.log, "(1:")) << n.log;
    EXPECT_TRUE(contains(n.log, "schema hint without namespace refused (SYSTEM 'http://127.0.0.1:")) << n.log;
}

TEST(ExternalResources, SecureValidatorFailsClosedWithoutItsSchema)
{
    testsupport::ScratchDir dir;
    const std::string doc = dir.write("doc.xml", "<r xmlns='urn:o'><anything/></r>");
    const std::string missing = dir.file("missing.xsd");
    const std::string broken = dir.write("broken.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'");
    const std::string otherNamespace =
        dir.write("other.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:other'/>");
    for (const std::string& schema : {missing, broken, otherNamespace}) {
        const Outcome closed = hostile::validate(doc, true, "urn:o", schema);
        EXPECT_FALSE(closed.valid) << schema;
        EXPECT_TRUE(contains(closed.log, "(1:")) << closed.log;
    }
    // The default mode answers true with one warning at 0:0 for a schema it cannot open.
    const Outcome open = hostile::validate(doc, false, "urn:o", missing);
    EXPECT_TRUE(open.valid);
    EXPECT_TRUE(contains(open.log, "WARNING ZSAX_W0001 (0:0): ")) << open.log;
    const Outcome closed = hostile::validate(doc, true, "urn:o", missing);
    EXPECT_TRUE(contains(closed.log, "schema '" + missing + "' for namespace 'urn:o' could not be loaded"))
        << closed.log;
}

namespace {

// The names of the files opened in one directory while it lives.
class OpenedFiles {
public:
    explicit OpenedFiles(const std::string& directory) : fd(inotify_init1(IN_NONBLOCK))
    {
        inotify_add_watch(fd, directory.c_str(), IN_OPEN);
    }
    OpenedFiles(const OpenedFiles&) = delete;
    OpenedFiles& operator=(const OpenedFiles&) = delete;
    ~OpenedFiles() { close(fd); }
    // "name name ..." in the order they were opened.
    std::string names()
    {
        std::string out;
        alignas(inotify_event) char buffer[4096];
        for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                if (event->len > 0)
                    out += std::string(event->name) + " ";
                at += sizeof(inotify_event) + event->len;
            }
        }
        return out;
    }

private:
    int fd;
};

} // namespace

TEST(ExternalResources, SecureValidatorTakesARelativeSchemaFromTheCurrentDirectoryOfItsConfiguration)
{
    testsupport::ScratchDir dir;
    mkdir(dir.file("schemas").c_str(), 0700);
    mkdir(dir.file("documents").c_str(), 0700);
    // The caller's schemas allow three characters; the ones planted beside the document
    // allow anything and name a server.
    for (const char* ns : {"urn:po'", "'"}) {
        const std::string tns = ns[0] == '\'' ? "" : std::string(" targetNamespace='") + ns;
        const std::string name = ns[0] == '\'' ? "nn.xsd" : "po.xsd";
        dir.write("schemas/" + name, "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'" + tns +
                                         "><xs:element name='r'><xs:simpleType><xs:restriction base='xs:string'>"
                                         "<xs:maxLength value='3'/></xs:restriction></xs:simpleType></xs:element>"
                                         "</xs:schema>");
        dir.write("documents/" + name, "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'" + tns +
                                           "><xs:import namespace='urn:evil' schemaLocation='" + std::string(HTTP) +
                                           "/evil.xsd'/><xs:element name='r'/></xs:schema>");
    }
    const std::string inNamespace = dir.write("documents/po.xml", "<r xmlns='urn:po'>four</r>");
    const std::string noNamespace = dir.write("documents/nn.xml", "<r>four</r>");

    ZOLMemoryLog log;
    ZOLSAX2Validator validator(&log);
    validator.setSecureProcessing(true);
    {
        const testsupport::WorkingDirectory schemas(dir.file("schemas"));
        validator.addSchemaLocation("urn:po", "po.xsd");
        validator.addNoNamespaceSchemaLocation("nn.xsd");
    }
    // Elsewhere by the time it validates: the caller's schemas still decide, and nothing
    // beside the documents is opened but the documents themselves.
    const testsupport::WorkingDirectory documents(dir.file("documents"));
    OpenedFiles opened(dir.file("documents"));
    EXPECT_FALSE(validator.validate(ZOLFile(inNamespace.c_str())));
    EXPECT_FALSE(validator.validate(ZOLFile(noNamespace.c_str())));
    EXPECT_EQ("po.xml nn.xml ", opened.names());
    EXPECT_EQ("WARNING ZSAX_W0001 (1:27): value 'four' has length '4' which exceeds maxLength facet value '3'\n"
              "WARNING ZSAX_W0001 (1:12): value 'four' has length '4' which exceeds maxLength facet value '3'\n",
              testsupport::render(log));
}
