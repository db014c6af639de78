// The show played from the seekable soundtrack: lumen --from/--to, and with
// --dev the authoring player (Space pauses picture and sound, Left/Right seek a
// second, PgUp/PgDn ten, Home restarts, the title shows where the show is).
#pragma once
#include <string>

#include "platform/display.h"
#include "shell/main_loop.h"
#include "shell/seekable_sound.h"
#include "shell/show_history.h"

namespace lumen {

// The window, the seekable soundtrack's clock, and frames drawn through the
// earlier-frame history, so a jump shows what playing there would have shown.
class AuthoringHost final : public FrameHost, public TimeControls {
public:
    AuthoringHost(platform::Display& display, SeekableSound& sound, ShowHistory& history)
        : display_(display), sound_(sound), history_(history) {}

    bool takeEvent(platform::Event& event) override { return display_.pollEvent(event); }
    int clockMs() override { return sound_.clockMs(); }
    void drawFrame(int showTime) override { history_.drawFrame(showTime); }
    void sleepMs(int ms) override;
    // A paused picture is presented again only from the offscreen picture: a
    // window that is the picture has nothing defined to show after a swap.
    void present(bool newFrame) override {
        if (newFrame || !display_.drawsIntoWindow()) display_.present();
    }

    void seekTo(int showTime) override;
    void setPaused(bool paused) override { paused ? sound_.pause() : sound_.resume(); }
    bool paused() const override { return sound_.paused(); }
    void rewind() override { history_.restart(); }
    SongPosition songPosition() override;
    void setTitle(const std::string& title) override { display_.setTitle(title); }

private:
    platform::Display& display_;
    SeekableSound& sound_;
    ShowHistory& history_;
};

}  // namespace lumen
