// The --timings report: percentiles and the one-line format. The host wrapper
// that records frames is tested with the frame loop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/frame_timings.h"

namespace lumen {
namespace {

TEST(FrameTimings, PercentilesTakeTheNearestRank) {
    const struct {
        std::vector<int64_t> sorted;
        double p;
        int64_t expected;
    } cases[] = {
        {{}, 0.5, 0},
        {{7}, 0.5, 7},
        {{7}, 0.99, 7},
        {{1, 2, 3, 4}, 0.5, 2},  // rank 2 of 4
        {{1, 2, 3, 4, 5}, 0.5, 3},
        {{1, 2, 3, 4}, 0.99, 4},  // rank 4: ceil(3.96)
        {std::vector<int64_t>(200, 5), 0.99, 5},
    };
    for (const auto& c : cases) EXPECT_EQ(percentileUs(c.sorted, c.p), c.expected) << c.sorted.size() << " " << c.p;
    // 1..100: p99 is the 99th value, not the maximum.
    std::vector<int64_t> hundred;
    for (int i = 1; i <= 100; ++i) hundred.push_back(i);
    EXPECT_EQ(percentileUs(hundred, 0.99), 99);
    EXPECT_EQ(percentileUs(hundred, 0.5), 50);
}

TEST(FrameTimings, ReportIsOneLineFromFirstFrameAndIntervals) {
    const struct {
        std::vector<int64_t> shownAtUs;
        const char* report;
    } cases[] = {
        {{}, "lumen: timings: start-up none, 0 frames, frame time none"},
        {{2'500'000}, "lumen: timings: start-up 2.500 s, 1 frame, frame time none"},
        // Intervals 10, 20, 40 ms: p50 is the 2nd of 3, p99 and max the 3rd.
        {{1'000'000, 1'010'000, 1'030'000, 1'070'000},
         "lumen: timings: start-up 1.000 s, 4 frames, frame time p50 20.0 ms, p99 40.0 ms, max 40.0 ms"},
        {{3'141'593, 3'158'193, 3'174'893},
         "lumen: timings: start-up 3.142 s, 3 frames, frame time p50 16.6 ms, p99 16.7 ms, max 16.7 ms"},
    };
    for (const auto& c : cases) {
        FrameTimings t;
        for (int64_t us : c.shownAtUs) t.frameShown(us);
        EXPECT_EQ(t.frames(), int(c.shownAtUs.size()));
        EXPECT_EQ(t.report(), c.report);
    }
}

}  // namespace
}  // namespace lumen
