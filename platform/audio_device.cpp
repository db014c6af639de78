// The looping ring on SDL2 audio, and the silent stand-in on the steady clock.
#include "platform/audio_device.h"

#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
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
        // 2048 frames (46 ms at 44100 Hz): below about 40 ms desktop sound
        // servers crackle.
        want.samples = 2048;
        want.callback = &SdlAudioDevice::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        id_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (id_ == 0) {
            *error = SDL_GetError();
            return false;
        }
        bufferedBytes_ = uint64_t(have.samples) * 4;
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
    uint64_t bytesPlayed() override {
        // The caller refills the ring right after each call, only behind the
        // position, and the callback reaches those bytes again a whole ring
        // later. This release hands the callback everything written before
        // the call; without it the callback's copy would race the refill.
        written_.fetch_add(1, std::memory_order_release);
        const uint64_t copied = copied_.load(std::memory_order_acquire);
        return copied > bufferedBytes_ ? copied - bufferedBytes_ : 0;
    }

private:
    static void callback(void* self, Uint8* stream, int len) {
        static_cast<SdlAudioDevice*>(self)->fill(stream, size_t(len));
    }

    void fill(uint8_t* stream, size_t len) {
        if (!ring_ || ringBytes_ == 0) {
            std::memset(stream, 0, len);
            return;
        }
        written_.load(std::memory_order_acquire);  // see bytesPlayed
        uint64_t at = copied_.load(std::memory_order_relaxed) % ringBytes_;
        size_t done = 0;
        while (done < len) {
            const size_t n = std::min(len - done, size_t(ringBytes_ - at));
            std::memcpy(stream + done, ring_ + at, n);
            done += n;
            at = (at + n) % ringBytes_;
        }
        copied_.fetch_add(len, std::memory_order_release);
    }

    SDL_AudioDeviceID id_ = 0;
    const uint8_t* ring_ = nullptr;
    size_t ringBytes_ = 0;
    uint64_t bufferedBytes_ = 0;
    std::atomic<uint64_t> copied_{0};
    std::atomic<uint64_t> written_{0};  // bumped by every bytesPlayed call
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
