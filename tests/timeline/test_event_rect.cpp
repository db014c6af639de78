// Event spans, progress, rectangles, viewports and colours.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "timeline/event_rect.h"

namespace lumen {
namespace {

TimelineEvent spanning(int start, int end) {
    TimelineEvent e;
    e.startTime = start;
    e.endTime = end;
    return e;
}

TEST(EventSpan, BothEndsAreInclusiveProgressRunsZeroToOneAndTheClothHasThreeWindows) {
    struct Case {
        int start, end, t;
        bool active;
        float progress;
    };
    const Case cases[] = {{1000, 1009, 999, false, 0},         {1000, 1009, 1000, true, 0},
                          {1000, 1009, 1009, true, 1},         {1000, 1009, 1010, false, 0},
                          {0, 1999, 999, true, 999.0f / 1999}, {50, 50, 50, true, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(eventActiveAt(spanning(c.start, c.end), c.t), c.active) << c.t;
        EXPECT_FLOAT_EQ(c.active ? eventProgress(spanning(c.start, c.end), c.t) : 0, c.progress) << c.t;
    }
    const std::pair<TimelineEvent, bool> windows[] = {{spanning(422130, 451449), true},
                                                      {spanning(451450, 473539), true},
                                                      {spanning(473540, 509729), true},
                                                      {spanning(422130, 451459), false},
                                                      {spanning(422120, 451449), false}};
    for (const auto& [e, cloth] : windows) EXPECT_EQ(isClothWindow(e), cloth) << e.startTime;
}

TEST(EventRectangle, FloorsCornersGrowsTheFarEdgeNudgesTheTopAndMapsToPixels) {
    TimelineEvent e;
    e.x1End = -3;
    e.y1Start = 10;
    e.y1End = 20;
    e.x2Start = 100;
    e.x2End = 201;
    e.y2Start = e.y2End = 50;
    for (int c = 0; c < 4; ++c) e.colorEnd[c] = 1.0f - 0.25f * float(c);
    const std::pair<int, double> nudges[] = {{640, 15}, {800, 15}, {320, 15.5}, {1024, 16}};
    for (const auto& [width, y1] : nudges) {
        const EventRect r = eventRectangle(e, 0.5f, width);
        EXPECT_EQ(r.x1, -2.0);   // floor(-1.5)
        EXPECT_EQ(r.x2, 151.0);  // floor(150.5) + 1
        EXPECT_EQ(r.y2, 51.0);
        EXPECT_EQ(r.y1, y1) << width;
        EXPECT_EQ(eventRectangle(e, 0.5f, width, false).y1, 15.0) << width;
    }
    float color[4];
    eventColor(e, 0.5f, color);
    EXPECT_FLOAT_EQ(color[0], 0.5f);
    EXPECT_FLOAT_EQ(color[3], 0.125f);

    // Pixels bottom-up, each value truncated.
    const PixelRect big = sceneViewport({10, 20, 330, 260}, 1024, 768), small = sceneViewport({1, 0.5, 4, 3}, 320, 240);
    EXPECT_EQ((std::vector<int>{big.x, big.y, big.width, big.height}), (std::vector<int>{16, 352, 512, 384}));
    EXPECT_EQ((std::vector<int>{small.x, small.y, small.width, small.height}), (std::vector<int>{0, 238, 1, 1}));
}

}  // namespace
}  // namespace lumen
