// The arithmetic of drawing an event: progress through its span, the
// interpolated rectangle in virtual-screen units, and its pixel mappings.
#pragma once

#include "timeline/timeline_event.h"

namespace lumen {

// The virtual screen every rectangle is given in: 640 x 480, y down.
constexpr int kVirtualWidth = 640;
constexpr int kVirtualHeight = 480;

// a + (b - a) * p, in double.
double lerp(double a, double b, float p);

// Both ends of the span are inclusive.
bool eventActiveAt(const TimelineEvent& event, int t);

// (t - startTime) / (endTime - startTime) as a float: 0 at the start, 1 at the
// end. A span of zero length gives 0 rather than a division by zero.
float eventProgress(const TimelineEvent& event, int t);

// A rectangle in virtual units: integers, except that y1 carries the half or
// whole unit nudge of 320- and 1024-wide windows.
struct EventRect {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// floor of the interpolated corners, +1 on x2 and y2; with `nudge`, y1 moves
// down 0.5 at width 320 and 1.0 at width 1024.
EventRect eventRectangle(const TimelineEvent& event, float p, int windowWidth, bool nudge = true);

// The rectangle in window pixels, bottom-up as GL counts them, each value
// truncated: x1 * W / 640, H - H * y2 / 480, W * (x2 - x1) / 640, H * (y2 - y1) / 480.
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
};
PixelRect sceneViewport(const EventRect& r, int windowWidth, int windowHeight);

// The colour at p, each channel interpolated.
void eventColor(const TimelineEvent& event, float p, float out[4]);

// The three show windows during which the cloth flag runs after the event.
bool isClothWindow(const TimelineEvent& event);

}  // namespace lumen
