// The progress line: only on a terminal, only after the first second, erased at the end.
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
    {
        zolsax2::Progress off(quiet, false, 3);
        zolsax2::Progress on(terminal, true, 3);
        zolsax2::Progress one(single, true, 1);
        on.update(0, "a.xml");
        EXPECT_EQ(terminal.str(), "");
        std::this_thread::sleep_for(std::chrono::milliseconds(1050));
        off.update(1, "b.xml");
        on.update(1, "b.xml");
        one.update(0, "a.xml");
        // Redraws are throttled to ten a second.
        on.update(2, "c.xml");
    }
    EXPECT_EQ(quiet.str(), "");
    EXPECT_EQ(single.str(), "");
    EXPECT_EQ(terminal.str(), "\r\033[K1/3 b.xml\r\033[K");
}
