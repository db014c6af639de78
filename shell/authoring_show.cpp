// The seekable frame loop: the clock from the seekable soundtrack, frames
// through the earlier-frame history so a jump shows what playing would have.
#include "shell/authoring_show.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "content/song_builtin.h"
#include "platform/clock.h"
#include "shell/seekable_sound.h"
#include "shell/show_history.h"
#include "shell/show_time_text.h"

namespace lumen {

namespace {

// Windows virtual-key codes of the authoring keys.
constexpr int kKeySpace = 0x20;
constexpr int kKeyPageUp = 0x21;
constexpr int kKeyPageDown = 0x22;
constexpr int kKeyHome = 0x24;
constexpr int kKeyLeft = 0x25;
constexpr int kKeyRight = 0x27;
constexpr int kSmallSeekMs = 1000;
constexpr int kLargeSeekMs = 10000;

class AuthoringLoop {
public:
    AuthoringLoop(ShellState& state, platform::Display& display, SeekableSound& sound, ShowHistory& history, bool dev)
        : state_(state), display_(display), sound_(sound), history_(history), dev_(dev) {}

    void run(int endOfShow);

private:
    void handleKey(int key);
    void seekTo(int showTime);
    void updateTitle();

    ShellState& state_;
    platform::Display& display_;
    SeekableSound& sound_;
    ShowHistory& history_;
    bool dev_;
    bool redraw_ = true;  // a paused picture wants drawing once after a seek
    std::string title_;
};

void AuthoringLoop::seekTo(int showTime) {
    const bool wasPaused = sound_.paused();
    sound_.startAt(sound_.blockReaching(std::max(0, showTime)));
    if (wasPaused) sound_.pause();
    redraw_ = true;
}

void AuthoringLoop::handleKey(int key) {
    if (key == kVirtualKeyEscape) state_.stopRequested = true;
    if (!dev_) return;
    const int now = state_.showTime;
    switch (key) {
        case kKeySpace: sound_.paused() ? sound_.resume() : sound_.pause(); break;
        case kKeyLeft: seekTo(now - kSmallSeekMs); break;
        case kKeyRight: seekTo(now + kSmallSeekMs); break;
        case kKeyPageUp: seekTo(now - kLargeSeekMs); break;
        case kKeyPageDown: seekTo(now + kLargeSeekMs); break;
        case kKeyHome: seekTo(0); break;
        default: break;
    }
}

void AuthoringLoop::updateTitle() {
    const int block = sound_.playingBlock();
    char position[48];
    std::snprintf(position, sizeof position, "  order %02d:%02d", sound_.orderAt(block), sound_.rowAt(block));
    std::string title = "Halcyon - Project Lumen  " + formatShowTime(state_.showTime) + position;
    if (sound_.paused()) title += "  (paused)";
    if (title != title_) display_.setTitle(title);
    title_ = title;
}

void AuthoringLoop::run(int endOfShow) {
    int drawn = -1;
    while (!state_.stopRequested) {
        platform::Event event;
        if (display_.pollEvent(event)) {
            if (event.kind == platform::EventKind::Close) state_.stopRequested = true;
            if (event.kind == platform::EventKind::KeyDown) handleKey(event.virtualKey);
            continue;
        }
        if (sound_.paused() && !redraw_) {
            platform::sleepMs(kFrameSleepMs);
            display_.present();
            continue;
        }
        redraw_ = false;
        state_.showTime = sound_.clockMs() + kClockOffsetMs;
        // Going back: the state that only moves forward is rebuilt from the start.
        if (state_.showTime < drawn) history_.restart();
        history_.drawFrame(state_.showTime);
        drawn = state_.showTime;
        if (dev_) updateTitle();
        platform::sleepMs(kFrameSleepMs);
        display_.present();
        if (state_.showTime >= endOfShow) state_.stopRequested = true;
    }
}

}  // namespace

int runAuthoringShow(ShellState& state, platform::Display& display, EventPlayer& player, LoadingSequence& loading,
                     const PlayerControls& controls, int endOfShow) {
    SeekableSound sound;
    const content::SongBytes& song = content::builtInSong();
    if (!sound.init(SongSource{song.image, song.planes, song.definitions}, loading.progressHook(), endOfShow)) return 1;
    for (int id : kShowAnimatedScenes) player.animationSwitches().set(id);
    if (state.stopRequested) return 0;
    ShowHistory history(player, loading.active(), sound.map());
    sound.startAt(sound.blockReaching(controls.from.value_or(0)));
    AuthoringLoop(state, display, sound, history, controls.dev).run(endOfShow);
    return 0;
}

}  // namespace lumen
