// The parser and the validator reading through a resolver: the test catalog
// catalog/resources.xml maps http names to the files of catalog/resources/, and hooks of the
// test's own answer with content or refuse.

#include "TestSupport.h"

#include <ZOLSAX2Catalog.h>
#include <ZOLSAX2Parser.h>
#include <ZOLSAX2Validator.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using testsupport::render;
using testsupport::renderLocated;
using testsupport::ScratchDir;
using testsupport::Traced;

namespace {

const std::string catalogDir = ZOLSAX2_CATALOG_DIR;

ZOLSAX2Catalog& testCatalog()
{
    static ZOLSAX2Catalog catalog(ZOLString((catalogDir + "/resources.xml").c_str()), nullptr);
    return catalog;
}

// A hook that answers every request with the same content, and notes what it was asked.
struct ContentHook {
    std::string asked;
    const char* content = "from memory";

    static bool resolve(void* context, int kind, const char* publicId, const char* systemId, const char*,
                        ZOLSAX2Resolved* answer)
    {
        auto* hook = static_cast<ContentHook*>(context);
        hook->asked += std::to_string(kind) + "[" + (publicId == nullptr ? "" : publicId) + "|" + systemId + "]";
        answer->location = nullptr;
        answer->content = hook->content;
        answer->contentLength = std::strlen(hook->content);
        return true;
    }
};

// A hook that refuses every request.
bool refuseAll(void*, int, const char*, const char*, const char*, ZOLSAX2Resolved* answer)
{
    answer->location = nullptr;
    answer->content = nullptr;
    answer->contentLength = 0;
    return true;
}

const char* const chapterDocument = "<!DOCTYPE doc [<!ENTITY ch SYSTEM 'http://example.com/ent/chapter.ent'>]>"
                                    "<doc>&ch;</doc>";

struct ParserCase {
    const char* name;
    bool secure;
    const char* document;
    std::string expected; // trace, then " | " and the records
};

std::string parseTraced(Traced& t, const char* document)
{
    std::string failed;
    try {
        t.parser.parseString(document);
    } catch (const ZOLException&) {
        failed = " FAILED";
    }
    std::string out = t.trace.str() + failed + " | " + renderLocated(t.log, "");
    // Paths of the test resources, by their names alone.
    const std::string dir = catalogDir + "/resources/";
    for (std::size_t at = out.find(dir); at != std::string::npos; at = out.find(dir))
        out.erase(at, dir.size());
    return out;
}

} // namespace

TEST(ZOLSAX2Resolver, TheParserReadsTheEntitiesACatalogMapsAndRefusesOthersInSecureMode)
{
    const std::vector<ParserCase> cases = {
        {"mapped entity", false, chapterDocument, "(doc \"Chapter text\")doc | "},
        {"mapped entity, secure", true, chapterDocument, "(doc \"Chapter text\")doc | "},
        {"unmapped entity, secure", true,
         "<!DOCTYPE doc [<!ENTITY ch SYSTEM 'http://example.com/unmapped.ent'>]><doc>&ch;</doc>",
         "(doc  FAILED | WARNING ZSAX_W0001 (1:80): external entity 'ch' refused (SYSTEM "
         "'http://example.com/unmapped.ent') @ memory:1:80 ERROR\n"
         "WARNING ZSAX_W0001 (1:80): unable to open external entity 'http://example.com/unmapped.ent' @ "
         "memory:1:80 FATAL\n"},
        {"a mapped entity's error names it as written and where it was read from", false,
         "<!DOCTYPE doc [<!ENTITY b SYSTEM 'http://example.com/ent/broken.ent'>]><doc>&b;</doc>",
         "(doc  FAILED | WARNING ZSAX_W0001 (1:12): attribute 'b' is already specified for element 'a' @ "
         "http://example.com/ent/broken.ent (read from broken.ent):1:12 FATAL\n"},
    };
    for (const ParserCase& c : cases) {
        Traced t;
        t.parser.setResolver(&ZOLSAX2Catalog::resolve, &testCatalog());
        t.parser.setSecureProcessing(c.secure);
        EXPECT_EQ(c.expected, parseTraced(t, c.document)) << c.name;
    }
}

TEST(ZOLSAX2Resolver, AHookMayAnswerWithContentOrRefuseAndNullTurnsItOff)
{
    Traced t;
    ContentHook hook;
    t.parser.setResolver(&ContentHook::resolve, &hook);
    t.parser.setSecureProcessing(true);
    EXPECT_EQ("(doc \"from memory\")doc | ", parseTraced(t, chapterDocument));
    EXPECT_EQ("0[|http://example.com/ent/chapter.ent]", hook.asked);

    Traced refused;
    refused.parser.setResolver(&refuseAll, nullptr);
    EXPECT_EQ("(doc  FAILED", parseTraced(refused, chapterDocument).substr(0, 12));

    // Without the hook, secure mode refuses the entity as always.
    Traced off;
    off.parser.setResolver(&ContentHook::resolve, &hook);
    off.parser.setResolver(nullptr, nullptr);
    off.parser.setSecureProcessing(true);
    EXPECT_EQ("(doc  FAILED", parseTraced(off, chapterDocument).substr(0, 12));
}

namespace {

struct ValidatorCase {
    const char* name;
    bool secure;
    bool caching;
    const char* document;
    std::string expected; // answer, then the records
};

} // namespace

TEST(ZOLSAX2Resolver, TheValidatorReadsSchemasIncludesAndImportsThroughTheCatalog)
{
    const char* const valid = "<note xmlns='urn:example:note'><to>Ann</to><body>Hi</body></note>";
    const char* const tooLong = "<note xmlns='urn:example:note'><to>Annabelle Smith</to><body>Hi</body></note>";
    const std::vector<ValidatorCase> cases = {
        {"valid", false, false, valid, "1 "},
        {"valid, secure", true, false, valid, "1 "},
        {"valid, caching", false, true, valid, "1 "},
        {"the imported type applies", false, false, tooLong,
         "0 WARNING ZSAX_W0001 (1:56): value 'Annabelle Smith' has length '15' which exceeds maxLength facet "
         "value '8'\n"},
        {"the imported type applies, secure and caching", true, true, tooLong,
         "0 WARNING ZSAX_W0001 (1:56): value 'Annabelle Smith' has length '15' which exceeds maxLength facet "
         "value '8'\n"},
    };
    for (const ValidatorCase& c : cases) {
        ScratchDir dir;
        const std::string path = dir.write("note.xml", c.document);
        ZOLMemoryLog log;
        ZOLSAX2Validator validator(&log);
        validator.setResolver(&ZOLSAX2Catalog::resolve, &testCatalog());
        validator.setSecureProcessing(c.secure);
        validator.setSchemaCaching(c.caching);
        validator.setStrictValidation(true);
        validator.addSchemaLocation("urn:example:note", "http://example.com/schema/note.xsd");
        const bool answer = validator.validate(ZOLFile(path.c_str()));
        EXPECT_EQ(c.expected, std::to_string(answer) + " " + render(log)) << c.name;
    }
}
