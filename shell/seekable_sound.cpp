// Mapping the song as far as asked, starting it anywhere, pausing by closing
// the device.
#include "shell/seekable_sound.h"

#include <algorithm>
#include <string>

#include "base/log.h"
#include "platform/audio_device.h"
#include "platform/audio_thread.h"
#include "shell/main_loop.h"
#include "synth/song_data_error.h"

namespace lumen {

namespace {
constexpr int kPollMs = 5;
// One checkpoint a second or so: a seek then renders at most this many blocks
// before playing, about a tenth of a second of work for a whole second of music.
constexpr int kCheckpointBlocks = 50;
// How far past the end a seek may still land, so the very end has frames after it.
constexpr int kSeekSlackMs = 1000;
}  // namespace

SeekableSound::SeekableSound() = default;

SeekableSound::~SeekableSound() { stop(); }

bool SeekableSound::init(const SongSource& song, const ProgressHook& progress, int mapTo) {
    mapPlayer_ = std::make_unique<ModulePlayer>();
    player_ = std::make_unique<ModulePlayer>();
    try {
        loadSongSource(*mapPlayer_, song, progress);
        loadSongSource(*player_, song);
    } catch (const SongDataError& e) {
        logMessage(LogLevel::Error, std::string("lumen: song: ") + e.what());
        return false;
    }
    map_ = std::make_unique<SongRun>(*mapPlayer_, kCheckpointBlocks);
    latestSeekMs_ = mapTo + kSeekSlackMs;
    return true;
}

int SeekableSound::blockReaching(int showTime) { return map_->firstBlockReaching(std::min(showTime, latestSeekMs_)); }

int SeekableSound::orderAt(int block) {
    map_->renderThrough(block);
    return map_->orderAt(block);
}

int SeekableSound::rowAt(int block) {
    map_->renderThrough(block);
    return map_->rowAt(block);
}

void SeekableSound::stop() {
    thread_.reset();  // the thread renders into the ring: stop it first
    device_.reset();
}

void SeekableSound::startAt(int block) {
    stop();
    block = std::max(block, 0);
    map_->placeInto(*player_, block);
    renderer_ = std::make_unique<BlockRenderer>(*player_, player_->rate);
    renderer_->prefill();
    playIndex_ = 0;
    firstBlock_ = block;
    advanced_ = 0;
    paused_ = false;
    clockMs_.store(renderer_->positionAt(0), std::memory_order_relaxed);
    playingBlock_.store(block, std::memory_order_relaxed);
    std::string reason;
    device_ = platform::openAudioDevice(kOutputRate, &reason);
    if (!device_) device_ = platform::openSilentDevice(kOutputRate);
    device_->play(reinterpret_cast<const uint8_t*>(renderer_->ring()), renderer_->ringBytes());
    thread_ = std::make_unique<platform::AudioThread>([this] { poll(); }, kPollMs);
}

void SeekableSound::cue(int block) {
    stop();
    block = std::max(block, 0);
    paused_ = true;
    clockMs_.store(map_->endTime(block), std::memory_order_relaxed);
    playingBlock_.store(block, std::memory_order_relaxed);
}

void SeekableSound::pause() {
    if (paused_) return;
    stop();
    paused_ = true;
}

void SeekableSound::resume() {
    // The block that was playing starts again from its beginning.
    if (paused_) startAt(playingBlock());
}

// The device path's polling: refill behind the device, the clock from the
// block it has just entered.
void SeekableSound::poll() {
    const int rendered = refillBehindDevice(*renderer_, device_->bytesPlayed(), playIndex_);
    if (rendered == 0) return;
    advanced_ += rendered;
    clockMs_.store(renderer_->positionAt(playIndex_), std::memory_order_relaxed);
    playingBlock_.store(firstBlock_ + advanced_, std::memory_order_relaxed);
}

}  // namespace lumen
