#include "TestSupport.h"

#include <ZOLTextLiteralsCollection.h>
#include <ZSAX.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// Reaches the catalogue's protected answers to its base.
class OpenZSAX : public ZSAX {
public:
    using ZSAX::getDocumentId;
    using ZSAX::listAllLiterals;
};

std::string describe(const ZOLTextLiteral* literal)
{
    const auto* m = dynamic_cast<const ZOLMessageLiteral*>(literal);
    if (m == nullptr)
        return "<not a message>";
    return std::string(m->getId().chars()) + " " + m->getMessageCode().chars() + " " +
           ZOLLogEvent::levelName(m->getLevel()) + " " + m->getText().chars();
}

} // namespace

TEST(ZSAX, CatalogueHoldsSixMessagesInIdentifierOrder)
{
    std::string all;
    const ZOLTextLiteral** literals = ZSAX::getAllLiterals();
    int count = 0;
    for (; literals[count] != nullptr; ++count)
        all += describe(literals[count]) + "\n";
    EXPECT_EQ(6, count);
    EXPECT_EQ("1 ZSAX_W0001 WARNING ({0}:{1}): {2}\n"
              "2 ZSAX_F0002 FATAL Xerces initialization error: {0}\n"
              "3 ZSAX_F0003 FATAL Xerces OutOfMemoryException\n"
              "4 ZSAX_F0004 FATAL Xerces XMLException: {0}\n"
              "5 ZSAX_F0005 FATAL Failed to parse XML file: {0}\n"
              "6 ZSAX_E0006 ERROR An XML format error occurred during parsing the file ({0}:{1}): "
              "Please make sure the file is in the XML format\n",
              all);
    EXPECT_EQ(literals[0], &ZSAX::SAX_PARSE_ERROR);
    EXPECT_EQ(literals[5], &ZSAX::XML_UTF_DATAFORMAT_ERROR);
}

TEST(ZSAX, FindsMessagesByBareIdentifierOnly)
{
    EXPECT_EQ(&ZSAX::SAX_PARSE_ERROR, ZSAX::findTextLiteral("1"));
    EXPECT_EQ(&ZSAX::XML_PARSE_FAILED, ZSAX::findTextLiteral("5"));
    EXPECT_EQ(&ZSAX::XML_UTF_DATAFORMAT_ERROR, ZSAX::findTextLiteral("6"));
    for (const char* unknown : {"7", "01", "0001", "", "ZSAX_W0001", "1 "})
        EXPECT_EQ(nullptr, ZSAX::findTextLiteral(unknown)) << unknown;
}

TEST(ZSAX, RegistersItselfWithTheFoundationAtLoad)
{
    ZOLString text;
    ASSERT_TRUE(ZOLTextLiteralsCollection::lookupText("ZOLSAX2Parser", "5", text));
    EXPECT_STREQ("Failed to parse XML file: {0}", text.chars());
}

TEST(ZSAXMessageInstance, ZeroParameterMessageKeepsPlaceholdersVerbatim)
{
    ZSAX::MessageInstance message("9", "literal {0} stays", "ERROR");
    EXPECT_STREQ("literal {0} stays", message.toString().chars());
    EXPECT_STREQ("[ZSAX_E0009] literal {0} stays", message.getMessage().chars());
}

TEST(ZSAXMessageInstance, BuildsCodesForIdentifiersOfZeroToFiveCharacters)
{
    std::string codes;
    for (const char* id : {"", "1", "12", "123", "1234", "12345"})
        codes += std::string(ZSAX::MessageInstance(id, "t", "WARNING").getMessageCode().chars()) + " ";
    EXPECT_EQ("ZSAX_W0000 ZSAX_W0001 ZSAX_W0012 ZSAX_W0123 ZSAX_W1234 ZSAX_W000012345 ", codes);
    // Only the first character of the severity enters the code, in its own case.
    EXPECT_STREQ("ZSAX_f0003", ZSAX::MessageInstance_String("3", "t", "fatal").getMessageCode().chars());
    EXPECT_STREQ("ZSAX_0003", ZSAX::MessageInstance_String("3", "t", "").getMessageCode().chars());
}

TEST(ZSAXMessageInstance, LoggedTextAndThrownMessageMatchTheFormatters)
{
    ZOLMemoryLog log;
    ZSAX::SAX_PARSE_ERROR.log(log, "3", "9", "bad");
    ZSAX::XML_UTF_DATAFORMAT_ERROR.log(log, "1", "1");
    ZSAX::XML_PARSE_FAILED.log(log, "memory");
    ZSAX::XERCES_OUT_OF_MEMORY.log(log);
    EXPECT_EQ("WARNING ZSAX_W0001 (3:9): bad\n"
              "ERROR ZSAX_E0006 An XML format error occurred during parsing the file (1:1): Please make sure the "
              "file is in the XML format\n"
              "FATAL ZSAX_F0005 Failed to parse XML file: memory\n"
              "FATAL ZSAX_F0003 Xerces OutOfMemoryException\n",
              testsupport::render(log));
    for (const ZOLLogEvent& e : log.getEvents())
        EXPECT_TRUE(e.getDetail().isEmpty());
    EXPECT_STREQ("(:): ", ZSAX::SAX_PARSE_ERROR.toString("", "", "").chars());

    EXPECT_EQ("[ZSAX_F0005] Failed to parse XML file: memory",
              testsupport::thrownMessage([] { ZSAX::XML_PARSE_FAILED.throwException("memory"); }));
    EXPECT_EQ("[ZSAX_W0001] (1:2): 3",
              testsupport::thrownMessage([] { ZSAX::SAX_PARSE_ERROR.throwException("1", "2", "3"); }));
}
