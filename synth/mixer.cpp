// The mixer's inner loop. Each channel's call is cut into segments that end at
// a loop boundary, at the end of a gain ramp or at the end of the call, so the
// per-frame loop itself tests nothing.
#include "synth/mixer.h"

#include <cmath>
#include <cstdint>

#include "synth/mixer_frames.h"

namespace lumen {

void Mixer::reset(int rate) {
    rampLength_ = rate * 128 / 44100;
    rampReciprocal_ = static_cast<float>(1.0 / rampLength_);
    // Room for the longest tick at this rate (tempo 32), so that mixing
    // the song never allocates on the audio thread.
    left_.assign(static_cast<size_t>(rate / 10 + 64), 0.0f);
    right_.assign(left_.size(), 0.0f);
    for (int i = 0; i < kMixerChannels; ++i) {
        channels_[static_cast<size_t>(i)] = MixerChannel{};
        channels_[static_cast<size_t>(i)].index = i;
        channels_[static_cast<size_t>(i)].direction = kPlayForward;
    }
}

// Voices are mixed into separate left and right planes, which the vector
// loop reads and writes four frames at a time without shuffling sides; every
// output value sees the same additions in the same order as in place.
void Mixer::mix(float* destination, int n) {
    if (n < 1) return;
    bool sounding = false;
    for (const MixerChannel& c : channels_) sounding = sounding || c.sample != nullptr;
    if (!sounding) return;
    const size_t frames = static_cast<size_t>(n);
    if (left_.size() < frames) {
        left_.resize(frames);
        right_.resize(frames);
    }
    mixframes::splitFrames(destination, left_.data(), right_.data(), frames);
    for (MixerChannel& c : channels_)
        if (c.sample) mixChannel(c, left_.data(), right_.data(), n);
    mixframes::joinFrames(left_.data(), right_.data(), destination, frames);
}

namespace {

// Frames until the position reaches the loop boundary in its direction, or -1
// when the boundary is 2^24 samples or more away (or the voice does not move).
int64_t framesToBoundary(const MixerChannel& c, int64_t position) {
    const Sample& s = *c.sample;
    const int64_t distance =
        c.direction == kPlayForward ? (int64_t(s.loopEnd()) << 32) - position : position - (int64_t(s.loopStart) << 32);
    if ((distance >> 32) >= (int64_t(1) << 24)) return -1;
    if (distance <= 0) return 0;
    const uint64_t distance24 = uint64_t(distance) >> 8;
    const uint64_t step24 = (uint64_t(uint32_t(c.step)) << 24) + (c.stepFraction >> 8);
    // A voice that never got a frequency has step 0: it stands still and
    // never reaches the boundary (the division would otherwise trap).
    if (step24 == 0) return -1;
    return int64_t(distance24 / step24 + (distance24 % step24 != 0 ? 1 : 0));
}

// Step 3 of a segment: goes on with a running ramp whose targets still hold,
// or starts a ramp of rampLength frames toward changed targets.
void setUpRamp(MixerChannel& c, int rampLength, float rampReciprocal) {
    if (c.rampFramesLeft != 0 && c.targetA == c.rampTargetA && c.targetB == c.rampTargetB) return;
    int rampCount = 0;
    c.rampTargetA = c.targetA;
    const int dA = c.targetA - (c.currentA >> 8);
    if (dA != 0) {
        c.rampIncrementA = static_cast<float>(dA * (1.0 / 255) * rampReciprocal);
        rampCount = rampLength;
    }
    c.rampTargetB = c.targetB;
    const int dB = c.targetB - (c.currentB >> 8);
    if (dB != 0) {
        c.rampIncrementB = static_cast<float>(dB * (1.0 / 255) * rampReciprocal);
        rampCount = rampLength;
    }
    if (rampCount > 0) c.rampFramesLeft = rampCount;
}

// Mixes seg frames into the planes, gliding the gains while a ramp runs;
// returns the position reached.
int64_t mixSegment(MixerChannel& c, int64_t position, int64_t step, float* left, float* right, int seg,
                   bool vectorPath) {
    const int16_t* data = c.sample->data;
    const int64_t signedStep = c.direction == kPlayForward ? step : -step;
    if (c.rampFramesLeft > 0) {
        double gainA = c.currentA / 256.0 / 255.0;
        double gainB = c.currentB / 256.0 / 255.0;
        position = vectorPath ? mixframes::mixRampVector(data, position, signedStep, left, right, seg, gainA, gainB,
                                                         c.rampIncrementA, c.rampIncrementB)
                              : mixframes::mixRampScalar(data, position, signedStep, left, right, seg, gainA, gainB,
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
        return position;
    }
    if (c.targetA == 0 && c.targetB == 0) {
        // Silent (a note ramped out on its old channel): adding zeros changes
        // no output sample, so only the position moves.
        return static_cast<int64_t>(static_cast<uint64_t>(position) +
                                    static_cast<uint64_t>(signedStep) * static_cast<uint64_t>(seg));
    }
    const double gainA = c.targetA / 255.0;
    const double gainB = c.targetB / 255.0;
    return vectorPath ? mixframes::mixConstantVector(data, position, signedStep, left, right, seg, gainA, gainB)
                      : mixframes::mixConstantScalar(data, position, signedStep, left, right, seg, gainA, gainB);
}

// Step 7: the position has reached the loop boundary. Wraps or reflects it by
// the sample's loop mode; returns false when the sample has ended instead.
bool wrapAtLoop(MixerChannel& c, int64_t& position) {
    const Sample& s = *c.sample;
    const int64_t loopStart = int64_t(s.loopStart) << 32;
    const int64_t loopEnd = int64_t(s.loopEnd()) << 32;
    if (s.loopMode == kLoopForward) {
        const int64_t loopLength = int64_t(s.loopLength) << 32;
        do {
            position -= loopLength;
        } while ((position >> 32) >= int64_t(s.loopEnd()));
        return true;
    }
    if (s.loopMode == kLoopPingPong) {
        bool atEnd = c.direction == kPlayForward;
        for (;;) {
            if (atEnd) {
                position = 2 * loopEnd - position - 1;
                c.direction = kPlayBackward;
                if (position >= loopStart) return true;
            } else {
                position = 2 * loopStart - position - 1;
                c.direction = kPlayForward;
                if (position < loopEnd) return true;
            }
            atEnd = !atEnd;
        }
    }
    // The end of a non-looping sample; the empty sample (no loop mode at all)
    // ends the same way instead of spinning on its boundary.
    return false;
}

}  // namespace

// Cuts the call into segments that end at a loop boundary, at the end of a
// ramp or at the end of the call.
void Mixer::mixChannel(MixerChannel& c, float* left, float* right, int n) const {
    int remaining = n;
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
        setUpRamp(c, rampLength_, rampReciprocal_);
        // A ramp that ends first cuts the segment; the boundary is then not reached.
        const bool cutByRamp = c.rampFramesLeft > 0 && c.rampFramesLeft < seg;
        if (cutByRamp) {
            seg = c.rampFramesLeft;
            boundary = false;
        }
        position = mixSegment(c, position, step, left, right, seg, vectorPath_);
        remaining -= seg;
        left += seg;
        right += seg;
        if (cutByRamp) continue;
        if (!boundary) break;
        if (!wrapAtLoop(c, position)) {
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
