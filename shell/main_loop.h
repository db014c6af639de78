// The shell's state and its frame loop. The loop drives a FrameHost, so the real
// window, GL and audio clock and a test's scripted fake run the same code.
#pragma once
#include <cstdint>

#include "base/show_clock.h"
#include "platform/display.h"

namespace lumen {

constexpr int kFrameSleepMs = 10;
constexpr int kVirtualKeyEscape = 0x1B;

struct ShellState {
    int windowWidth = 0;
    int windowHeight = 0;
    int showTime = 0;
    bool stopRequested = false;  // never cleared once set
    uint8_t keyDown[256] = {};   // by virtual-key code; never cleared
};

// What one iteration of the loop needs from the outside world.
class FrameHost {
public:
    virtual ~FrameHost() = default;
    // Removes one waiting window event, if any.
    virtual bool takeEvent(platform::Event& event) = 0;
    // The song position in milliseconds.
    virtual int clockMs() = 0;
    // Clear, then the frame's scripted rotation and timeline at showTime.
    virtual void drawFrame(int showTime) = 0;
    virtual void sleepMs(int ms) = 0;
    virtual void present() = 0;
};

// The window procedure: a close request stops the show, a key-down marks its key.
void handleWindowEvent(ShellState& state, const platform::Event& event);

// Draws frames until a stop is requested; the first frame at endOfShow or later
// is still drawn and presented.
void runMainLoop(ShellState& state, FrameHost& host, int endOfShow = kEndOfShowMs);

}  // namespace lumen
