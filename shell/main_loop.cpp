// The frame loop: one waiting event per iteration takes precedence over drawing.
#include "shell/main_loop.h"

namespace lumen {

void handleWindowEvent(ShellState& state, const platform::Event& event) {
    switch (event.kind) {
        case platform::EventKind::Close: state.stopRequested = true; break;
        case platform::EventKind::KeyDown:
            if (event.virtualKey > 0 && event.virtualKey < 256) state.keyDown[event.virtualKey] = 1;
            break;
        case platform::EventKind::Other: break;
    }
}

void runMainLoop(ShellState& state, FrameHost& host, int endOfShow) {
    state.showTime = 0;
    while (!state.stopRequested) {
        platform::Event event;
        if (host.takeEvent(event)) {
            handleWindowEvent(state, event);
            continue;
        }
        if (state.keyDown[kVirtualKeyEscape]) {
            state.stopRequested = true;
            break;
        }
        state.showTime = host.clockMs() + kClockOffsetMs;
        host.drawFrame(state.showTime);
        host.sleepMs(kFrameSleepMs);
        host.present();
        if (state.showTime >= endOfShow) state.stopRequested = true;
    }
}

}  // namespace lumen
