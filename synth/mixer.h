// The channel mixer: 64 sample voices with 32.32 positions, linear
// interpolation, forward and ping-pong loops and click-free gain ramps, added
// into the float mix buffer.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "synth/song.h"

namespace lumen {

struct MixerChannel {
    int index = 0;
    int volume = 0;  // 0..127
    int pan = 0;     // 0..255
    int startOffset = 0;
    const Sample* sample = nullptr;
    int targetA = 0;  // left gain target: volume * pan / 255
    int targetB = 0;  // right gain target: volume * (255 - pan) / 255
    int position = 0;
    uint32_t positionFraction = 0;
    uint32_t stepFraction = 0;
    int step = 0;
    int direction = kPlayForward;  // a PlayDirection
    int rampTargetA = 0;
    int rampTargetB = 0;
    int currentA = 0;  // target units * 256
    int currentB = 0;
    float rampIncrementA = 0;
    float rampIncrementB = 0;
    int rampFramesLeft = 0;
};

constexpr int kMixerChannels = 64;
constexpr int kOutputRate = 44100;

class Mixer {
public:
    explicit Mixer(int rate = kOutputRate) { reset(rate); }

    // Every channel gets its own index and direction 1, everything else 0.
    void reset(int rate);

    // Adds n stereo frames of every sounding channel into destination
    // (left, right interleaved). n below 1 does nothing.
    void mix(float* destination, int n);

    MixerChannel& channel(int i) { return channels_[static_cast<size_t>(i)]; }
    const MixerChannel& channel(int i) const { return channels_[static_cast<size_t>(i)]; }
    int rampLength() const { return rampLength_; }

    // The vector path (where the processor has one) and the scalar path give
    // identical bits; tests compare them by switching the vector path off.
    void setVectorPath(bool enabled) { vectorPath_ = enabled; }

private:
    void mixChannel(MixerChannel& c, float* left, float* right, int n) const;

    std::array<MixerChannel, kMixerChannels> channels_;
    int rampLength_ = 128;
    float rampReciprocal_ = 1.0f / 128;
    bool vectorPath_ = true;
    std::vector<float> left_, right_;  // the output's two sides while mixing
};

}  // namespace lumen
