// The loading sequence and the loading display: the loader pack is built first
// and parked, then its timeline plays as a progress display while the main pack
// and the music are built. Also the show frame both packs are drawn with.
#pragma once
#include <cstdint>
#include <span>

#include <memory>

#include "base/progress.h"
#include "base/runtime_random.h"
#include "pack/pack_lists.h"
#include "platform/display.h"
#include "texgen/texture.h"
#include "timeline/event_player.h"

namespace lumen {

class PackLoader;

// The loader pack's timeline time for a progress value: p x 5000 ms, the
// product rounded to a float and then truncated toward zero (0.99999 gives
// 4999, 1.0 gives 5000, 1.025 gives 5125).
int loadingTimelineTime(float p);

// One frame of a pack's timeline: clear, identity, the scripted rotation at
// +1, the timeline, the scripted rotation at -1.
void drawShowFrame(EventPlayer& player, PackLists& active, int showTime);

// What the loading display needs from the window: one waiting event, if any,
// handled as the window procedure would; and showing the finished frame.
class LoadingHost {
public:
    virtual ~LoadingHost() = default;
    // Takes and handles one waiting window event; false when none waited.
    virtual bool handleWaitingEvent() = 0;
    virtual void present() = 0;
};

class LoadingSequence {
public:
    // The generator must exist (its tables filled) and the GL context be
    // current; `random` is the program's shared generator, still at its
    // start-up state so the jitter table comes out the same on every run.
    LoadingSequence(EventPlayer& player, TextureGenerator& generator, RuntimeRandom& random, LoadingHost& host);
    ~LoadingSequence();
    LoadingSequence(const LoadingSequence&) = delete;
    LoadingSequence& operator=(const LoadingSequence&) = delete;

    // Render targets, jitter table, cloth, switch 0, the loader pack and its
    // display lists, the swap, then the main pack and its lists. A bad pack
    // stops with the loader's PackError; an empty span is no pack at all and
    // loads nothing.
    void run(std::span<const uint8_t> loaderPack, std::span<const uint8_t> mainPack);

    // Draws the parked (loader) pack's timeline at loadingTimelineTime(p),
    // unless a window event was waiting: that event is handled instead.
    void loadingDisplay(float p);

    // Empty until the main pack starts loading; then the loading display.
    const ProgressHook& progressHook() const { return progressHook_; }

    PackLists& active() { return active_; }
    PackLists& parked() { return parked_; }

    // Frames drawn by the loading display so far (for tests and progress).
    int framesDrawn() const { return framesDrawn_; }

private:
    EventPlayer& player_;
    TextureGenerator& generator_;
    RuntimeRandom& random_;
    LoadingHost& host_;
    std::unique_ptr<PackLoader> loader_;
    PackLists active_;
    PackLists parked_;
    ProgressHook progressHook_;
    int framesDrawn_ = 0;
};

// compileDisplayLists for every scene of the set.
void compileDisplayLists(PackLists& lists);

}  // namespace lumen
