// The frame loop: one waiting event per iteration takes precedence over drawing;
// with time controls, the authoring keys act on the clock between frames.
#include "shell/main_loop.h"

#include <algorithm>
#include <cstdio>

#include "shell/show_time_text.h"

namespace lumen {

namespace {

// Space pauses or resumes; the arrows and page keys seek from the show time
// the clock reads now; Home starts again from the top.
void handleAuthoringKey(TimeControls& controls, FrameHost& host, int key) {
    const auto seekBy = [&](int ms) { controls.seekTo(std::max(0, host.clockMs() + kClockOffsetMs + ms)); };
    switch (key) {
        case platform::kKeySpace: controls.setPaused(!controls.paused()); break;
        case platform::kKeyLeft: seekBy(-kSmallSeekMs); break;
        case platform::kKeyRight: seekBy(kSmallSeekMs); break;
        case platform::kKeyPageUp: seekBy(-kLargeSeekMs); break;
        case platform::kKeyPageDown: seekBy(kLargeSeekMs); break;
        case platform::kKeyHome: controls.seekTo(0); break;
        default: break;
    }
}

}  // namespace

void handleWindowEvent(ShellState& state, const platform::Event& event) {
    switch (event.kind) {
        case platform::EventKind::Close: state.stopRequested = true; break;
        case platform::EventKind::KeyDown:
            if (event.virtualKey > 0 && event.virtualKey < 256) state.keyDown[event.virtualKey] = 1;
            break;
        case platform::EventKind::Other: break;
    }
}

std::string authoringTitle(int showTime, SongPosition position, bool paused) {
    char text[96];
    std::snprintf(text, sizeof text, "%s  %s  order %02d:%02d%s", platform::kShowTitle, formatShowTime(showTime).c_str(),
                  position.order, position.row, paused ? "  (paused)" : "");
    return text;
}

void runMainLoop(ShellState& state, FrameHost& host, int endOfShow, TimeControls* controls) {
    state.showTime = 0;
    int drawn = -1;  // show time of the last frame drawn, -1 before the first
    std::string title;
    while (!state.stopRequested) {
        platform::Event event;
        if (host.takeEvent(event)) {
            handleWindowEvent(state, event);
            if (controls && event.kind == platform::EventKind::KeyDown)
                handleAuthoringKey(*controls, host, event.virtualKey);
            continue;
        }
        if (state.keyDown[platform::kKeyEscape]) {
            state.stopRequested = true;
            break;
        }
        const int showTime = host.clockMs() + kClockOffsetMs;
        // A paused picture stands until a seek moves the clock.
        const bool newFrame = !controls || !controls->paused() || showTime != drawn;
        if (newFrame) {
            if (controls && showTime < drawn) controls->rewind();
            state.showTime = showTime;
            host.drawFrame(showTime);
            drawn = showTime;
        }
        if (controls) {
            const std::string now = authoringTitle(state.showTime, controls->songPosition(), controls->paused());
            if (now != title) controls->setTitle(now);
            title = now;
        }
        host.sleepMs(kFrameSleepMs);
        host.present(newFrame);
        if (state.showTime >= endOfShow) state.stopRequested = true;
    }
}

}  // namespace lumen
