// The soundtrack's entry points: synthInit loads the song and generates its
// samples, synthStart pre-renders the ring and starts the device and the audio
// thread, synthGetTimeMs is the show's clock. One Synth object per program.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>

#include "base/progress.h"
#include "synth/block_renderer.h"
#include "synth/module_player.h"

namespace lumen {

namespace platform {
class AudioDevice;
class AudioThread;
}  // namespace platform

// The three stored pieces of a song.
struct SongSource {
    std::span<const uint8_t> image;
    std::span<const uint8_t> planes;       // five planes back to back
    std::span<const uint8_t> definitions;  // one generator definition per instrument
};

// Loads a song into a fresh player: mixer reset, samples generated with the
// progress hook. Throws SongDataError.
void loadSongSource(ModulePlayer& player, const SongSource& song, ProgressHook progress = {});

class Synth {
public:
    Synth();
    // Plays through `device` instead of opening the system's (tests drive the clock with one).
    explicit Synth(std::unique_ptr<platform::AudioDevice> device);
    ~Synth();
    Synth(const Synth&) = delete;
    Synth& operator=(const Synth&) = delete;

    // Opens the device (or, without one, logs one line and plays silently in
    // real time), then loads the song. Returns 1, or 0 with one logged line
    // when the song cannot be loaded.
    int synthInit(const SongSource& song, ProgressHook progress = {});
    // Pre-renders the ring, starts playback and the audio thread. Without a
    // loaded song the clock still runs, silently, in real time.
    void synthStart();
    // Song time in ms at the end of the block being played; read from any thread.
    int synthGetTimeMs() const { return clockMs_.load(std::memory_order_relaxed); }

    bool hasSound() const { return hasSound_; }

private:
    void poll();
    void pollSilentClock();

    ModulePlayer player_;
    std::unique_ptr<BlockRenderer> renderer_;
    std::unique_ptr<platform::AudioDevice> device_;
    std::unique_ptr<platform::AudioThread> thread_;
    bool loaded_ = false;
    bool hasSound_ = false;
    int playIndex_ = 0;
    std::atomic<int> clockMs_{0};
};

}  // namespace lumen
