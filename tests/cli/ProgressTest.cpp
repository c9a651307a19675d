// The progress line: only on a terminal, only after the first second, erased at the end;
// the total when it is known.
#include <Progress.h>

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

TEST(Progress, DrawsOnlyWhenEnabledAfterOneSecondAndErasesItself)
{
    std::ostringstream quiet;
    std::ostringstream terminal;
    std::ostringstream single;
    std::ostringstream listed;
    {
        zolsax2::Progress off(quiet, false, 3);
        zolsax2::Progress on(terminal, true, 3);
        zolsax2::Progress one(single, true, 1);
        // A total of 0 is not known: a --files-from list.
        zolsax2::Progress unknown(listed, true, 0);
        on.update(0, "a.xml");
        EXPECT_EQ(terminal.str(), "");
        std::this_thread::sleep_for(std::chrono::milliseconds(1050));
        off.update(1, "b.xml");
        on.update(1, "b.xml");
        one.update(0, "a.xml");
        unknown.update(1, "b\n\x1b.xml");
        // Redraws are throttled to ten a second.
        on.update(2, "c.xml");
    }
    EXPECT_EQ(quiet.str(), "");
    EXPECT_EQ(single.str(), "");
    EXPECT_EQ(terminal.str(), "\r\033[K1/3 b.xml\r\033[K");
    EXPECT_EQ(listed.str(), "\r\033[K1 b\\n\\x1b.xml\r\033[K");
}
