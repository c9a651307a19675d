#include "ZOLSAX2AmplificationBudget.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

// "ok" or "over" for a document that read input bytes and produced output characters.
std::string verdict(ZOLSAX2AmplificationBudget& budget, unsigned long long input, unsigned long long output)
{
    budget.start();
    budget.addInput(input);
    budget.addOutput(output);
    return budget.isExceeded() ? "over" : "ok";
}

} // namespace

TEST(ZOLSAX2AmplificationBudget, DecidesByRatioOnceActive)
{
    struct Case {
        double ratio;
        unsigned long long activation;
        unsigned long long input;
        unsigned long long output;
        const char* expected;
    };
    const Case cases[] = {
        // Below the activation threshold, any amplification passes.
        {20, 1000, 10, 989, "ok"},
        // At the threshold, the sum may be at most ratio times the input.
        {20, 1000, 10, 990, "over"},
        {20, 1000, 50, 950, "ok"},
        {20, 1000, 50, 951, "over"},
        // Nothing produced never exceeds a ratio of at least 1.
        {1, 0, 0, 0, "ok"},
        {1, 0, 100, 0, "ok"},
        {1, 0, 100, 1, "over"},
        // The defaults: 20 times, from 8 MiB.
        {ZOLSAX2AmplificationBudget::DEFAULT_RATIO, ZOLSAX2AmplificationBudget::DEFAULT_ACTIVATION, 1000,
         (8ull << 20) - 1001, "ok"},
        {ZOLSAX2AmplificationBudget::DEFAULT_RATIO, ZOLSAX2AmplificationBudget::DEFAULT_ACTIVATION, 1000, 8ull << 20,
         "over"},
    };
    for (const Case& c : cases) {
        ZOLSAX2AmplificationBudget budget;
        ASSERT_TRUE(budget.setLimit(c.ratio, c.activation));
        EXPECT_EQ(c.expected, verdict(budget, c.input, c.output))
            << c.ratio << " " << c.activation << " " << c.input << " " << c.output;
    }
}

TEST(ZOLSAX2AmplificationBudget, UnmeasurableDocumentIsOverUntilTheNext)
{
    ZOLSAX2AmplificationBudget budget;
    budget.start();
    budget.setUnmeasurable();
    EXPECT_TRUE(budget.isExceeded());
    EXPECT_EQ("entity expansion cannot be measured in this reader, so the document is refused",
              std::string(budget.describe().chars()));
    budget.start();
    EXPECT_FALSE(budget.isExceeded());
    budget.addInput(1660);
    budget.addOutput(64000);
    EXPECT_EQ("entity expansion and default attributes produced 64000 characters from 1660 bytes of input, more "
              "than the amplification limit allows",
              std::string(budget.describe().chars()));
}

TEST(ZOLSAX2AmplificationBudget, CapHoldsWhateverTheInput)
{
    struct Case {
        unsigned long long cap;
        unsigned long long input;
        unsigned long long output;
        unsigned long long block;
        const char* expected;
    };
    const Case cases[] = {
        // The output may reach the cap, not pass it, however much was read.
        {1000, 1ull << 40, 1000, 0, "ok"},
        {1000, 1ull << 40, 1001, 0, "over"},
        // One block may take two bytes per character of the cap.
        {1000, 10, 0, 2000, "ok"},
        {1000, 10, 0, 2002, "over"},
        // No cap at all.
        {ULLONG_MAX, 1ull << 40, 1ull << 39, ULLONG_MAX, "ok"},
        // The default: 8 Mi characters, 16 MiB blocks.
        {ZOLSAX2AmplificationBudget::DEFAULT_CAP, 1ull << 30, 8ull << 20, 16ull << 20, "ok"},
        {ZOLSAX2AmplificationBudget::DEFAULT_CAP, 1ull << 30, (8ull << 20) + 1, 0, "over"},
    };
    for (const Case& c : cases) {
        ZOLSAX2AmplificationBudget budget;
        ASSERT_TRUE(budget.setLimit(ZOLSAX2AmplificationBudget::DEFAULT_RATIO, ULLONG_MAX));
        budget.setCap(c.cap);
        budget.start();
        budget.addInput(c.input);
        budget.addOutput(c.output);
        budget.refuseBlock(c.block);
        EXPECT_EQ(c.expected, std::string(budget.isExceeded() ? "over" : "ok"))
            << c.cap << " " << c.input << " " << c.output << " " << c.block;
    }
}

TEST(ZOLSAX2AmplificationBudget, SaysWhichLimitRefused)
{
    ZOLSAX2AmplificationBudget budget;
    budget.setCap(100);
    budget.start();
    budget.addOutput(101);
    EXPECT_EQ("entity expansion and default attributes produced 101 characters, more than the amplification "
              "limit allows (a cap of 100 characters)",
              std::string(budget.describe().chars()));
    budget.start();
    budget.refuseBlock(4096);
    EXPECT_EQ("one value of the document needs a buffer of 4096 bytes, more than the amplification limit allows "
              "(a cap of 100 characters)",
              std::string(budget.describe().chars()));
}

TEST(ZOLSAX2AmplificationBudget, ExpansionsCountTheirOverheadAgainstTheRatioNotTheCap)
{
    const unsigned long long overhead = ZOLSAX2AmplificationBudget::EXPANSION_OVERHEAD;
    ZOLSAX2AmplificationBudget budget;
    ASSERT_TRUE(budget.setLimit(20, 1000));
    budget.setCap(100);
    // 10 bytes read; 19 expansions of nothing put input plus overhead past 20 times the input
    // once it passes the activation threshold.
    std::string trace;
    for (unsigned long long expansions : {(1000 - 10) / overhead, (1000 - 10) / overhead + 1}) {
        budget.start();
        budget.addInput(10);
        for (unsigned long long i = 0; i < expansions; ++i)
            budget.addExpansion(0);
        trace += std::to_string(budget.getExpansions()) + (budget.isExceeded() ? ":over " : ":ok ");
    }
    // Text of expansions counts against the cap; their overhead does not.
    budget.start();
    budget.addInput(1u << 20);
    for (int i = 0; i < 1000; ++i)
        budget.addExpansion(0);
    budget.addExpansion(100);
    trace += budget.isExceeded() ? "capped" : "under-cap";
    EXPECT_EQ(std::to_string((1000 - 10) / overhead) + ":ok " + std::to_string((1000 - 10) / overhead + 1) +
                  ":over under-cap",
              trace);
}
