// Event spans, progress and rectangles.
#include <gtest/gtest.h>

#include "timeline/event_rect.h"

namespace lumen {
namespace {

TimelineEvent spanning(int start, int end) {
    TimelineEvent e;
    e.startTime = start;
    e.endTime = end;
    return e;
}

TEST(EventSpan, BothEndsAreInclusiveAndProgressRunsZeroToOne) {
    // One stored unit of 10 ms: 1000 .. 1009.
    const TimelineEvent e = spanning(1000, 1009);
    EXPECT_FALSE(eventActiveAt(e, 999));
    EXPECT_TRUE(eventActiveAt(e, 1000));
    EXPECT_TRUE(eventActiveAt(e, 1009));
    EXPECT_FALSE(eventActiveAt(e, 1010));
    EXPECT_EQ(eventProgress(e, 1000), 0.0f);
    EXPECT_EQ(eventProgress(e, 1009), 1.0f);
    EXPECT_FLOAT_EQ(eventProgress(spanning(0, 1999), 999), 999.0f / 1999.0f);
    // A zero-length span has no progress to divide out.
    EXPECT_EQ(eventProgress(spanning(50, 50), 50), 0.0f);
}

TEST(EventRectangle, FloorsTheInterpolatedCornersAndGrowsTheFarEdgeByOne) {
    TimelineEvent e;
    e.x1Start = 0;
    e.x1End = -3;
    e.y1Start = 10;
    e.y1End = 20;
    e.x2Start = 100;
    e.x2End = 201;
    e.y2Start = 50;
    e.y2End = 50;
    const EventRect r = eventRectangle(e, 0.5f, 640);
    EXPECT_EQ(r.x1, -2.0);  // floor(-1.5)
    EXPECT_EQ(r.y1, 15.0);
    EXPECT_EQ(r.x2, 151.0);  // floor(150.5) + 1
    EXPECT_EQ(r.y2, 51.0);
}

TEST(EventRectangle, TopEdgeIsNudgedAtWidths320And1024Only) {
    TimelineEvent e;
    e.y1Start = e.y1End = 100;
    EXPECT_EQ(eventRectangle(e, 0, 640).y1, 100.0);
    EXPECT_EQ(eventRectangle(e, 0, 800).y1, 100.0);
    EXPECT_EQ(eventRectangle(e, 0, 320).y1, 100.5);
    EXPECT_EQ(eventRectangle(e, 0, 1024).y1, 101.0);
    EXPECT_EQ(eventRectangle(e, 0, 320, false).y1, 100.0);
}

TEST(EventRectangle, ViewportMapsVirtualUnitsToBottomUpPixelsTruncating) {
    EventRect r{10, 20, 330, 260};
    PixelRect p = sceneViewport(r, 1024, 768);
    EXPECT_EQ(p.x, 16);
    EXPECT_EQ(p.y, 768 - 416);
    EXPECT_EQ(p.width, 512);
    EXPECT_EQ(p.height, 384);
    r = EventRect{1, 0.5, 4, 3};  // at 320 x 240 with the nudge
    p = sceneViewport(r, 320, 240);
    EXPECT_EQ(p.x, 0);           // 0.5 truncated
    EXPECT_EQ(p.y, 238);         // 240 - 1.5, truncated
    EXPECT_EQ(p.height, 1);      // 240 * 2.5 / 480 = 1.25
}

TEST(EventColor, InterpolatesEachChannel) {
    TimelineEvent e;
    for (int c = 0; c < 4; ++c) {
        e.colorStart[c] = 0.0f;
        e.colorEnd[c] = 1.0f - 0.25f * c;
    }
    float out[4];
    eventColor(e, 0.5f, out);
    EXPECT_FLOAT_EQ(out[0], 0.5f);
    EXPECT_FLOAT_EQ(out[3], 0.125f);
}

TEST(ClothWindows, AreTheThreeExactSpans) {
    EXPECT_TRUE(isClothWindow(spanning(422130, 451449)));
    EXPECT_TRUE(isClothWindow(spanning(451450, 473539)));
    EXPECT_TRUE(isClothWindow(spanning(473540, 509729)));
    EXPECT_FALSE(isClothWindow(spanning(422130, 451459)));
    EXPECT_FALSE(isClothWindow(spanning(422120, 451449)));
}

}  // namespace
}  // namespace lumen
