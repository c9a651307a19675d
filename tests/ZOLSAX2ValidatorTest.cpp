#include "TestSupport.h"

#include <ZOLSAX2Parser.h>
#include <ZOLSAX2Validator.h>

#include <gtest/gtest.h>

#include <xercesc/sax/SAXException.hpp>

#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <type_traits>
#include <vector>

using testsupport::render;
using testsupport::ScratchDir;

static_assert(!std::is_copy_constructible<ZOLSAX2Validator>::value, "validators must not be copied");
static_assert(!std::is_copy_assignable<ZOLSAX2Validator>::value, "validators must not be copied");

namespace {

const std::string NS = "urn:example:purchase-order";

std::string example(const char* name)
{
    return std::string(ZOLSAX2_EXAMPLES_DIR) + "/purchase-order/" + name;
}

const char* const SMALL_SCHEMA = "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:t' "
                                 "xmlns='urn:t' elementFormDefault='qualified'>"
                                 "<xs:element name='n' type='xs:int'/></xs:schema>";
const char* const NO_NAMESPACE_SCHEMA =
    "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'><xs:element name='n' type='xs:int'/></xs:schema>";

struct Fixture {
    ZOLMemoryLog log;
    ZOLSAX2Validator validator{&log};
};

// One folder of small schemas and documents.
struct Schemas {
    ScratchDir dir;
    std::string t = dir.write("t.xsd", SMALL_SCHEMA);
    std::string plain = dir.write("plain.xsd", NO_NAMESPACE_SCHEMA);
    std::string good = dir.write("good.xml", "<n xmlns='urn:t'>12</n>");
    std::string bad = dir.write("bad.xml", "<n xmlns='urn:t'>twelve</n>");
    // In another namespace, with a hint to a schema that it satisfies.
    std::string other = dir.write("other.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' "
                                               "targetNamespace='urn:o'><xs:element name='n'/></xs:schema>");
    std::string hinted = dir.write("hinted.xml", "<n xmlns='urn:o' xmlns:xsi='http://www.w3.org/2001/"
                                                 "XMLSchema-instance' xsi:schemaLocation='urn:o other.xsd'>x</n>");
    std::string plainGood = dir.write("plain-good.xml", "<n>7</n>");
    std::string plainBad = dir.write("plain-bad.xml", "<n>seven</n>");
    std::string warned =
        dir.write("warned.xml", "<!DOCTYPE a [<!ELEMENT a EMPTY><!ATTLIST a x CDATA #IMPLIED x CDATA #IMPLIED>]><a/>");
    std::string text = dir.write("text.xml", "nothing");
    std::string dup = dir.write("dup.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' "
                                           "targetNamespace='urn:t'>\n<xs:element name='n'/>\n"
                                           "<xs:element name='n'/></xs:schema>");

    // "T" or "F" per document, in order, then each record with its location data.
    std::string run(ZOLSAX2Validator& validator, ZOLMemoryLog& log, const std::vector<std::string>& docs)
    {
        return testsupport::validateEach(validator, log, docs, dir.getPath());
    }
};

} // namespace

TEST(ZOLSAX2Validator, AnswersWithOneRecordPerProblemAndWarningsAloneDoNotFail)
{
    Schemas s;
    Fixture f;
    f.validator.addSchemaLocation(NS.c_str(), example("purchase-order.xsd").c_str());
    EXPECT_FALSE(f.validator.validate(ZOLFile(example("order-bad.xml").c_str())));
    EXPECT_EQ("WARNING ZSAX_W0001 (2:88): invalid gYearMonth value '30.11.2026'\n"
              "WARNING ZSAX_W0001 (2:88): value 'lost' not in enumeration\n"
              "WARNING ZSAX_W0001 (3:24): attribute 'country' has value 'FR' that does not match its #FIXED value "
              "'DE'\n"
              "WARNING ZSAX_W0001 (6:12): element 'city' is not allowed for content model '(name,street,city)'\n"
              "WARNING ZSAX_W0001 (8:21): value 'ABC' does not match regular expression facet '\\d{3}-[A-Z]{2}'\n"
              "WARNING ZSAX_W0001 (10:29): value '0' must be greater than or equal to minInclusive facet value "
              "'1'\n"
              "WARNING ZSAX_W0001 (11:27): invalid character encountered\n",
              render(f.log));
    // The same validator, right after: a good file, one that is not XML, one with warnings only.
    EXPECT_EQ("T\n", s.run(f.validator, f.log, {example("order-good.xml")}));
    EXPECT_EQ("F\nERROR ZSAX_E0006 An XML format error occurred during parsing the file (1:1): Please make sure the "
              "file is in the XML format @ /text.xml:1:1 FATAL\n",
              s.run(f.validator, f.log, {s.text}));
    EXPECT_EQ("T\nWARNING ZSAX_W0001 (1:62): attribute 'x' has already been declared for element 'a' @ "
              "/warned.xml:1:62 WARNING\n",
              s.run(f.validator, f.log, {s.warned}));
}

TEST(ZOLSAX2Validator, EachSchemaSettingReplacesItsOwnLastValueOnly)
{
    Schemas s;
    Fixture f;
    f.validator.addSchemaLocation("urn:t", s.t.c_str());
    EXPECT_EQ("TF", s.run(f.validator, f.log, {s.good, s.bad}).substr(0, 2));
    // With only the purchase-order pair in force, urn:t has no schema: its element is undeclared.
    f.validator.addSchemaLocation(NS.c_str(), example("purchase-order.xsd").c_str());
    EXPECT_EQ("FT\nWARNING ZSAX_W0001 (1:18): no declaration found for element 'n' @ /good.xml:1:18 ERROR\n",
              s.run(f.validator, f.log, {s.good, example("order-good.xml")}));

    Fixture n;
    n.validator.addNoNamespaceSchemaLocation(s.plain.c_str());
    EXPECT_EQ("TF\nWARNING ZSAX_W0001 (1:13): value 'seven' does not match regular expression facet '[+\\-]?[0-9]+' "
              "@ /plain-bad.xml:1:13 ERROR\n",
              s.run(n.validator, n.log, {s.plainGood, s.plainBad}));
    n.validator.addSchemaLocation("urn:t", s.t.c_str());
    n.validator.addNoNamespaceSchemaLocation(s.plain.c_str());
    EXPECT_EQ("TTF", s.run(n.validator, n.log, {s.plainGood, s.good, s.bad}).substr(0, 3));

    // An empty namespace is not special: " location" is a single token to the reader, not a pair.
    Fixture e;
    e.validator.addSchemaLocation("", s.plain.c_str());
    EXPECT_EQ("F\nWARNING ZSAX_W0001 (1:4): schemaLocation does not contain namespace-location pairs @ "
              "/plain-bad.xml:1:4 FATAL\n",
              s.run(e.validator, e.log, {s.plainBad}));
}

TEST(ZOLSAX2Validator, ProblemsInsideASchemaNameTheSchemaAndItsLine)
{
    Schemas s;
    Fixture f;
    f.validator.addSchemaLocation("urn:t", s.dup.c_str());
    EXPECT_EQ("F\nWARNING ZSAX_W0001 (3:23): global element 'n' declared more than once @ /dup.xsd:3:23 ERROR\n",
              s.run(f.validator, f.log, {s.good}));
}

TEST(ZOLSAX2Validator, StrictModeAnswersTrueOnlyForDocumentsCheckedAgainstTheSchema)
{
    Schemas s;
    Fixture f;
    f.validator.setStrictValidation(true);
    EXPECT_EQ("F\nWARNING ZSAX_W0001 (1:18): no schema is configured, so nothing was validated @ /good.xml:1:18 "
              "ERROR\n",
              s.run(f.validator, f.log, {s.good}));

    f.validator.addSchemaLocation("urn:t", s.t.c_str());
    EXPECT_EQ("TF", s.run(f.validator, f.log, {s.good, s.bad}).substr(0, 2));
    // Its hint is not followed, so nothing declares the element.
    EXPECT_EQ("F\nWARNING ZSAX_W0001 (1:109): no declaration found for element 'n' @ /hinted.xml:1:109 ERROR\n",
              s.run(f.validator, f.log, {s.hinted}));
    // Followed on request, the hint still cannot stand in for the configured schema.
    f.validator.setStrictValidation(true, true);
    EXPECT_EQ("F\nWARNING ZSAX_W0001 (1:109): document element 'n' is in namespace 'urn:o', which no configured "
              "schema is for @ /hinted.xml:1:109 ERROR\n",
              s.run(f.validator, f.log, {s.hinted}));
    // With hints followed, the reader itself finds nothing for an unqualified element.
    EXPECT_EQ("F\nWARNING ZSAX_W0001 (1:4): no declaration found for element 'n' @ /plain-good.xml:1:4 ERROR\n",
              s.run(f.validator, f.log, {s.plainGood}));
    f.validator.setStrictValidation(false);
    EXPECT_EQ("T\n", s.run(f.validator, f.log, {s.hinted}));
}

TEST(ZOLSAX2Validator, StrictModeNeverLetsAFollowedHintStandInForAMissingSchema)
{
    Schemas s;
    // Each document hints the real schema of its namespace; the configured one is missing.
    const std::string hintsT = s.dir.write("hints-t.xml", "<n xmlns='urn:t' xmlns:xsi='http://www.w3.org/2001/"
                                                          "XMLSchema-instance' xsi:schemaLocation='urn:t t.xsd'>1</n>");
    const std::string hintsPlain =
        s.dir.write("hints-plain.xml", "<n xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' "
                                       "xsi:noNamespaceSchemaLocation='plain.xsd'>1</n>");
    const std::string missing = s.dir.file("missing.xsd");
    for (const bool caching : {false, true}) {
        // With caching, the load that finds nothing to open has the schema's location data.
        const std::string unopened = "WARNING ZSAX_W0001 (0:0): unable to open primary document entity '" + missing +
                                     "' @ " + (caching ? "/missing.xsd" : "-") + ":0:0 WARNING\n";
        Fixture pair;
        pair.validator.setSchemaCaching(caching);
        pair.validator.setStrictValidation(true, true);
        pair.validator.addSchemaLocation("urn:t", missing.c_str());
        const std::string notLoaded = "WARNING ZSAX_W0001 (1:105): schema '" + missing +
                                      "' for namespace 'urn:t' could not be loaded @ /missing.xsd:0:0 ERROR\n";
        EXPECT_EQ("FF\n" + unopened + notLoaded + unopened + notLoaded,
                  s.run(pair.validator, pair.log, {hintsT, hintsT}))
            << caching;
        // Once the configured schema is there, the same documents pass.
        pair.validator.addSchemaLocation("urn:t", s.t.c_str());
        EXPECT_EQ("TT\n", s.run(pair.validator, pair.log, {hintsT, hintsT})) << caching;

        Fixture plain;
        plain.validator.setSchemaCaching(caching);
        plain.validator.setStrictValidation(true, true);
        plain.validator.addNoNamespaceSchemaLocation(missing.c_str());
        EXPECT_EQ("F\n" + unopened + "WARNING ZSAX_W0001 (1:100): schema '" + missing +
                      "' without target namespace could not be loaded @ /missing.xsd:0:0 ERROR\n",
                  s.run(plain.validator, plain.log, {hintsPlain}))
            << caching;
        plain.validator.addNoNamespaceSchemaLocation(s.plain.c_str());
        EXPECT_EQ("T\n", s.run(plain.validator, plain.log, {hintsPlain})) << caching;
    }
}

namespace {

// A log that throws what throwIt throws at its first record.
struct ThrowingLog : ZOLMemoryLog {
    std::function<void()> throwIt;
    void logEvent(const ZOLLogEvent& event) override
    {
        ZOLMemoryLog::logEvent(event);
        if (size() == 1)
            throwIt();
    }
};

} // namespace

TEST(ZOLSAX2Validator, ExceptionsOfTheLogReachTheCallerUnchanged)
{
    Schemas s;
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"SAXNotSupportedException", [] { throw xercesc::SAXNotSupportedException(u"log"); }},
        {"SAXException", [] { throw xercesc::SAXException(u"log"); }},
        {"runtime_error", [] { throw std::runtime_error("log"); }},
    };
    for (const auto& [name, throwIt] : cases) {
        for (const bool secure : {false, true}) {
            ThrowingLog log;
            log.throwIt = throwIt;
            ZOLSAX2Validator validator(&log);
            validator.setSecureProcessing(secure);
            validator.addSchemaLocation("urn:t", s.t.c_str());
            std::string caught = "nothing";
            try {
                validator.validate(ZOLFile(s.bad.c_str()));
            } catch (const xercesc::SAXNotSupportedException&) {
                caught = "SAXNotSupportedException";
            } catch (const xercesc::SAXException&) {
                caught = "SAXException";
            } catch (const std::runtime_error&) {
                caught = "runtime_error";
            }
            // Only the reader's record, no record of the exception; the validator works on.
            EXPECT_EQ(std::string(name) + " 1", caught + " " + std::to_string(log.size())) << secure;
            log.throwIt = [] {};
            log.clear();
            EXPECT_FALSE(validator.validate(ZOLFile(s.bad.c_str())));
            EXPECT_TRUE(validator.validate(ZOLFile(s.good.c_str())));
        }
    }
}

TEST(ZOLSAX2Validator, StrictModeFailsEveryDocumentWhenTheSchemaCannotBeLoaded)
{
    Schemas s;
    const std::string notXml = s.dir.write("not-xml.xsd", "schema, honestly");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {s.dir.file("missing.xsd"),
         "WARNING ZSAX_W0001 (0:0): unable to open primary document entity '" + s.dir.file("missing.xsd") +
             "' @ -:0:0 WARNING\n"
             "WARNING ZSAX_W0001 (1:18): schema '" +
             s.dir.file("missing.xsd") + "' for namespace 'urn:t' could not be loaded @ /missing.xsd:0:0 ERROR\n"},
        {notXml,
         "ERROR ZSAX_E0006 An XML format error occurred during parsing the file (1:1): Please make sure the file is "
         "in the XML format @ /not-xml.xsd:1:1 FATAL\n"
         "WARNING ZSAX_W0001 (1:18): fatal error during schema scan @ /good.xml:1:18 FATAL\n"},
        {s.other, "WARNING ZSAX_W0001 (1:18): schema document '" + s.other +
                      "' has different target namespace from the one specified in instance document 'urn:t' @ "
                      "/good.xml:1:18 ERROR\n"
                      "WARNING ZSAX_W0001 (1:18): no declaration found for element 'n' @ /good.xml:1:18 ERROR\n"},
    };
    for (const auto& [location, expected] : cases) {
        Fixture f;
        f.validator.setStrictValidation(true);
        f.validator.addSchemaLocation("urn:t", location.c_str());
        EXPECT_EQ("F\n" + expected, s.run(f.validator, f.log, {s.good})) << location;
    }
}

namespace {

// The caching cases' schemas and documents: every way a configured schema can load or fail,
// and documents that touch each of them.
struct CachingCase {
    Schemas s;
    std::string notXml = s.dir.write("not-xml.xsd", "schema, honestly");
    // The pair's schema in two documents, the second included by the first.
    std::string part = s.dir.write("t-part.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' "
                                                 "targetNamespace='urn:t' xmlns='urn:t'><xs:simpleType name='v'>"
                                                 "<xs:restriction base='xs:int'/></xs:simpleType></xs:schema>");
    std::string whole = s.dir.write("t-whole.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' "
                                                   "targetNamespace='urn:t' xmlns='urn:t' "
                                                   "elementFormDefault='qualified'><xs:include "
                                                   "schemaLocation='t-part.xsd'/><xs:element name='n' type='v'/>"
                                                   "</xs:schema>");
    // urn:o with an int element: its grammar, brought in by one document's hint, must not
    // judge the next document.
    std::string intOther = s.dir.write("int-other.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' "
                                                        "targetNamespace='urn:o'><xs:element name='n' "
                                                        "type='xs:int'/></xs:schema>");
    std::string hintedOther =
        s.dir.write("hinted-other.xml", "<n xmlns='urn:o' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' "
                                        "xsi:schemaLocation='urn:o int-other.xsd'>5</n>");
    std::string unhintedOther = s.dir.write("unhinted-other.xml", "<n xmlns='urn:o'>five</n>");
    // A hint for the configured namespace, to a schema the document satisfies and the
    // configured one does not.
    std::string tString = s.dir.write("t-string.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' "
                                                      "targetNamespace='urn:t'><xs:element name='n'/></xs:schema>");
    std::string hintedSame =
        s.dir.write("hinted-same.xml", "<n xmlns='urn:t' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' "
                                       "xsi:schemaLocation='urn:t t-string.xsd'>twelve</n>");
    // A schema that names a DTD: secure processing refuses it while the schema loads.
    std::string schemaDtd = s.dir.write("schema.dtd", "<!ENTITY % unused 'x'>");
    std::string dtdSchema =
        s.dir.write("dtd-t.xsd", std::string("<!DOCTYPE xs:schema SYSTEM 'schema.dtd'>") + SMALL_SCHEMA);
    std::string externalDtd = s.dir.write("external-dtd.xml", "<!DOCTYPE n SYSTEM 'n.dtd'><n xmlns='urn:t'>1</n>");
    std::string dtd = s.dir.write("n.dtd", "<!ELEMENT n (#PCDATA)><!ATTLIST n xmlns CDATA #FIXED 'urn:t'>");
    // One relative location, two folders, two different schemas behind it.
    bool folders = mkdir(s.dir.file("a").c_str(), 0755) == 0 && mkdir(s.dir.file("b").c_str(), 0755) == 0;
    std::string intFolder = s.dir.write("a/t.xsd", SMALL_SCHEMA);
    std::string stringFolder = s.dir.write("b/t.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' "
                                                      "targetNamespace='urn:t'><xs:element name='n'/></xs:schema>");
    std::string wordA = s.dir.write("a/word.xml", "<n xmlns='urn:t'>word</n>");
    std::string wordB = s.dir.write("b/word.xml", "<n xmlns='urn:t'>word</n>");

    std::vector<std::string> documents()
    {
        return {
            s.good, s.bad,    s.plainGood, s.plainBad, s.hinted, hintedOther, unhintedOther, hintedSame,
            s.text, s.warned, externalDtd, s.good,     wordA,    wordB,       wordA,         s.dir.file("missing.xml")};
    }
};

struct Mode {
    bool strict;
    bool followHints;
    bool secure;
};
const Mode MODES[] = {
    {false, false, false}, {true, false, false}, {true, true, false}, {false, false, true}, {true, false, true}};

// The trace of a caching validator against one without caching: the same answers and
// records, except that a caching validator may place a problem of loading a schema, which
// the reader gives no entity or puts at the document's position, at the schema itself
// (line and column 0). Answers "" when so, else the first line that differs.
std::string differenceFromUncached(const std::string& uncached, const std::string& cached)
{
    std::istringstream u(uncached);
    std::istringstream c(cached);
    std::string a;
    std::string b;
    while (true) {
        const bool moreU = static_cast<bool>(std::getline(u, a));
        const bool moreC = static_cast<bool>(std::getline(c, b));
        if (!moreU && !moreC)
            return "";
        if (moreU != moreC)
            return "lengths differ at: " + (moreU ? a : b);
        if (a == b)
            continue;
        const std::size_t atA = a.rfind(" @ ");
        const std::size_t atB = b.rfind(" @ ");
        const bool placed = atA != std::string::npos && atB != std::string::npos &&
                            a.substr(0, atA) == b.substr(0, atB) && b.find(".xsd:0:0 ", atB) != std::string::npos &&
                            a.substr(a.rfind(' ')) == b.substr(b.rfind(' '));
        if (!placed)
            return "without caching: " + a + "\nwith caching:    " + b;
    }
}

} // namespace

TEST(ZOLSAX2Validator, SchemaCachingGivesTheAnswersAndRecordsOfAValidatorWithout)
{
    CachingCase c;
    ScratchDir& dir = c.s.dir;
    // Each configuration: the pair (namespace, location; none when empty), the schema
    // without namespace (none when empty).
    struct Configuration {
        std::string ns;
        std::string location;
        std::string noNamespace;
    };
    const std::vector<Configuration> configurations = {
        {"urn:t", c.s.t, ""},
        {"urn:t", c.s.t, c.s.plain},
        {"", "", c.s.plain},
        {"", "", ""},
        {"urn:t", c.whole, ""},
        {"urn:t", "t.xsd", ""},
        {"urn:t", dir.file("missing.xsd"), c.s.plain},
        {"urn:t", c.notXml, ""},
        {"urn:t", c.s.other, ""},
        {"urn:t", c.s.dup, ""},
        {"", c.s.t, ""},
        {"urn:t", c.s.t + " " + c.s.t, ""},
        {"urn:t", c.s.t, dir.file("missing.xsd")},
    };
    for (const Configuration& configuration : configurations) {
        for (const Mode& mode : MODES) {
            std::string traces[2];
            for (bool caching : {false, true}) {
                ZOLMemoryLog log;
                ZOLSAX2Validator validator(&log);
                validator.setSchemaCaching(caching);
                validator.setStrictValidation(mode.strict, mode.followHints);
                validator.setSecureProcessing(mode.secure);
                if (!configuration.location.empty() || !configuration.ns.empty())
                    validator.addSchemaLocation(configuration.ns.c_str(), configuration.location.c_str());
                if (!configuration.noNamespace.empty())
                    validator.addNoNamespaceSchemaLocation(configuration.noNamespace.c_str());
                traces[caching] = c.s.run(validator, log, c.documents());
            }
            EXPECT_EQ("", differenceFromUncached(traces[0], traces[1]))
                << configuration.ns << " " << configuration.location << " + " << configuration.noNamespace
                << ", strict " << mode.strict << "/" << mode.followHints << ", secure " << mode.secure;
        }
    }
}

TEST(ZOLSAX2Validator, SchemaCachingFollowsEveryChangeOfConfiguration)
{
    CachingCase c;
    std::string traces[2];
    for (bool caching : {false, true}) {
        ZOLMemoryLog log;
        ZOLSAX2Validator validator(&log);
        validator.setSchemaCaching(caching);
        const std::vector<std::string> documents = {c.s.good, c.s.bad, c.s.plainBad, c.hintedSame};
        std::string& trace = traces[caching];
        validator.addSchemaLocation("urn:t", c.s.t.c_str());
        trace += c.s.run(validator, log, documents);
        validator.addSchemaLocation("urn:t", c.tString.c_str());
        trace += c.s.run(validator, log, documents);
        validator.addNoNamespaceSchemaLocation(c.s.plain.c_str());
        trace += c.s.run(validator, log, documents);
        validator.setSecureProcessing(true);
        trace += c.s.run(validator, log, documents);
        validator.addSchemaLocation("urn:t", c.notXml.c_str());
        trace += c.s.run(validator, log, documents);
        validator.setSecureProcessing(false);
        validator.addSchemaLocation("urn:t", c.dtdSchema.c_str());
        trace += c.s.run(validator, log, documents);
        validator.setSecureProcessing(true);
        trace += c.s.run(validator, log, documents);
        validator.setSecureProcessing(false);
        trace += c.s.run(validator, log, documents);
        validator.addSchemaLocation("urn:t", c.s.t.c_str());
        validator.setSchemaCaching(!caching);
        trace += c.s.run(validator, log, documents);
        validator.setSchemaCaching(caching);
        trace += c.s.run(validator, log, documents);
    }
    EXPECT_EQ("", differenceFromUncached(traces[0], traces[1]));
    EXPECT_NE(std::string::npos, traces[0].find("external DTD refused (SYSTEM 'schema.dtd')")) << traces[0];
}

TEST(ZOLSAX2Validator, SchemaCachingReadsTheSchemaOnceUntilItIsConfiguredAgain)
{
    // In every mode, with the pair and with a schema without namespace.
    for (const Mode& mode : MODES) {
        for (bool noNamespace : {false, true}) {
            Schemas s;
            const std::string& schema = noNamespace ? s.plain : s.t;
            const std::vector<std::string> documents = noNamespace ? std::vector<std::string>{s.plainGood, s.plainBad}
                                                                   : std::vector<std::string>{s.good, s.bad};
            const std::string tns = noNamespace ? "" : " targetNamespace='urn:t'";
            const auto configure = [&](ZOLSAX2Validator& validator) {
                if (noNamespace)
                    validator.addNoNamespaceSchemaLocation(schema.c_str());
                else
                    validator.addSchemaLocation("urn:t", schema.c_str());
            };
            Fixture f;
            f.validator.setSchemaCaching(true);
            f.validator.setStrictValidation(mode.strict, mode.followHints);
            f.validator.setSecureProcessing(mode.secure);
            configure(f.validator);
            std::string answers;
            const auto run = [&] { answers += s.run(f.validator, f.log, documents).substr(0, 2) + " "; };
            run();
            // The file changes on disk: the cached grammar still judges until the schema is
            // configured again, or caching is switched off.
            s.dir.write(noNamespace ? "plain.xsd" : "t.xsd",
                        "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'" + tns +
                            "><xs:element name='n' type='xs:boolean'/></xs:schema>");
            run();
            configure(f.validator);
            run();
            s.dir.write(noNamespace ? "plain.xsd" : "t.xsd", noNamespace ? NO_NAMESPACE_SCHEMA : SMALL_SCHEMA);
            run();
            f.validator.setSchemaCaching(false);
            run();
            EXPECT_EQ("TF TF FF FF TF ", answers)
                << (noNamespace ? "no namespace" : "pair") << ", strict " << mode.strict << "/" << mode.followHints
                << ", secure " << mode.secure;
        }
    }
}

TEST(ZOLSAX2Validator, LoadSchemasTellsWhetherTheSchemaIsSoundBeforeAnyDocument)
{
    Schemas s;
    // Unique particle attribution is broken: only the full constraint check sees it.
    const std::string ambiguous = s.dir.write(
        "ambiguous.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:t' "
                         "xmlns='urn:t' elementFormDefault='qualified'><xs:element name='n'><xs:complexType>"
                         "<xs:choice><xs:element name='a'/><xs:sequence><xs:element name='a'/>"
                         "<xs:element name='b'/></xs:sequence></xs:choice></xs:complexType></xs:element></xs:schema>");
    Fixture f;
    EXPECT_FALSE(f.validator.loadSchemas());
    f.validator.setSchemaCaching(true);
    EXPECT_FALSE(f.validator.loadSchemas());
    f.validator.addSchemaLocation("urn:t", s.t.c_str());
    EXPECT_TRUE(f.validator.loadSchemas());
    f.validator.addSchemaLocation("urn:t", "t.xsd");
    EXPECT_FALSE(f.validator.loadSchemas());

    f.validator.addSchemaLocation("urn:t", ambiguous.c_str());
    EXPECT_FALSE(f.validator.loadSchemas());
    EXPECT_EQ("", render(f.log));
    f.validator.setSchemaFullChecking(false);
    EXPECT_TRUE(f.validator.loadSchemas());

    // Found by the full check alone, the problem is the schema's, not the document's.
    f.validator.setSchemaFullChecking(true);
    const std::string doc = s.dir.write("ambiguous.xml", "<n xmlns='urn:t'><a/></n>");
    EXPECT_EQ("F\nWARNING ZSAX_W0001 (1:18): complex type '__AnonC0' violates the unique particle attribution "
              "rule in its components 'a' and 'a' @ /ambiguous.xsd:0:0 ERROR\n",
              s.run(f.validator, f.log, {doc}));
}

TEST(ZOLSAX2Validator, WithoutFullCheckingASoundSchemaGivesTheSameAnswersAndRecords)
{
    CachingCase c;
    std::string traces[2];
    for (bool full : {true, false}) {
        ZOLMemoryLog log;
        ZOLSAX2Validator validator(&log);
        validator.setSchemaCaching(true);
        validator.setSchemaFullChecking(full);
        validator.setStrictValidation(true);
        validator.addSchemaLocation("urn:t", c.whole.c_str());
        validator.addNoNamespaceSchemaLocation(c.s.plain.c_str());
        traces[full] = c.s.run(validator, log, c.documents());
    }
    EXPECT_EQ(traces[1], traces[0]);
}
