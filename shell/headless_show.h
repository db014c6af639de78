// The built-in show without a window or a sound device: the player's start-up
// (loading display included, drawn unseen), the song run for the clock and the
// sound, and the earlier-frame history, for offline renders and shots.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/runtime_random.h"
#include "platform/display.h"
#include "shell/loading.h"
#include "shell/show_history.h"
#include "shell/song_run.h"
#include "synth/module_player.h"
#include "texgen/texture.h"
#include "timeline/event_player.h"

namespace lumen {

// The picture inside a frame of any size: the largest 4:3 rectangle that fits,
// centred, as the player shows it in a window of that shape.
platform::PresentRect showPictureRect(int frameWidth, int frameHeight);

class HeadlessShow {
public:
    // Starts up like the player, with the picture at pictureWidth x
    // pictureHeight. Throws std::runtime_error with one line on failure.
    HeadlessShow(int pictureWidth, int pictureHeight);
    ~HeadlessShow();
    HeadlessShow(const HeadlessShow&) = delete;
    HeadlessShow& operator=(const HeadlessShow&) = delete;

    SongRun& song() { return *run_; }
    ShowHistory& history() { return *history_; }
    EventPlayer& player() { return *player_; }

    // The loader pack's timeline at time t, as the loading display draws it.
    void drawLoaderFrame(int t);
    // Leaves the earlier-frame state as loading left it, after loader frames
    // were drawn for a prelude.
    void redrawLastLoadingFrame();

    // True once a close request arrived: SDL turns Ctrl-C and SIGTERM into one.
    bool closeRequested();

    // The picture, RGBA rows top-down, alpha forced opaque (a screen shows none).
    std::vector<uint8_t> readPicture();
    // The picture as RGB rows bottom-up into a wider frame (see Display).
    void readPictureRgbBottomUp(uint8_t* out, int rowPixels) { display_->readPictureRgbBottomUp(out, rowPixels); }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    class QuietHost;
    int width_;
    int height_;
    RuntimeRandom random_;
    std::unique_ptr<TextureGenerator> generator_;
    std::unique_ptr<platform::Display> display_;
    std::unique_ptr<QuietHost> host_;
    std::unique_ptr<EventPlayer> player_;
    std::unique_ptr<LoadingSequence> loading_;
    std::unique_ptr<ModulePlayer> music_;
    std::unique_ptr<SongRun> run_;
    std::unique_ptr<ShowHistory> history_;
    float lastProgress_ = -1.0f;
};

}  // namespace lumen
