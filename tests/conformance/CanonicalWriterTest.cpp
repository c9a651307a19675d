// The canonical form written from parser events: checked through the real parser, so the
// split of text into several callbacks is exercised as the conformance run sees it.
#include <CanonicalWriter.h>
#include <ZOLException.h>
#include <ZOLMemoryLog.h>
#include <ZOLSAX2Parser.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

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

TEST(CanonicalWriter, DropsDeclarationCommentsAndDoctype)
{
    EXPECT_EQ("<doc></doc>", canonical("<?xml version='1.0'?>\n<!DOCTYPE doc [<!ELEMENT doc EMPTY>]>\n"
                                       "<!-- c --><doc/><!-- after -->\n"));
}

TEST(CanonicalWriter, SortsAttributesByNameInCodePointOrder)
{
    // U+00E9 sorts after every ASCII name; uppercase before lowercase.
    EXPECT_EQ("<e B=\"2\" a=\"1\" b=\"3\" \xC3\xA9=\"4\"></e>", canonical("<e \xC3\xA9='4' b='3' a='1' B='2'/>"));
}

TEST(CanonicalWriter, EscapesSpecialCharactersInTextAndAttributes)
{
    EXPECT_EQ("<e a=\"&amp;&lt;&gt;&quot;&#9;&#10;&#13;'\">&amp;&lt;&gt;&quot;&#9;&#10;&#13;'</e>",
              canonical("<e a='&amp;&lt;>\"&#9;&#10;&#13;&apos;'>&amp;&lt;>\"&#9;\n&#13;'</e>"));
}

TEST(CanonicalWriter, NormalisesLineEndsBeforeEscaping)
{
    // The reader turns CR LF and lone CR into LF; attribute whitespace becomes spaces.
    EXPECT_EQ("<e a=\"x y\">1&#10;2&#10;3</e>", canonical("<e a='x\r\ny'>1\r\n2\r3</e>"));
}

TEST(CanonicalWriter, WritesProcessingInstructionsWithOneSpace)
{
    EXPECT_EQ("<?pi data ?><doc><?x ?></doc>", canonical("<?pi data ?><doc><?x?></doc>"));
}

TEST(CanonicalWriter, KeepsTextSplitAcrossCallbacksAndCdata)
{
    EXPECT_EQ("<e>a&lt;b&amp;c]]&gt;d</e>", canonical("<e>a<![CDATA[<b&c]]>]]&gt;d</e>"));
    const std::string longText(70000, 'x');
    EXPECT_EQ("<e>" + longText + "&amp;" + longText + "</e>",
              canonical("<e>" + longText + "&amp;" + longText + "</e>"));
}
