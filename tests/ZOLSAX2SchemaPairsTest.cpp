#include "TestSupport.h"

#include <ZOLSAX2Validator.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testsupport::ScratchDir;

namespace {

std::string schema(const char* targetNamespace, const char* body)
{
    return std::string("<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='") + targetNamespace +
           "' elementFormDefault='qualified'>" + body + "</xs:schema>";
}

// A document of three namespaces: an envelope in urn:a whose content must be declared
// elsewhere, a number in urn:b and a flag in urn:c.
struct ThreeNamespaces {
    ScratchDir dir;
    std::string a = dir.write("a.xsd", schema("urn:a", "<xs:element name='a'><xs:complexType><xs:sequence>"
                                                       "<xs:any namespace='##other' processContents='strict' "
                                                       "maxOccurs='unbounded'/></xs:sequence></xs:complexType>"
                                                       "</xs:element>"));
    std::string b = dir.write("b.xsd", schema("urn:b", "<xs:element name='b' type='xs:int'/>"));
    std::string c = dir.write("c.xsd", schema("urn:c", "<xs:element name='c' type='xs:boolean'/>"));
    std::string anyC = dir.write("any-c.xsd", schema("urn:c", "<xs:element name='c' type='xs:string'/>"));
    std::vector<std::string> documents = {
        dir.write("good.xml", "<a xmlns='urn:a'><b xmlns='urn:b'>1</b><c xmlns='urn:c'>true</c></a>"),
        dir.write("bad-b.xml", "<a xmlns='urn:a'><b xmlns='urn:b'>one</b><c xmlns='urn:c'>true</c></a>"),
        dir.write("bad-c.xml", "<a xmlns='urn:a'><b xmlns='urn:b'>1</b><c xmlns='urn:c'>maybe</c></a>"),
        dir.write("b-root.xml", "<b xmlns='urn:b'>2</b>"),
    };

    // "T" or "F" per document.
    std::string answers(ZOLSAX2Validator& validator)
    {
        std::string out;
        for (const std::string& document : documents)
            out += validator.validate(ZOLFile(document.c_str())) ? "T" : "F";
        return out;
    }
};

struct Mode {
    bool strict;
    bool secure;
    bool caching;
};

} // namespace

TEST(ZOLSAX2SchemaPairs, ThreeNamespacesAgainstThreePairsAndEachChangeAtTheNextValidate)
{
    ThreeNamespaces t;
    // Answers after: three pairs; urn:c's replaced; urn:b's at a missing file; every pair
    // replaced by urn:a's alone; all cleared.
    const std::vector<std::pair<Mode, std::string>> cases = {
        {{false, false, false}, "TFFT TFTT FFFF FFFF TTTT"}, {{true, false, false}, "TFFT TFTT FFFF FFFF FFFF"},
        {{false, true, false}, "TFFT TFTT FFFF FFFF TTTT"},  {{false, false, true}, "TFFT TFTT FFFF FFFF TTTT"},
        {{true, true, true}, "TFFT TFTT FFFF FFFF FFFF"},
    };
    for (const auto& [mode, expected] : cases) {
        ZOLMemoryLog log;
        ZOLSAX2Validator validator(&log);
        validator.setStrictValidation(mode.strict);
        validator.setSecureProcessing(mode.secure);
        validator.setSchemaCaching(mode.caching);
        validator.addSchema("urn:a", t.a.c_str());
        validator.addSchema("urn:b", t.b.c_str());
        validator.addSchema("urn:c", t.c.c_str());
        std::string answers = t.answers(validator);
        validator.addSchema("urn:c", t.anyC.c_str());
        answers += " " + t.answers(validator);
        validator.addSchema("urn:b", t.dir.file("missing.xsd").c_str());
        answers += " " + t.answers(validator);
        validator.addSchemaLocation("urn:a", t.a.c_str());
        answers += " " + t.answers(validator);
        validator.clearSchemas();
        answers += " " + t.answers(validator);
        EXPECT_EQ(expected, answers) << mode.strict << mode.secure << mode.caching;
    }
}

TEST(ZOLSAX2SchemaPairs, StrictRecordsNameThePairThatDidNotLoadAndCachingKeepsThem)
{
    ThreeNamespaces t;
    std::string records[2];
    for (bool caching : {false, true}) {
        ZOLMemoryLog log;
        ZOLSAX2Validator validator(&log);
        validator.setStrictValidation(true);
        validator.setSchemaCaching(caching);
        validator.addSchema("urn:a", t.a.c_str());
        validator.addSchema("urn:b", t.b.c_str());
        validator.addSchema("urn:c", t.dir.file("missing.xsd").c_str());
        // The document needs urn:b's schema only; strict validation wants urn:c's too.
        validator.validate(ZOLFile(t.documents[3].c_str()));
        records[caching] = testsupport::render(log);
    }
    const std::string missing = t.dir.file("missing.xsd");
    EXPECT_EQ("WARNING ZSAX_W0001 (0:0): unable to open primary document entity '" + missing +
                  "'\nWARNING ZSAX_W0001 (1:18): schema '" + missing + "' for namespace 'urn:c' could not be loaded\n",
              records[0]);
    EXPECT_EQ(records[0], records[1]);
}
