// The mixer's inner loop. Each channel's call is cut into segments that end at
// a loop boundary, at the end of a gain ramp or at the end of the call, so the
// per-frame loop itself tests nothing.
#include "synth/mixer.h"

#include <cmath>

namespace lumen {

void Mixer::reset(int rate) {
    rampLength_ = rate * 128 / 44100;
    rampReciprocal_ = static_cast<float>(1.0 / rampLength_);
    for (int i = 0; i < kMixerChannels; ++i) {
        channels_[static_cast<size_t>(i)] = MixerChannel{};
        channels_[static_cast<size_t>(i)].index = i;
        channels_[static_cast<size_t>(i)].direction = 1;
    }
}

void Mixer::mix(float* destination, int n) {
    if (n < 1) return;
    for (MixerChannel& c : channels_)
        if (c.sample) mixChannel(c, destination, n);
}

namespace {

constexpr int64_t kOne = int64_t(1) << 32;
constexpr double kFractionScale = 1.0 / 2147483648.0;  // the fraction's top 31 bits

// Frames until the position reaches the loop boundary in its direction, or -1
// when the boundary is 2^24 samples or more away (or the voice does not move).
int64_t framesToBoundary(const MixerChannel& c, int64_t position) {
    const Sample& s = *c.sample;
    const int64_t distance = c.direction == 1 ? (int64_t(s.loopEnd()) << 32) - position
                                              : position - (int64_t(s.loopStart) << 32);
    if ((distance >> 32) >= (int64_t(1) << 24)) return -1;
    if (distance <= 0) return 0;
    const uint64_t distance24 = uint64_t(distance) >> 8;
    const uint64_t step24 = (uint64_t(uint32_t(c.step)) << 24) + (c.stepFraction >> 8);
    // A voice that never got a frequency has step 0: it stands still and
    // never reaches the boundary (the division would otherwise trap).
    if (step24 == 0) return -1;
    return int64_t(distance24 / step24 + (distance24 % step24 != 0 ? 1 : 0));
}

// Mixes frames at constant or ramping gains; returns the position reached.
template <bool kBackward>
int64_t mixFrames(const int16_t* s, int64_t position, int64_t step, float* out, int frames, double gainA,
                  double gainB) {
    for (int f = 0; f < frames; ++f) {
        const int p = static_cast<int>(position >> 32);
        const uint32_t fraction = static_cast<uint32_t>(position);
        const int s0 = s[p];
        const double v = s0 + (fraction >> 1) * kFractionScale * (s[p + 1] - s0);
        out[0] = static_cast<float>(out[0] + v * gainA);
        out[1] = static_cast<float>(out[1] + v * gainB);
        out += 2;
        position = kBackward ? position - step : position + step;
    }
    return position;
}

template <bool kBackward>
int64_t mixRamp(const int16_t* s, int64_t position, int64_t step, float* out, int frames, double& gainA,
                double& gainB, double incrementA, double incrementB) {
    for (int f = 0; f < frames; ++f) {
        const int p = static_cast<int>(position >> 32);
        const uint32_t fraction = static_cast<uint32_t>(position);
        const int s0 = s[p];
        const double v = s0 + (fraction >> 1) * kFractionScale * (s[p + 1] - s0);
        out[0] = static_cast<float>(out[0] + v * gainA);
        out[1] = static_cast<float>(out[1] + v * gainB);
        gainA += incrementA;
        gainB += incrementB;
        out += 2;
        position = kBackward ? position - step : position + step;
    }
    return position;
}

}  // namespace

void Mixer::mixChannel(MixerChannel& c, float* out, int n) const {
    int remaining = n;
    const Sample& s = *c.sample;
    const int16_t* data = s.data;
    int64_t position = (int64_t(c.position) << 32) | c.positionFraction;
    const int64_t step = (int64_t(c.step) << 32) + c.stepFraction;
    while (remaining > 0) {
        int seg = remaining;
        bool boundary = false;
        const int64_t frames = framesToBoundary(c, position);
        if (frames >= 0 && frames <= seg) {
            seg = static_cast<int>(frames);
            boundary = true;
        }

        if (!(c.rampFramesLeft != 0 && c.targetA == c.rampTargetA && c.targetB == c.rampTargetB)) {
            int rampCount = 0;
            c.rampTargetA = c.targetA;
            const int dA = c.targetA - (c.currentA >> 8);
            if (dA != 0) {
                c.rampIncrementA = static_cast<float>(dA * (1.0 / 255) * rampReciprocal_);
                rampCount = rampLength_;
            }
            c.rampTargetB = c.targetB;
            const int dB = c.targetB - (c.currentB >> 8);
            if (dB != 0) {
                c.rampIncrementB = static_cast<float>(dB * (1.0 / 255) * rampReciprocal_);
                rampCount = rampLength_;
            }
            if (rampCount > 0) c.rampFramesLeft = rampCount;
        }
        bool cutByRamp = false;
        if (c.rampFramesLeft > 0 && c.rampFramesLeft < seg) {
            seg = c.rampFramesLeft;
            cutByRamp = true;
            boundary = false;
        }

        if (c.rampFramesLeft > 0) {
            double gainA = c.currentA / 256.0 / 255.0;
            double gainB = c.currentB / 256.0 / 255.0;
            position = c.direction == 1 ? mixRamp<false>(data, position, step, out, seg, gainA, gainB,
                                                         c.rampIncrementA, c.rampIncrementB)
                                        : mixRamp<true>(data, position, step, out, seg, gainA, gainB,
                                                        c.rampIncrementA, c.rampIncrementB);
            c.currentA = static_cast<int>(std::nearbyint(gainA * 255 * 256));
            c.currentB = static_cast<int>(std::nearbyint(gainB * 255 * 256));
            c.rampFramesLeft -= seg;
            if (c.rampFramesLeft == 0) {
                c.rampIncrementA = 0;
                c.rampIncrementB = 0;
                c.currentA = c.targetA * 256;
                c.currentB = c.targetB * 256;
            }
        } else {
            const double gainA = c.targetA / 255.0;
            const double gainB = c.targetB / 255.0;
            position = c.direction == 1 ? mixFrames<false>(data, position, step, out, seg, gainA, gainB)
                                        : mixFrames<true>(data, position, step, out, seg, gainA, gainB);
        }
        remaining -= seg;
        out += 2 * seg;
        if (cutByRamp) continue;
        if (!boundary) break;

        const int64_t loopStart = int64_t(s.loopStart) << 32;
        const int64_t loopEnd = int64_t(s.loopEnd()) << 32;
        if (s.loopMode == kLoopForward) {
            const int64_t loopLength = int64_t(s.loopLength) << 32;
            do {
                position -= loopLength;
            } while ((position >> 32) >= int64_t(s.loopEnd()));
        } else if (s.loopMode == kLoopPingPong) {
            bool atEnd = c.direction == 1;
            for (;;) {
                if (atEnd) {
                    position = 2 * loopEnd - position - 1;
                    c.direction = 2;
                    if (position >= loopStart) break;
                } else {
                    position = 2 * loopStart - position - 1;
                    c.direction = 1;
                    if (position < loopEnd) break;
                }
                atEnd = !atEnd;
            }
        } else {
            // The end of a non-looping sample; the empty sample (no loop mode
            // at all) ends the same way instead of spinning on its boundary.
            c.sample = nullptr;
            c.position = 0;
            c.positionFraction = 0;
            return;
        }
    }
    c.position = static_cast<int>(position >> 32);
    c.positionFraction = static_cast<uint32_t>(position);
}

}  // namespace lumen
