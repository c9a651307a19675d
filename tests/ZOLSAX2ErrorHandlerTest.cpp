#include "TestSupport.h"

#include "ZOLSAX2ErrorHandler.h"

#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <gtest/gtest.h>

namespace {

xercesc::SAXParseException at(XMLFileLoc line, XMLFileLoc column, const char16_t* message = u"M",
                              const char16_t* systemId = u"doc.xml")
{
    return xercesc::SAXParseException(message, u"", systemId, line, column);
}

} // namespace

TEST(ZOLSAX2ErrorHandler, RecordsSayWhereAndHowTheReaderClassedTheProblemAndFlagsFollow)
{
    xercesc::XMLPlatformUtils::Initialize();
    {
        ZOLMemoryLog log;
        ZOLSAX2ErrorHandler handler(&log);
        std::string flags;
        const auto note = [&] {
            flags += std::string(handler.isErrorSeen() ? "E" : "-") + (handler.isWarningSeen() ? "W " : "- ");
        };
        // Only a fatal error at the first character is "not XML"; the rest carry the reader's
        // message, also at 1:1.
        handler.fatalError(at(1, 1, u"the reader's own words"));
        handler.fatalError(at(1, 2, u"unexpected \u00E9"));
        handler.fatalError(at(0, 0, u"cannot open", nullptr));
        note();
        handler.resetErrors();
        note();
        handler.warning(at(1, 1, u"w"));
        note();
        handler.error(at(1, 1));
        note();
        handler.resetErrors();
        note();
        EXPECT_EQ("E- -- -W EW -W ", flags);
        EXPECT_EQ("ERROR ZSAX_E0006 An XML format error occurred during parsing the file (1:1): Please make sure the "
                  "file is in the XML format @ doc.xml:1:1 FATAL\n"
                  "WARNING ZSAX_W0001 (1:2): unexpected \xC3\xA9 @ doc.xml:1:2 FATAL\n"
                  "WARNING ZSAX_W0001 (0:0): cannot open @ -:0:0 FATAL\n"
                  "WARNING ZSAX_W0001 (1:1): w @ doc.xml:1:1 WARNING\n"
                  "WARNING ZSAX_W0001 (1:1): M @ doc.xml:1:1 ERROR\n",
                  testsupport::renderLocated(log, ""));
    }
    xercesc::XMLPlatformUtils::Terminate();
}
