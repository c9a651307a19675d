// The parser's opt-in diagnostics: namespace checking and encoding errors placed at their byte.
#include "TestSupport.h"

#include "ZOLSAX2BadByteLocator.h"

#include <ZOLSAX2Parser.h>
#include <ZOLSAX2Validator.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testsupport::render;
using testsupport::renderLocated;
using testsupport::ScratchDir;
using testsupport::Traced;

namespace {

// The trace, then the records, of parsing text from memory with namespace checking as on.
std::string checkedNamespaces(const std::string& text, bool on)
{
    Traced t;
    t.parser.setNamespaceChecking(on);
    try {
        t.parser.parseString(ZOLString(text.c_str()));
    } catch (const ZOLException&) {
    }
    return t.trace.str() + "\n" + render(t.log);
}

// The records of parsing bytes from memory, or from a file when inFile, with location data.
std::string located(const std::string& bytes, bool inFile, bool on = true)
{
    ScratchDir dir;
    Traced t;
    t.parser.setEncodingErrorLocation(on);
    try {
        if (inFile) {
            t.parser.parseFile(ZOLFile(dir.write("doc.xml", bytes).c_str()));
        } else {
            ZOLString text;
            text.init(bytes.data(), static_cast<long>(bytes.size()));
            t.parser.parseString(text);
        }
    } catch (const ZOLException&) {
    }
    return renderLocated(t.log, dir.getPath() + "/");
}

// 20 lines with a declaration and one Latin-1 byte on line 20; lines lines with a bad byte
// on line bad otherwise.
std::string manyLines(int lines, int bad)
{
    std::string doc = "<r>\n";
    for (int i = 2; i < lines; ++i)
        doc += i == bad ? "<a>bad\xFF</a>\n" : "<a>line " + std::to_string(i) + "</a>\n";
    return doc + "</r>\n";
}

} // namespace

TEST(ZOLSAX2ParserNamespaces, ViolationsAreErrorsAtTheTagAndTheCallbacksStayAsTheyWere)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<a:b/>", "(a:b )a:b\nWARNING ZSAX_W0001 (1:7): the prefix 'a' of element 'a:b' is not declared\n"},
        {"<a xmlns:p='u' xmlns:q='u' p:x='1' q:x='2'/>",
         "(a xmlns:p=u xmlns:q=u p:x=1 q:x=2 )a\n"
         "WARNING ZSAX_W0001 (1:45): attribute 'q:x' repeats the name {u}x of another attribute of element 'a'\n"},
        {"<xmlns:a/>",
         "(xmlns:a )xmlns:a\nWARNING ZSAX_W0001 (1:11): element 'xmlns:a' has the reserved prefix 'xmlns'\n"},
        {"<a p:x='1'/>", "(a p:x=1 )a\nWARNING ZSAX_W0001 (1:13): the prefix 'p' of attribute 'p:x' is not declared\n"},
        {"<a xmlns:xml='urn:x'/>",
         "(a xmlns:xml=urn:x )a\nWARNING ZSAX_W0001 (1:23): the prefix 'xml' cannot be bound to any namespace other "
         "than 'http://www.w3.org/XML/1998/namespace'\n"},
        {"<a xmlns:xmlns='urn:x'/>",
         "(a xmlns:xmlns=urn:x )a\nWARNING ZSAX_W0001 (1:25): the prefix 'xmlns' must not be declared\n"},
        {"<a xmlns='http://www.w3.org/2000/xmlns/'/>",
         "(a xmlns=http://www.w3.org/2000/xmlns/ )a\nWARNING ZSAX_W0001 (1:43): xmlns: the namespace "
         "'http://www.w3.org/2000/xmlns/' must not be declared\n"},
        {"<a xmlns:p=''/>", "(a xmlns:p= )a\nWARNING ZSAX_W0001 (1:16): xmlns:p=\"\": a prefix cannot be undeclared\n"},
        {"<a:b:c xmlns:a='u'/>",
         "(a:b:c xmlns:a=u )a:b:c\nWARNING ZSAX_W0001 (1:21): element name 'a:b:c' is not a qualified name "
         "(PREFIX:NAME)\n"},
        {"<a><?a:b x?></a>",
         "(a ?a:b x)a\nWARNING ZSAX_W0001 (1:13): processing instruction target 'a:b' has a colon\n"},
        // Scopes end with their element; xml is always bound; two prefixes of two namespaces.
        {"<a><b xmlns:p='u'/><p:c/></a>",
         "(a (b xmlns:p=u )b(p:c )p:c)a\nWARNING ZSAX_W0001 (1:26): the prefix 'p' of element 'p:c' is not declared\n"},
        {"<p:a xmlns:p='u' xmlns:q='v' p:x='1' q:x='2' x='3' xml:lang='en'><p:b/></p:a>",
         "(p:a xmlns:p=u xmlns:q=v p:x=1 q:x=2 x=3 xml:lang=en (p:b )p:b)p:a\n"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(checkedNamespaces(text, true), expected) << text;
        // Off, the default: the same events and no record.
        const std::string events = expected.substr(0, expected.find('\n') + 1);
        EXPECT_EQ(checkedNamespaces(text, false), events) << text;
    }
}

TEST(ZOLSAX2ParserNamespaces, ErrorsFailTheParseAndLeaveTheNextDocumentClean)
{
    Traced t;
    t.parser.setNamespaceChecking(true);
    // A document that ends inside the scope of a declaration: the next one starts without it.
    EXPECT_THROW(t.parser.parseString("<a xmlns:p='u'><p:b/>"), ZOLException);
    EXPECT_THROW(t.parser.parseString("<p:b/>"), ZOLException);
    t.parser.setNamespaceChecking(false);
    EXPECT_NO_THROW(t.parser.parseString("<p:b/>"));
    EXPECT_EQ(render(t.log), "WARNING ZSAX_W0001 (1:22): input ended before all started tags were ended; last tag "
                             "started is 'a'\n"
                             "WARNING ZSAX_W0001 (1:7): the prefix 'p' of element 'p:b' is not declared\n");
}

TEST(ZOLSAX2ParserEncodingErrors, PlacedAtTheBadByteFromFilesAndMemory)
{
    std::string latin = "<?xml version='1.0'?>\n<r>\n";
    for (int i = 3; i < 20; ++i)
        latin += "<a>x</a>\n";
    latin += "<a>caf\xE9</a>\n</r>\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<r>\n<a>abc\xFF"
         "def</a>\n</r>\n",
         "WARNING ZSAX_W0001 (2:7): byte 0xFF is not UTF-8 @ doc.xml:2:7 FATAL\n"},
        {latin, "WARNING ZSAX_W0001 (20:7): byte 0xE9 is not UTF-8 @ doc.xml:20:7 FATAL\n"},
        {manyLines(5003, 5000), "WARNING ZSAX_W0001 (5000:7): byte 0xFF is not UTF-8 @ doc.xml:5000:7 FATAL\n"},
        // CR LF is one line end, a character above U+FFFF two columns.
        {"<r>\r\n\xF0\x9F\x98\x80\xC3(</r>", "WARNING ZSAX_W0001 (2:3): byte 0xC3 is not UTF-8 @ doc.xml:2:3 FATAL\n"},
        {"<?xml version='1.0' encoding='US-ASCII'?>\n<r>\xC3\xA9</r>",
         "WARNING ZSAX_W0001 (2:4): byte 0xC3 is not US-ASCII @ doc.xml:2:4 FATAL\n"},
        // Not XML at all: the first byte does not decode.
        {"\xFF\xFF\xFF junk",
         "ERROR ZSAX_E0006 An XML format error occurred during parsing the file (1:1): Please make sure the file is "
         "in the XML format @ doc.xml:1:1 FATAL\n"},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(located(bytes, true), expected) << bytes.substr(0, 40);
        std::string inMemory = expected;
        inMemory.replace(inMemory.find("@ doc.xml"), 9, "@ memory");
        EXPECT_EQ(located(bytes, false), inMemory) << bytes.substr(0, 40);
    }
}

TEST(ZOLSAX2ParserEncodingErrors, OffTheReadersReportStands)
{
    EXPECT_EQ(located("<r>\n<a>abc\xFF"
                      "def</a>\n</r>\n",
                      false, false),
              "ERROR ZSAX_E0006 An XML format error occurred during parsing the file (1:1): Please make sure the file "
              "is in the XML format @ memory:1:1 FATAL\n");
}

TEST(ZOLSAX2BadByteLocator, FirstByteThatDoesNotDecode)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"plain", "none"},
        {"\xEF\xBB\xBF<a>\xC0\x80", "6 1:4 byte 0xC0 is not UTF-8"},
        {"ab\xED\xA0\x80", "2 1:3 byte 0xED is not UTF-8"},
        {"a\rb\n\nc\xE2\x82", "6 4:2 byte 0xE2 is not UTF-8"},
        {"<?xml version='1.0' encoding='ISO-8859-1'?><a>\xFF</a>", "none"},
        {std::string("<\0a\0", 4), "none"},
    };
    for (const auto& [bytes, expected] : cases) {
        ZOLSAX2BadByteLocator::Finding f;
        const bool found = ZOLSAX2BadByteLocator::locate(bytes.data(), bytes.size(), f);
        EXPECT_EQ(found ? std::to_string(f.offset) + " " + std::to_string(f.line) + ":" + std::to_string(f.column) +
                              " " + f.text
                        : "none",
                  expected);
    }
}

TEST(ZOLSAX2ValidatorEncodingErrors, PlacedAtTheBadByteOfTheDocument)
{
    ScratchDir dir;
    const std::string doc = dir.write(
        "doc.xml", "<purchaseOrder xmlns='urn:example:purchase-order' orderDate='2026-11-30'>\n<!-- \xFF -->\n"
                   "</purchaseOrder>\n");
    for (const bool on : {false, true}) {
        ZOLMemoryLog log;
        ZOLSAX2Validator validator(&log);
        validator.addSchemaLocation("urn:example:purchase-order",
                                    (std::string(ZOLSAX2_EXAMPLES_DIR) + "/purchase-order/purchase-order.xsd").c_str());
        validator.setEncodingErrorLocation(on);
        EXPECT_FALSE(validator.validate(ZOLFile(doc.c_str())));
        EXPECT_EQ(renderLocated(log, dir.getPath() + "/"),
                  on ? "WARNING ZSAX_W0001 (2:6): byte 0xFF is not UTF-8 @ doc.xml:2:6 FATAL\n"
                     : "ERROR ZSAX_E0006 An XML format error occurred during parsing the file (1:1): Please make sure "
                       "the file is in the XML format @ doc.xml:1:1 FATAL\n");
    }
}
