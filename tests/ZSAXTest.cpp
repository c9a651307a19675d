#include "TestSupport.h"

#include <ZSAX.h>

#include <gtest/gtest.h>

#include <string>

TEST(ZSAX, FindsMessagesByBareIdentifierOnly)
{
    EXPECT_EQ(&ZSAX::SAX_PARSE_ERROR, ZSAX::findTextLiteral("1"));
    EXPECT_EQ(&ZSAX::XML_PARSE_FAILED, ZSAX::findTextLiteral("5"));
    EXPECT_EQ(&ZSAX::XML_UTF_DATAFORMAT_ERROR, ZSAX::findTextLiteral("6"));
    for (const char* unknown : {"7", "01", "0001", "", "ZSAX_W0001", "1 "})
        EXPECT_EQ(nullptr, ZSAX::findTextLiteral(unknown)) << unknown;
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

TEST(ZSAXMessageInstance, LoggedAndThrownWithParametersInOrderAndAnEmptyDetail)
{
    ZOLMemoryLog log;
    ZSAX::XML_UTF_DATAFORMAT_ERROR.log(log, "1", "2");
    ZSAX::XML_PARSE_FAILED.log(log, "memory");
    EXPECT_EQ("ERROR ZSAX_E0006 An XML format error occurred during parsing the file (1:2): Please make sure the "
              "file is in the XML format\n"
              "FATAL ZSAX_F0005 Failed to parse XML file: memory\n",
              testsupport::render(log));
    for (const ZOLLogEvent& e : log.getEvents())
        EXPECT_TRUE(e.getDetail().isEmpty());
    EXPECT_EQ("[ZSAX_W0001] (1:2): 3",
              testsupport::thrownMessage([] { ZSAX::SAX_PARSE_ERROR.throwException("1", "2", "3"); }));
}
