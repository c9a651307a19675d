#include <ZOLLogEvent.h>
#include <ZOLMemoryLog.h>
#include <ZOLStreamLog.h>

#include <gtest/gtest.h>

#include <sstream>

TEST(ZOLStreamLog, WritesOneLinePerRecord)
{
    std::ostringstream out;
    ZOLStreamLog log(out);
    log.logEvent(ZOLLogEvent("(3:4): bad\nthing", "ZSAX_W0001", ZOLLogEvent::LEVEL_WARNING, ""));
    log.logEvent(ZOLLogEvent("Failed", "ZSAX_F0005", ZOLLogEvent::LEVEL_FATAL, ""));
    EXPECT_EQ("WARNING [ZSAX_W0001] (3:4): bad\\nthing\nFATAL [ZSAX_F0005] Failed\n", out.str());
}

TEST(ZOLMemoryLog, KeepsCopiesOfEveryRecordInOrder)
{
    ZOLMemoryLog log;
    {
        const ZOLLogEvent first("one", "C1", ZOLLogEvent::LEVEL_ERROR, "detail");
        log.logEvent(first);
        log.logEvent(ZOLLogEvent("two", "C2", ZOLLogEvent::LEVEL_FATAL, ""));
    }
    ASSERT_EQ(2u, log.size());
    EXPECT_STREQ("one", log.getEvents()[0].getText().chars());
    EXPECT_STREQ("C1", log.getEvents()[0].getCode().chars());
    EXPECT_EQ(ZOLLogEvent::LEVEL_ERROR, log.getEvents()[0].getLevel());
    EXPECT_STREQ("detail", log.getEvents()[0].getDetail().chars());
    EXPECT_STREQ("two", log.getEvents()[1].getText().chars());
    log.clear();
    EXPECT_EQ(0u, log.size());
}
