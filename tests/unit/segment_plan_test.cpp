// The segment plan, the part-file names and what an earlier run's part file is worth.
#include "engine/segment_plan.h"
#include "framework/strings.h"

#include <gtest/gtest.h>

#include <climits>

TEST(PlanSegments, Cases) {
    struct Case {
        int size;
        std::vector<std::pair<int, int>> segments;
    } cases[] = {
        {10, {{0, 3}, {3, 6}, {6, 10}}},
        {3002, {{0, 1000}, {1000, 2000}, {2000, 3002}}}, // the last takes the remainder
        {0, {{0, 0}, {0, 0}, {0, 0}}},
        {2, {{0, 0}, {0, 0}, {0, 2}}},
        {3, {{0, 1}, {1, 2}, {2, 3}}},
        {INT_MAX, {{0, 715827882}, {715827882, 1431655764}, {1431655764, INT_MAX}}},
    };
    for (const Case& c : cases) {
        std::vector<SegmentRange> plan = PlanSegments(c.size, 3);
        ASSERT_EQ(plan.size(), c.segments.size()) << c.size;
        for (size_t i = 0; i < plan.size(); ++i) {
            EXPECT_EQ(plan[i].start, c.segments[i].first) << c.size << " #" << i;
            EXPECT_EQ(plan[i].end, c.segments[i].second) << c.size << " #" << i;
        }
    }
    EXPECT_TRUE(PlanSegments(10, 0).empty());
    EXPECT_TRUE(PlanSegments(-1, 3).empty());
}

TEST(PartFilePath, NamesAfterThePackage) {
    EXPECT_EQ(PartFilePath(L"C:\\app\\", L"kelqoffline.zip", 0), L"C:\\app\\kelqoffline.zip_0");
    EXPECT_EQ(PartFilePath(L".\\", L"kelqOffLine.zip", 2), L".\\kelqOffLine.zip_2");
    EXPECT_EQ(PartFilePath(L"D:\\下载\\", L"包.zip", 12), L"D:\\下载\\包.zip_12");
}

TEST(PlanPart, Cases) {
    struct Case {
        long long onDisk;
        int length;
        int existing;
        bool discard;
    } cases[] = {
        {-1, 1000, 0, false}, // no part file, or a folder in its place
        {0, 1000, 0, false},  // an empty part
        {700, 1000, 700, false}, {1000, 1000, 1000, false}, // complete
        {0, 0, 0, false},                                   // an empty segment with an empty part
        {1001, 1000, 0, true},                              // longer than its segment: start afresh
        {1, 0, 0, true},         {1LL << 32, 1000, 0, true}, // beyond 32 bits
    };
    for (const Case& c : cases) {
        PartPlan p = PlanPart(c.onDisk, c.length);
        EXPECT_EQ(p.existing, c.existing) << c.onDisk << "/" << c.length;
        EXPECT_EQ(p.discard, c.discard) << c.onDisk << "/" << c.length;
    }
}
