#include "TestSupport.h"

#include <ZOLSAX2Parser.h>
#include <ZOLSAX2Validator.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <string>
#include <type_traits>

using testsupport::render;
using testsupport::ScratchDir;

static_assert(!std::is_copy_constructible<ZOLSAX2Validator>::value, "validators must not be copied");
static_assert(!std::is_copy_assignable<ZOLSAX2Validator>::value, "validators must not be copied");

namespace {

const std::string NS = "urn:example:purchase-order";

std::string example(const char* name)
{
    char resolved[PATH_MAX];
    const std::string path = std::string(ZOLSAX2_EXAMPLES_DIR) + "/purchase-order/" + name;
    return realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

const char* const SMALL_SCHEMA = "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:t' "
                                 "xmlns='urn:t' elementFormDefault='qualified'>"
                                 "<xs:element name='n' type='xs:int'/></xs:schema>";

struct Fixture {
    ZOLMemoryLog log;
    ZOLSAX2Validator validator{&log};

    bool validate(const std::string& path)
    {
        log.clear();
        return validator.validate(ZOLFile(path.c_str()));
    }
};

} // namespace

TEST(ZOLSAX2Validator, ValidDocumentAnswersTrueAndLogsNothing)
{
    Fixture f;
    f.validator.addSchemaLocation(NS.c_str(), example("purchase-order.xsd").c_str());
    EXPECT_TRUE(f.validate(example("order-good.xml")));
    EXPECT_EQ("", render(f.log));
}

TEST(ZOLSAX2Validator, InvalidDocumentLogsOneWarningRecordPerProblem)
{
    Fixture f;
    f.validator.addSchemaLocation(NS.c_str(), example("purchase-order.xsd").c_str());
    EXPECT_FALSE(f.validate(example("order-bad.xml")));
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
}

TEST(ZOLSAX2Validator, FileThatIsNotXmlAnswersFalseWithTheFormatRecord)
{
    Fixture f;
    f.validator.addSchemaLocation(NS.c_str(), example("purchase-order.xsd").c_str());
    EXPECT_FALSE(f.validate(example("not-xml.txt")));
    EXPECT_EQ("ERROR ZSAX_E0006 An XML format error occurred during parsing the file (1:1): Please make sure the "
              "file is in the XML format\n",
              render(f.log));
}

TEST(ZOLSAX2Validator, WarningsAloneAnswerTrue)
{
    ScratchDir dir;
    const std::string doc =
        dir.write("doc.xml", "<!DOCTYPE a [<!ELEMENT a EMPTY><!ATTLIST a x CDATA #IMPLIED x CDATA #IMPLIED>]><a/>");
    Fixture f;
    EXPECT_TRUE(f.validate(doc)) << render(f.log);
    ASSERT_EQ(1u, f.log.size()) << render(f.log);
    EXPECT_EQ(ZOLLogEvent::LEVEL_WARNING, f.log.getEvents()[0].getLevel());
}

TEST(ZOLSAX2Validator, SecondSchemaLocationReplacesTheFirst)
{
    ScratchDir dir;
    const std::string schema = dir.write("t.xsd", SMALL_SCHEMA);
    const std::string doc = dir.write("doc.xml", "<n xmlns='urn:t'>12</n>");
    Fixture f;
    f.validator.addSchemaLocation("urn:t", schema.c_str());
    EXPECT_TRUE(f.validate(doc));
    EXPECT_FALSE(f.validate(dir.write("bad.xml", "<n xmlns='urn:t'>twelve</n>")));

    // With only the purchase-order pair in force, urn:t has no schema: its element is undeclared.
    f.validator.addSchemaLocation(NS.c_str(), example("purchase-order.xsd").c_str());
    EXPECT_FALSE(f.validate(doc));
    EXPECT_NE(std::string::npos, render(f.log).find("no declaration found for element 'n'")) << render(f.log);
    EXPECT_TRUE(f.validate(example("order-good.xml")));
}

TEST(ZOLSAX2Validator, EmptyNamespaceIsHandedOnAsABlankAndTheLocation)
{
    // " location" is a single token to the reader, not a namespace-location pair.
    ScratchDir dir;
    const std::string schema = dir.write(
        "plain.xsd",
        "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'><xs:element name='n' type='xs:int'/></xs:schema>");
    Fixture f;
    f.validator.addSchemaLocation("", schema.c_str());
    EXPECT_FALSE(f.validate(dir.write("doc.xml", "<n>nope</n>")));
    EXPECT_EQ("WARNING ZSAX_W0001 (1:4): schemaLocation does not contain namespace-location pairs\n", render(f.log));
}

TEST(ZOLSAX2Validator, MissingFilesAnswerFalseWithTheirRecords)
{
    Fixture f;
    f.validator.addSchemaLocation(NS.c_str(), example("purchase-order.xsd").c_str());
    EXPECT_FALSE(f.validate("/nonexistent/order.xml"));
    EXPECT_NE(std::string::npos, render(f.log).find("ZSAX_W0001 (0:0): ")) << render(f.log);
    EXPECT_NE(std::string::npos, render(f.log).find("/nonexistent/order.xml")) << render(f.log);

    f.validator.addSchemaLocation(NS.c_str(), "/nonexistent/schema.xsd");
    f.validate(example("order-bad.xml"));
    EXPECT_NE(std::string::npos, render(f.log).find("/nonexistent/schema.xsd")) << render(f.log);
}
