// The soundtrack for the player's authoring mode and for starting mid-show:
// the song is mapped with play-state checkpoints as far as the show has got
// (or a seek has asked), so playback can start at any block, pause and resume,
// with the bytes after a seek the very bytes a play from the start gives there.
#pragma once
#include <atomic>
#include <memory>

#include "base/progress.h"
#include "shell/song_run.h"
#include "synth/block_renderer.h"
#include "synth/module_player.h"
#include "synth/synth.h"

namespace lumen {

namespace platform {
class AudioDevice;
class AudioThread;
}  // namespace platform

class SeekableSound {
public:
    SeekableSound();
    ~SeekableSound();
    SeekableSound(const SeekableSound&) = delete;
    SeekableSound& operator=(const SeekableSound&) = delete;

    // Loads the song twice, reporting progress on the first load: once for
    // the map, which the main thread reads and extends (the picture's clock,
    // the seeks, the title), once for the device's player on the audio
    // thread. Nothing is mapped yet; no seek goes further than a second past
    // mapTo. False, with one logged line, when the song cannot load.
    bool init(const SongSource& song, const ProgressHook& progress, int mapTo);

    // Plays from the start of block b (0 at least); the clock then reads that
    // block's end time.
    void startAt(int block);
    // Paused at block b (0 at least): the clock reads that block's end time,
    // and resume() plays from there.
    void cue(int block);
    void pause();
    void resume();
    bool paused() const { return paused_; }

    // Song time in ms at the end of the block being played.
    int clockMs() const { return clockMs_.load(std::memory_order_relaxed); }
    // The block being played, counted from the song's start.
    int playingBlock() const { return playingBlock_.load(std::memory_order_relaxed); }
    // The first block whose show time reaches t, or reaches a second past
    // mapTo when t is later than that.
    int blockReaching(int showTime);
    int orderAt(int block);
    int rowAt(int block);
    // The ring as last filled (tests compare it with a run from the start).
    const BlockRenderer& renderer() const { return *renderer_; }
    // The mapped song: the show's clock for every block.
    SongRun& map() { return *map_; }

private:
    void poll();
    void stop();

    std::unique_ptr<ModulePlayer> mapPlayer_;
    std::unique_ptr<SongRun> map_;
    int latestSeekMs_ = 0;
    std::unique_ptr<ModulePlayer> player_;  // the device's
    std::unique_ptr<BlockRenderer> renderer_;
    std::unique_ptr<platform::AudioDevice> device_;
    std::unique_ptr<platform::AudioThread> thread_;
    bool paused_ = false;
    int playIndex_ = 0;
    int firstBlock_ = 0;
    int advanced_ = 0;
    std::atomic<int> clockMs_{0};
    std::atomic<int> playingBlock_{0};
};

}  // namespace lumen
