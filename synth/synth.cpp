// The device, the pre-fill and the audio thread's polling loop.
#include "synth/synth.h"

#include <string>

#include "base/log.h"

#include "platform/audio_device.h"
#include "platform/audio_thread.h"
#include "synth/sequencer.h"
#include "synth/song_data_error.h"
#include "synth/song_loader.h"

namespace lumen {

namespace {
constexpr int kPollMs = 5;
}

void loadSongSource(ModulePlayer& player, const SongSource& song, ProgressHook progress) {
    player.mixer.reset(player.rate);
    SampleGenerator generator(parseGeneratorDefinitions(song.definitions), std::move(progress));
    loadSong(player, song.image, PatternPlanes::fromBytes(song.planes), generator);
}

Synth::Synth() = default;

Synth::Synth(std::unique_ptr<platform::AudioDevice> device) : device_(std::move(device)), hasSound_(true) {}

Synth::~Synth() {
    thread_.reset();  // the thread renders into what follows: stop it first
}

int Synth::synthInit(const SongSource& song, ProgressHook progress) {
    if (!device_) {
        std::string reason;
        device_ = platform::openAudioDevice(kOutputRate, &reason);
        hasSound_ = device_ != nullptr;
        if (!device_) {
            logMessage(LogLevel::Warning, "no audio device: playing without sound");
            device_ = platform::openSilentDevice(kOutputRate);
        }
    }
    try {
        loadSongSource(player_, song, std::move(progress));
    } catch (const SongDataError& e) {
        logMessage(LogLevel::Error, std::string("lumen: song: ") + e.what());
        return 0;
    }
    loaded_ = true;
    return 1;
}

void Synth::synthStart() {
    if (!device_) device_ = platform::openSilentDevice(kOutputRate);
    if (!loaded_) {
        // No song: keep the show's clock running on real time.
        device_->play(nullptr, 0);
        thread_ = std::make_unique<platform::AudioThread>([this] { pollSilentClock(); }, kPollMs);
        return;
    }
    startSong(player_);
    renderer_ = std::make_unique<BlockRenderer>(player_, kOutputRate);
    renderer_->prefill();
    playIndex_ = 0;
    clockMs_.store(renderer_->positionAt(0), std::memory_order_relaxed);
    device_->play(reinterpret_cast<const uint8_t*>(renderer_->ring()), renderer_->ringBytes());
    thread_ = std::make_unique<platform::AudioThread>([this] { poll(); }, kPollMs);
}

void Synth::poll() {
    if (refillBehindDevice(*renderer_, device_->bytesPlayed(), playIndex_) > 0)
        clockMs_.store(renderer_->positionAt(playIndex_), std::memory_order_relaxed);
}

void Synth::pollSilentClock() {
    clockMs_.store(int(device_->bytesPlayed() / 4 * 1000 / kOutputRate), std::memory_order_relaxed);
}

}  // namespace lumen
