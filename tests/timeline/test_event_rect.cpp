// Event spans, progress, rectangles, viewports and colours.
#include <gtest/gtest.h>

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

TEST(EventSpan, BothEndsAreInclusiveAndProgressRunsZeroToOne) {
    struct Case {
        int start, end, t;
        bool active;
        float progress;
    };
    const Case cases[] = {{1000, 1009, 999, false, 0},  {1000, 1009, 1000, true, 0},
                          {1000, 1009, 1009, true, 1},  {1000, 1009, 1010, false, 0},
                          {0, 1999, 999, true, 999.0f / 1999}, {50, 50, 50, true, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(eventActiveAt(spanning(c.start, c.end), c.t), c.active) << c.t;
        if (c.active) {
            EXPECT_FLOAT_EQ(eventProgress(spanning(c.start, c.end), c.t), c.progress) << c.t;
        }
    }
    const bool clothWindows[] = {isClothWindow(spanning(422130, 451449)), isClothWindow(spanning(451450, 473539)),
                                 isClothWindow(spanning(473540, 509729)), isClothWindow(spanning(422130, 451459)),
                                 isClothWindow(spanning(422120, 451449))};
    EXPECT_EQ(std::vector<bool>(clothWindows, clothWindows + 5), (std::vector<bool>{1, 1, 1, 0, 0}));
}

TEST(EventRectangle, FloorsCornersGrowsTheFarEdgeAndNudgesTheTopAt320And1024) {
    TimelineEvent e;
    e.x1End = -3;
    e.y1Start = 10;
    e.y1End = 20;
    e.x2Start = 100;
    e.x2End = 201;
    e.y2Start = e.y2End = 50;
    struct Case {
        int width;
        bool nudge;
        double y1;
    };
    for (const Case c : {Case{640, true, 15}, Case{800, true, 15}, Case{320, true, 15.5}, Case{1024, true, 16},
                         Case{320, false, 15}}) {
        const EventRect r = eventRectangle(e, 0.5f, c.width, c.nudge);
        EXPECT_EQ(r.x1, -2.0);  // floor(-1.5)
        EXPECT_EQ(r.y1, c.y1) << c.width;
        EXPECT_EQ(r.x2, 151.0);  // floor(150.5) + 1
        EXPECT_EQ(r.y2, 51.0);
    }
    for (int c = 0; c < 4; ++c) e.colorEnd[c] = 1.0f - 0.25f * float(c);
    float color[4];
    eventColor(e, 0.5f, color);
    EXPECT_FLOAT_EQ(color[0], 0.5f);
    EXPECT_FLOAT_EQ(color[3], 0.125f);
}

TEST(EventRectangle, ViewportMapsVirtualUnitsToBottomUpPixelsTruncating) {
    struct Case {
        EventRect r;
        int w, h;
        PixelRect want;
    };
    const Case cases[] = {{{10, 20, 330, 260}, 1024, 768, {16, 352, 512, 384}},
                          {{1, 0.5, 4, 3}, 320, 240, {0, 238, 1, 1}}};
    for (const Case& c : cases) {
        const PixelRect p = sceneViewport(c.r, c.w, c.h);
        EXPECT_EQ(p.x, c.want.x);
        EXPECT_EQ(p.y, c.want.y);
        EXPECT_EQ(p.width, c.want.width);
        EXPECT_EQ(p.height, c.want.height);
    }
}

}  // namespace
}  // namespace lumen
