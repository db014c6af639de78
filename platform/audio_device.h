// The sound device: plays a ring of 16-bit stereo PCM endlessly and reports how
// many bytes have been heard, like a looping wave-out buffer. Without a usable
// device a silent stand-in counts bytes in real time instead.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace lumen::platform {

class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    // Starts playing the ring from its first byte, over and over. The ring must
    // stay alive as long as the device; the caller rewrites parts of it while
    // it plays (never the part being played).
    virtual void play(const uint8_t* ring, size_t bytes) = 0;
    // Bytes heard since play; a multiple of 4 (one stereo frame); never
    // decreases. Called from the one thread that refills the ring: each call
    // also hands the device everything that thread wrote into the ring before it.
    virtual uint64_t bytesPlayed() = 0;
};

// Opens the default sound device for 16-bit stereo at rate. Returns null and
// sets *error when there is no device, SDL cannot open one, or the driver is
// SDL's dummy (which does not keep real time).
std::unique_ptr<AudioDevice> openAudioDevice(int rate, std::string* error);

// A device that plays nothing and whose byte count follows the steady clock.
std::unique_ptr<AudioDevice> openSilentDevice(int rate);

}  // namespace lumen::platform
