// The canonical form written from parser events: checked through the real parser, so the
// split of text into several callbacks is exercised as the conformance run sees it.
#include <CanonicalWriter.h>
#include <ZOLException.h>
#include <ZOLMemoryLog.h>
#include <ZOLSAX2Parser.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string canonical(const std::string& document)
{
    std::ostringstream out;
    CanonicalWriter writer(out);
    ZOLMemoryLog log;
    ZOLSAX2Parser parser(&writer, &log, CanonicalWriter::startElement, CanonicalWriter::endElement,
                         CanonicalWriter::characters, CanonicalWriter::processingInstruction);
    parser.parseString(document.c_str());
    return out.str();
}

} // namespace

TEST(CanonicalWriter, WritesTheCanonicalFormOfEachConstruct)
{
    const std::string longText(70000, 'x');
    const std::vector<std::pair<std::string, std::string>> cases = {
        // Declaration, comments and doctype go.
        {"<?xml version='1.0'?>\n<!DOCTYPE doc [<!ELEMENT doc EMPTY>]>\n<!-- c --><doc/><!-- after -->\n",
         "<doc></doc>"},
        // Attributes by name in code point order: U+00E9 after every ASCII name, uppercase first.
        {"<e \xC3\xA9='4' b='3' a='1' B='2'/>", "<e B=\"2\" a=\"1\" b=\"3\" \xC3\xA9=\"4\"></e>"},
        {"<e a='&amp;&lt;>\"&#9;&#10;&#13;&apos;'>&amp;&lt;>\"&#9;\n&#13;'</e>",
         "<e a=\"&amp;&lt;&gt;&quot;&#9;&#10;&#13;'\">&amp;&lt;&gt;&quot;&#9;&#10;&#13;'</e>"},
        // The reader turns CR LF and lone CR into LF, attribute white space into spaces.
        {"<e a='x\r\ny'>1\r\n2\r3</e>", "<e a=\"x y\">1&#10;2&#10;3</e>"},
        {"<?pi data ?><doc><?x?></doc>", "<?pi data ?><doc><?x ?></doc>"},
        // Text split over several callbacks.
        {"<e>a<![CDATA[<b&c]]>]]&gt;d</e>", "<e>a&lt;b&amp;c]]&gt;d</e>"},
        {"<e>" + longText + "&amp;" + longText + "</e>", "<e>" + longText + "&amp;" + longText + "</e>"},
    };
    for (const auto& [document, expected] : cases)
        EXPECT_EQ(expected, canonical(document)) << document.substr(0, 60);
}
