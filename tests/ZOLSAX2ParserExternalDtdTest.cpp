// The parser's opt-in reading of the external DTD: entity values, default attributes and
// normalised tokenised values reach the callbacks; through a catalog, and in secure mode only
// when the catalog makes the DTD trusted.
#include "TestSupport.h"

#include <ZOLSAX2Catalog.h>
#include <ZOLSAX2Parser.h>

#include <gtest/gtest.h>

#include <string>

using testsupport::ScratchDir;
using testsupport::Traced;

namespace {

struct Files {
    ScratchDir dir;
    std::string dtd = dir.write("d.dtd", "<!ELEMENT r ANY>\n<!ATTLIST a d CDATA 'dv' t NMTOKENS #IMPLIED c CDATA "
                                         "#IMPLIED>\n<!ENTITY e 'hello'>\n");
    std::string catalog = dir.write("catalog.xml", "<catalog xmlns='urn:oasis:names:tc:entity:xmlns:xml:catalog'>"
                                                   "<public publicId='-//T//DTD D//EN' uri='d.dtd'/></catalog>");
    std::string local = dir.write("local.xml", "<!DOCTYPE r SYSTEM 'd.dtd'>\n<r>&e;<a t=' x  y ' c=' x  y '/></r>");
    std::string remote = dir.write("remote.xml", "<!DOCTYPE r PUBLIC '-//T//DTD D//EN' 'http://example.org/d.dtd'>\n"
                                                 "<r>&e;<a/>&u;</r>");
};

// The trace of file, or the text of the exception, then the records.
std::string parse(Traced& t, const std::string& file)
{
    std::string outcome;
    try {
        t.parser.parseFile(ZOLFile(file.c_str()));
    } catch (const ZOLException&) {
        outcome = " failed";
    }
    return t.trace.str() + outcome + "\n" + testsupport::render(t.log);
}

} // namespace

TEST(ZOLSAX2ParserExternalDtd, DeclarationsReachTheCallbacksOnlyOnRequest)
{
    Files f;
    ZOLSAX2Catalog catalog(f.catalog.c_str(), nullptr);
    struct Case {
        bool load;
        bool skipped;
        bool secure;
        bool resolver;
        const std::string& file;
        std::string expected;
    } cases[] = {
        {false, false, false, false, f.local, "(r (a t= x  y  c= x  y  )a)r\n"},
        {false, true, false, false, f.local, "(r &e;(a t= x  y  c= x  y  )a)r\n"},
        {true, false, false, false, f.local, "(r \"hello\"(a t=x y c= x  y  d=dv )a)r\n"},
        {true, true, false, false, f.local, "(r \"hello\"(a t=x y c= x  y  d=dv )a)r\n"},
        // Through the catalog; an entity the DTD does not declare stays skipped.
        {true, true, false, true, f.remote, "(r \"hello\"(a d=dv )a&u;)r\n"},
        {true, true, true, true, f.remote, "(r \"hello\"(a d=dv )a&u;)r\n"},
        // Secure without a catalog: the DTD is refused.
        {true, false, true, false, f.local,
         " failed\nWARNING ZSAX_W0001 (1:28): external DTD refused (SYSTEM 'd.dtd')\n"},
    };
    for (const Case& c : cases) {
        Traced t;
        t.parser.setLoadExternalDtd(c.load);
        if (c.skipped)
            t.parser.setSkippedEntityCallback(testsupport::Trace::onSkipped);
        t.parser.setSecureProcessing(c.secure);
        if (c.resolver)
            t.parser.setResolver(&ZOLSAX2Catalog::resolve, &catalog);
        EXPECT_EQ(c.expected, parse(t, c.file).substr(0, c.expected.size()))
            << c.load << c.skipped << c.secure << c.resolver << ' ' << c.file;
    }
}
