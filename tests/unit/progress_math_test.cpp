// Size, percentage and speed arithmetic of the window.
#include "ui/progress_math.h"

#include <gtest/gtest.h>

TEST(ProgressMath, SizeText) {
    EXPECT_EQ(FormatSize(52428800), L"50.0  MB");
    EXPECT_EQ(FormatSize(static_cast<LONG>(3000000000u)), L"2861.0  MB");
    EXPECT_EQ(FormatSize(1), L"0.0  MB");
    EXPECT_EQ(FormatSize(1572864), L"1.5  MB");
}

TEST(ProgressMath, Percent) {
    struct Case {
        DWORD downloaded, size;
        unsigned percent;
    } cases[] = {
        {2999999999u, 3000000000u, 99}, // the product would overflow 32 bits
        {3000000000u, 3000000000u, 100},
        {0, 10, 0},
        {9, 10, 90},
        {5, 0, 0}, // size not known yet
        {1, 3, 33},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PercentDone(static_cast<LONG>(c.downloaded), static_cast<LONG>(c.size)), c.percent)
            << c.downloaded << "/" << c.size;
}

TEST(ProgressMath, SpeedGate) {
    const DWORD start = 0xFFFFFFF0u; // wraps during the run
    EXPECT_TRUE(SpeedDue(false, start + 75, start));
    EXPECT_TRUE(SpeedDue(true, start + 74, start));
    EXPECT_FALSE(SpeedDue(true, start + 75, start));
    EXPECT_TRUE(SpeedDue(true, start, start));
}

TEST(ProgressMath, Speed) {
    double kb = 0;
    ASSERT_TRUE(ComputeSpeed(1048576, 0, 11000, 10000, 0, &kb));
    EXPECT_DOUBLE_EQ(kb, 1024.0);
    EXPECT_EQ(FormatSpeed(kb), L"1024.0  KB/S");
    // Bytes from earlier runs do not count.
    ASSERT_TRUE(ComputeSpeed(1048576 + 5000, 5000, 11000, 10000, 0, &kb));
    EXPECT_DOUBLE_EQ(kb, 1024.0);
    // A 5,000 ms pause: only the active time divides.
    ASSERT_TRUE(ComputeSpeed(1048576, 0, 16000, 10000, 5000, &kb));
    EXPECT_DOUBLE_EQ(kb, 1024.0);
    // Across the tick counter's wrap.
    ASSERT_TRUE(ComputeSpeed(1048576, 0, 999, 0xFFFFFFFFu, 0, &kb));
    EXPECT_DOUBLE_EQ(kb, 1024.0);
    // No active time yet: nothing to show.
    EXPECT_FALSE(ComputeSpeed(1024, 0, 500, 500, 0, &kb));
    EXPECT_EQ(FormatSpeed(0.0), L"0.0  KB/S");
}
