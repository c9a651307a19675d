#include <ZOLLogEvent.h>
#include <ZOLLogLocation.h>
#include <ZOLMemoryLog.h>
#include <ZOLStreamLog.h>

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

TEST(ZOLStreamLog, WritesOneLinePerRecord)
{
    std::ostringstream out;
    ZOLStreamLog log(out);
    log.logEvent(ZOLLogEvent("(3:4): bad\nthing", "ZSAX_W0001", ZOLLogEvent::LEVEL_WARNING, ""));
    log.logEvent(ZOLLogEvent("Failed", "ZSAX_F0005", ZOLLogEvent::LEVEL_FATAL, ""));
    EXPECT_EQ("WARNING [ZSAX_W0001] (3:4): bad\\nthing\nFATAL [ZSAX_F0005] Failed\n", out.str());
}

TEST(ZOLLogEvent, LocationIsOptionalAndTravelsWithCopies)
{
    ZOLLogEvent event("text", "C", ZOLLogEvent::LEVEL_WARNING, "");
    EXPECT_EQ(nullptr, event.getLocation());
    event.setLocation(ZOLLogLocation("file:///a.xsd", 3, 9, ZOLLogEvent::LEVEL_ERROR));
    event.setLocation(ZOLLogLocation("/b.xml", 4, 2, ZOLLogEvent::LEVEL_FATAL));

    ZOLMemoryLog log;
    log.logEvent(event);
    ZOLLogEvent assigned("other", "D", ZOLLogEvent::LEVEL_INFO, "");
    assigned = log.getEvents()[0];
    for (const ZOLLogEvent* e : std::vector<const ZOLLogEvent*>{&log.getEvents()[0], &assigned}) {
        ASSERT_NE(nullptr, e->getLocation());
        EXPECT_STREQ("/b.xml", e->getLocation()->getSystemId().chars());
        EXPECT_EQ(4, e->getLocation()->getLine());
        EXPECT_EQ(2, e->getLocation()->getColumn());
        EXPECT_EQ(ZOLLogEvent::LEVEL_FATAL, e->getLocation()->getReportedLevel());
        EXPECT_STREQ("text", e->getText().chars());
    }
    assigned = ZOLLogEvent("plain", "E", ZOLLogEvent::LEVEL_INFO, "");
    EXPECT_EQ(nullptr, assigned.getLocation());
}
