#include "TestSupport.h"

#include "ZOLSAX2ErrorHandler.h"

#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <gtest/gtest.h>

namespace {

class ZOLSAX2ErrorHandlerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { xercesc::XMLPlatformUtils::Initialize(); }
    static void TearDownTestSuite() { xercesc::XMLPlatformUtils::Terminate(); }

    static xercesc::SAXParseException at(XMLFileLoc line, XMLFileLoc column, const char16_t* message = u"M")
    {
        return xercesc::SAXParseException(message, u"", u"doc.xml", line, column);
    }

    std::string flags() const
    {
        return std::string(handler.isErrorSeen() ? "E" : "-") + (handler.isWarningSeen() ? "W" : "-");
    }

    ZOLMemoryLog log;
    ZOLSAX2ErrorHandler handler{&log};
};

} // namespace

TEST_F(ZOLSAX2ErrorHandlerTest, FatalErrorAtFirstCharacterIsReportedAsNotXml)
{
    handler.fatalError(at(1, 1, u"the reader's own words"));
    EXPECT_EQ("ERROR ZSAX_E0006 An XML format error occurred during parsing the file (1:1): Please make sure the "
              "file is in the XML format\n",
              testsupport::render(log));
    EXPECT_EQ("E-", flags());
}

TEST_F(ZOLSAX2ErrorHandlerTest, FatalErrorsElsewhereCarryTheReadersMessage)
{
    handler.fatalError(at(1, 2, u"unexpected \u00E9"));
    handler.fatalError(at(2, 1));
    handler.fatalError(at(0, 0, u"cannot open"));
    EXPECT_EQ("WARNING ZSAX_W0001 (1:2): unexpected \xC3\xA9\n"
              "WARNING ZSAX_W0001 (2:1): M\n"
              "WARNING ZSAX_W0001 (0:0): cannot open\n",
              testsupport::render(log));
    EXPECT_EQ("E-", flags());
}

TEST_F(ZOLSAX2ErrorHandlerTest, WarningsAndErrorsAreOrdinaryRecordsEvenAtFirstCharacter)
{
    handler.warning(at(1, 1, u"w"));
    handler.warning(at(12, 5));
    EXPECT_EQ("-W", flags());
    handler.error(at(1, 1));
    EXPECT_EQ("WARNING ZSAX_W0001 (1:1): w\nWARNING ZSAX_W0001 (12:5): M\nWARNING ZSAX_W0001 (1:1): M\n",
              testsupport::render(log));
    EXPECT_EQ("EW", flags());
}

TEST_F(ZOLSAX2ErrorHandlerTest, ResetErrorsClearsOnlyErrorSeen)
{
    handler.warning(at(2, 2));
    handler.error(at(3, 3));
    handler.resetErrors();
    EXPECT_EQ("-W", flags());
    EXPECT_EQ(2u, log.size());
}

TEST_F(ZOLSAX2ErrorHandlerTest, RecordsSayWhereAndHowTheReaderClassedTheProblem)
{
    handler.warning(at(12, 5));
    handler.error(at(3, 4));
    handler.fatalError(at(1, 1));
    handler.fatalError(xercesc::SAXParseException(u"cannot open", u"", nullptr, 0, 0));
    EXPECT_EQ("WARNING ZSAX_W0001 (12:5): M @ doc.xml:12:5 WARNING\n"
              "WARNING ZSAX_W0001 (3:4): M @ doc.xml:3:4 ERROR\n"
              "ERROR ZSAX_E0006 An XML format error occurred during parsing the file (1:1): Please make sure the "
              "file is in the XML format @ doc.xml:1:1 FATAL\n"
              "WARNING ZSAX_W0001 (0:0): cannot open @ -:0:0 FATAL\n",
              testsupport::renderLocated(log, ""));
}
