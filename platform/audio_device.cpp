// The looping ring on SDL2 audio, and the silent stand-in on the steady clock.
#include "platform/audio_device.h"

#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace lumen::platform {

namespace {

// SDL asks for audio through a callback; emulating the looping buffer there
// means copying from the ring at the byte counter and advancing the counter.
class SdlAudioDevice final : public AudioDevice {
public:
    SdlAudioDevice() = default;
    ~SdlAudioDevice() override {
        if (id_ != 0) SDL_CloseAudioDevice(id_);
    }

    bool open(int rate, std::string* error) {
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_S16LSB;
        want.channels = 2;
        // 4096 frames (93 ms at 44100 Hz). Below about 40 ms desktop sound
        // servers crackle, and at 46 ms PulseAudio still ran dry on a busy
        // two-core machine. The period does not coarsen the clock: bytesPlayed
        // moves on between callbacks.
        want.samples = 4096;
        want.callback = &SdlAudioDevice::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        id_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (id_ == 0) {
            *error = SDL_GetError();
            return false;
        }
        bufferedBytes_ = uint64_t(have.samples) * 4;
        frameRate_ = uint64_t(have.freq);
        return true;
    }

    void play(const uint8_t* ring, size_t bytes) override {
        SDL_LockAudioDevice(id_);
        ring_ = ring;
        ringBytes_ = bytes;
        SDL_UnlockAudioDevice(id_);
        SDL_PauseAudioDevice(id_, 0);
    }

    // The counter says how much has been handed to SDL. The last period handed
    // over is still waiting in SDL's buffer when the next callback comes, so
    // what is heard lags the counter by one buffer: report the counter minus
    // SDL's buffer size (the obtained SDL_AudioSpec's samples x 4 bytes). The remaining
    // device latency is unknown to us and not counted.
    //
    // Callbacks come once per period (93 ms), so the counter alone would move
    // the show's clock in steps of four or five 20 ms blocks. Between callbacks
    // the period is taken as playing at the device's rate, never past its end,
    // and the result never goes back.
    uint64_t bytesPlayed() override {
        // The callback runs under the device lock. Taking it here reads the
        // counter and its time as one pair, and orders everything the caller
        // wrote into the ring before this call ahead of the callback's next copy.
        SDL_LockAudioDevice(id_);
        const uint64_t copied = copied_;
        const Clock::time_point copiedAt = copiedAt_;
        SDL_UnlockAudioDevice(id_);
        if (copied == 0) return 0;
        const auto sinceUs = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - copiedAt).count();
        const uint64_t sinceFrames = sinceUs > 0 ? uint64_t(sinceUs) * frameRate_ / 1000000u : 0;
        const uint64_t heard = copied - std::min(copied, bufferedBytes_) + std::min(sinceFrames * 4, bufferedBytes_);
        reported_ = std::max(reported_, heard);
        return reported_;
    }

private:
    using Clock = std::chrono::steady_clock;

    static void callback(void* self, Uint8* stream, int len) {
        static_cast<SdlAudioDevice*>(self)->fill(stream, size_t(len));
    }

    // Runs on SDL's audio thread with the device lock held.
    void fill(uint8_t* stream, size_t len) {
        if (!ring_ || ringBytes_ == 0) {
            std::memset(stream, 0, len);
            return;
        }
        uint64_t at = copied_ % ringBytes_;
        size_t done = 0;
        while (done < len) {
            const size_t n = std::min(len - done, size_t(ringBytes_ - at));
            std::memcpy(stream + done, ring_ + at, n);
            done += n;
            at = (at + n) % ringBytes_;
        }
        copied_ += len;
        copiedAt_ = Clock::now();
    }

    SDL_AudioDeviceID id_ = 0;
    const uint8_t* ring_ = nullptr;
    size_t ringBytes_ = 0;
    uint64_t bufferedBytes_ = 0;
    uint64_t frameRate_ = 0;
    uint64_t copied_ = 0;           // under the device lock
    Clock::time_point copiedAt_{};  // when copied_ last grew; under the device lock
    uint64_t reported_ = 0;         // the caller's thread only
};

class SilentDevice final : public AudioDevice {
public:
    explicit SilentDevice(int rate) : bytesPerSecond_(uint64_t(rate) * 4) {}

    void play(const uint8_t*, size_t) override {
        start_ = std::chrono::steady_clock::now();
        started_ = true;
    }

    uint64_t bytesPlayed() override {
        if (!started_) return 0;
        const auto us =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start_).count();
        const uint64_t frames = uint64_t(us) * (bytesPerSecond_ / 4) / 1000000u;
        return frames * 4;
    }

private:
    uint64_t bytesPerSecond_;
    std::chrono::steady_clock::time_point start_;
    bool started_ = false;
};

// ALSA prints its own complaints on stderr when there is no card; the caller
// reports the missing device in one line of its own, so keep stderr quiet
// while the device is opened.
class QuietStderr {
public:
    QuietStderr() {
        saved_ = dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
        if (null >= 0) close(null);
    }
    ~QuietStderr() {
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            close(saved_);
        }
    }

private:
    int saved_ = -1;
};

}  // namespace

std::unique_ptr<AudioDevice> openAudioDevice(int rate, std::string* error) {
    std::string reason;
    {
        QuietStderr quiet;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            reason = SDL_GetError();
        } else {
            const char* driver = SDL_GetCurrentAudioDriver();
            if (driver && std::strcmp(driver, "dummy") == 0) {
                reason = "the dummy audio driver keeps no time";
            } else {
                auto device = std::make_unique<SdlAudioDevice>();
                if (device->open(rate, &reason)) return device;
            }
        }
    }
    if (error) *error = reason;
    return nullptr;
}

std::unique_ptr<AudioDevice> openSilentDevice(int rate) { return std::make_unique<SilentDevice>(rate); }

}  // namespace lumen::platform
