// The player's --timings report: start-up time (process start to the first
// show frame on screen), frames drawn, and the spread of frame times.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "shell/main_loop.h"

namespace lumen {

class FrameTimings {
public:
    // Call as each show frame reaches the screen, with the process's age then.
    void frameShown(int64_t processAgeUs);

    int frames() const { return frames_; }
    // One line, without a newline, e.g.
    // "lumen: timings: start-up 2.351 s, 812 frames, frame time p50 16.4 ms, p99 31.0 ms, max 40.2 ms".
    // Figures that need more frames than were drawn read "none".
    std::string report() const;

private:
    int frames_ = 0;
    int64_t firstUs_ = 0;
    int64_t lastUs_ = 0;
    std::vector<int64_t> intervalsUs_;  // between consecutive frames
};

// The frame time below which a fraction p (0..1] of `sorted` lies: nearest rank.
int64_t percentileUs(const std::vector<int64_t>& sorted, double p);

// Passes everything on to another host and records each frame drawn and
// presented (a paused picture presented again is no new frame).
class TimedFrameHost final : public FrameHost {
public:
    TimedFrameHost(FrameHost& inner, FrameTimings& timings) : inner_(inner), timings_(timings) {}

    bool takeEvent(platform::Event& event) override { return inner_.takeEvent(event); }
    int clockMs() override { return inner_.clockMs(); }
    void drawFrame(int showTime) override { inner_.drawFrame(showTime); }
    void sleepMs(int ms) override { inner_.sleepMs(ms); }
    void present(bool newFrame) override;

private:
    FrameHost& inner_;
    FrameTimings& timings_;
};

}  // namespace lumen
