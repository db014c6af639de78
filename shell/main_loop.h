// The shell's state and its one frame loop. The loop drives a FrameHost, so the
// real window, GL and audio clock and a test's scripted fake run the same code;
// with TimeControls it is also the authoring player of lumen --dev.
#pragma once
#include <cstdint>
#include <string>

#include "base/show_clock.h"
#include "platform/display.h"
#include "platform/virtual_keys.h"

namespace lumen {

constexpr int kFrameSleepMs = 10;
// The authoring keys' seeks: Left/Right and PgUp/PgDn.
constexpr int kSmallSeekMs = 1000;
constexpr int kLargeSeekMs = 10000;

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
    // Shows the picture; newFrame is false when no frame was drawn since the
    // last present (a paused picture shown again).
    virtual void present(bool newFrame) = 0;
};

// The song position being played, for the authoring title.
struct SongPosition {
    int order = 0;
    int row = 0;
};

// What pausing and seeking need besides the FrameHost: a clock that stops and
// jumps, state that can go back to the start, and a title to write.
class TimeControls {
public:
    virtual ~TimeControls() = default;
    // The clock then reads the first block whose show time reaches showTime
    // (the last one when none does); a paused clock stays paused there.
    virtual void seekTo(int showTime) = 0;
    virtual void setPaused(bool paused) = 0;
    virtual bool paused() const = 0;
    // Frames are drawn in show-time order; before a frame earlier than the
    // last one, the state that only moves forward goes back to the start.
    virtual void rewind() = 0;
    virtual SongPosition songPosition() = 0;
    virtual void setTitle(const std::string& title) = 0;
};

// The window procedure: a close request stops the show, a key-down marks its key.
void handleWindowEvent(ShellState& state, const platform::Event& event);

// The authoring title: show time, song position, and whether it is paused.
std::string authoringTitle(int showTime, SongPosition position, bool paused);

// Draws frames until a stop is requested; the first frame at endOfShow or later
// is still drawn and presented. With controls (lumen --dev) the authoring keys
// pause and seek, a paused picture is drawn again only when its time changes,
// and the title follows the show; without, the loop is the show's plain one.
void runMainLoop(ShellState& state, FrameHost& host, int endOfShow = kEndOfShowMs, TimeControls* controls = nullptr);

}  // namespace lumen
