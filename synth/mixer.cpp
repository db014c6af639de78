// The mixer's inner loop. Each channel's call is cut into segments that end at
// a loop boundary, at the end of a gain ramp or at the end of the call, so the
// per-frame loop itself tests nothing.
#include "synth/mixer.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace lumen {

void Mixer::reset(int rate) {
    rampLength_ = rate * 128 / 44100;
    rampReciprocal_ = static_cast<float>(1.0 / rampLength_);
    for (int i = 0; i < kMixerChannels; ++i) {
        channels_[static_cast<size_t>(i)] = MixerChannel{};
        channels_[static_cast<size_t>(i)].index = i;
        channels_[static_cast<size_t>(i)].direction = kPlayForward;
    }
}

void Mixer::mix(float* destination, int n) {
    if (n < 1) return;
    for (MixerChannel& c : channels_)
        if (c.sample) mixChannel(c, destination, n);
}

namespace {

constexpr double kFractionScale = 1.0 / 2147483648.0;  // the fraction's top 31 bits

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

// The interpolated sample at a 32.32 position. The fraction's top 31 bits
// times the difference is an exact integer (below 2^47), so this equals
// s0 + (fraction / 2^32) * (s1 - s0) computed in doubles.
inline double sampleAt(const int16_t* s, int64_t position) {
    const int p = static_cast<int>(position >> 32);
    const int64_t fraction = static_cast<uint32_t>(position) >> 1;
    const int s0 = s[p];
    return s0 + static_cast<double>(fraction * (s[p + 1] - s0)) * kFractionScale;
}

// Mixes frames at constant gains; returns the position reached. Interpolation
// and accumulation run as two passes over short chunks so that the second,
// which adds both sides at once, stays free of loads that depend on the position.
template <bool kBackward>
int64_t mixFrames(const int16_t* s, int64_t position, int64_t step, float* out, int frames, double gainA,
                  double gainB) {
    constexpr int kChunk = 256;
    double v[kChunk];
#if defined(__SSE2__)
    const __m128d gains = _mm_set_pd(gainB, gainA);
#endif
    while (frames > 0) {
        const int n = frames < kChunk ? frames : kChunk;
        for (int f = 0; f < n; ++f) {
            v[f] = sampleAt(s, position);
            position = kBackward ? position - step : position + step;
        }
#if defined(__SSE2__)
        for (int f = 0; f < n; ++f) {
            // Each side: float(double(out) + v * gain), as in the scalar form below.
            __m128 o = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(out + 2 * f)));
            const __m128d sum = _mm_add_pd(_mm_cvtps_pd(o), _mm_mul_pd(_mm_set1_pd(v[f]), gains));
            _mm_store_sd(reinterpret_cast<double*>(out + 2 * f), _mm_castps_pd(_mm_cvtpd_ps(sum)));
        }
#else
        for (int f = 0; f < n; ++f) {
            out[2 * f] = static_cast<float>(out[2 * f] + v[f] * gainA);
            out[2 * f + 1] = static_cast<float>(out[2 * f + 1] + v[f] * gainB);
        }
#endif
        out += 2 * n;
        frames -= n;
    }
    return position;
}

#if defined(__x86_64__)
// The same two passes four frames at a time, for processors with AVX2. Every
// product and sum is formed exactly as in mixFrames, so the output is
// bit-identical (a little-endian 32-bit load at &s[p] holds s[p] and s[p + 1]).
// Kept in one piece, a little over 60 lines: its passes share the chunk
// buffers, and side by side with mixFrames it can be checked step for step.
template <bool kBackward>
__attribute__((target("avx2"))) int64_t mixFramesAvx2(const int16_t* s, int64_t position, int64_t step, float* out,
                                                      int frames, double gainA, double gainB) {
    constexpr int kChunk = 256;
    alignas(32) double v[kChunk];
    const __m256d vGainA = _mm256_set1_pd(gainA);
    const __m256d vGainB = _mm256_set1_pd(gainB);
    const __m256d scale = _mm256_set1_pd(kFractionScale);
    const int64_t signedStep = kBackward ? -step : step;
    while (frames > 0) {
        const int n = frames < kChunk ? frames : kChunk;
        const int quads = n / 4;
        // Gathers are slow on some processors: fetch each (s[p], s[p + 1]) pair
        // with one scalar 32-bit load, then convert and combine four at a time.
        alignas(16) int32_t pairs[kChunk];
        alignas(16) int32_t fractions[kChunk];
        for (int f = 0; f < 4 * quads; ++f) {
            const int16_t* at = s + static_cast<int>(position >> 32);
            // Many voices read many samples: ask for the line a few steps ahead
            // (a prefetch past the data is harmless).
            _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(at) + (kBackward ? -192 : 192)),
                         _MM_HINT_T0);
            std::memcpy(&pairs[f], at, 4);
            fractions[f] = static_cast<int32_t>(static_cast<uint32_t>(position) >> 1);
            position += signedStep;
        }
        for (int q = 0; q < quads; ++q) {
            const __m128i pair = _mm_load_si128(reinterpret_cast<const __m128i*>(pairs + 4 * q));
            const __m128i s0 = _mm_srai_epi32(_mm_slli_epi32(pair, 16), 16);
            const __m128i s1 = _mm_srai_epi32(pair, 16);
            const __m256d d = _mm256_cvtepi32_pd(_mm_sub_epi32(s1, s0));
            const __m256d f = _mm256_mul_pd(
                _mm256_cvtepi32_pd(_mm_load_si128(reinterpret_cast<const __m128i*>(fractions + 4 * q))), scale);
            _mm256_store_pd(v + 4 * q, _mm256_add_pd(_mm256_cvtepi32_pd(s0), _mm256_mul_pd(f, d)));
        }
        for (int f = 4 * quads; f < n; ++f) {
            v[f] = sampleAt(s, position);
            position += signedStep;
        }
        for (int q = 0; q < quads; ++q) {
            const __m256d vv = _mm256_load_pd(v + 4 * q);
            const __m256d a = _mm256_mul_pd(vv, vGainA);
            const __m256d b = _mm256_mul_pd(vv, vGainB);
            const __m256d lo = _mm256_unpacklo_pd(a, b);  // a0 b0 a2 b2
            const __m256d hi = _mm256_unpackhi_pd(a, b);  // a1 b1 a3 b3
            float* o = out + 8 * q;
            const __m128 first = _mm_loadu_ps(o);
            const __m128 second = _mm_loadu_ps(o + 4);
            const __m256d sum0 = _mm256_add_pd(_mm256_cvtps_pd(first), _mm256_permute2f128_pd(lo, hi, 0x20));
            const __m256d sum1 = _mm256_add_pd(_mm256_cvtps_pd(second), _mm256_permute2f128_pd(lo, hi, 0x31));
            _mm_storeu_ps(o, _mm256_cvtpd_ps(sum0));
            _mm_storeu_ps(o + 4, _mm256_cvtpd_ps(sum1));
        }
        for (int f = 4 * quads; f < n; ++f) {
            out[2 * f] = static_cast<float>(out[2 * f] + v[f] * gainA);
            out[2 * f + 1] = static_cast<float>(out[2 * f + 1] + v[f] * gainB);
        }
        out += 2 * n;
        frames -= n;
    }
    return position;
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif

template <bool kBackward>
int64_t mixConstant(const int16_t* s, int64_t position, int64_t step, float* out, int frames, double gainA,
                    double gainB, bool vectorPath) {
#if defined(__x86_64__)
    if (vectorPath && kHasAvx2) return mixFramesAvx2<kBackward>(s, position, step, out, frames, gainA, gainB);
#endif
    (void)vectorPath;
    return mixFrames<kBackward>(s, position, step, out, frames, gainA, gainB);
}

template <bool kBackward>
int64_t mixRamp(const int16_t* s, int64_t position, int64_t step, float* out, int frames, double& gainA, double& gainB,
                double incrementA, double incrementB) {
    for (int f = 0; f < frames; ++f) {
        const double v = sampleAt(s, position);
        out[0] = static_cast<float>(out[0] + v * gainA);
        out[1] = static_cast<float>(out[1] + v * gainB);
        gainA += incrementA;
        gainB += incrementB;
        out += 2;
        position = kBackward ? position - step : position + step;
    }
    return position;
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

// Mixes seg frames, gliding the gains while a ramp runs; returns the position reached.
int64_t mixSegment(MixerChannel& c, int64_t position, int64_t step, float* out, int seg, bool vectorPath) {
    const int16_t* data = c.sample->data;
    const bool forward = c.direction == kPlayForward;
    if (c.rampFramesLeft > 0) {
        double gainA = c.currentA / 256.0 / 255.0;
        double gainB = c.currentB / 256.0 / 255.0;
        position =
            forward ? mixRamp<false>(data, position, step, out, seg, gainA, gainB, c.rampIncrementA, c.rampIncrementB)
                    : mixRamp<true>(data, position, step, out, seg, gainA, gainB, c.rampIncrementA, c.rampIncrementB);
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
        const int64_t travel = static_cast<int64_t>(static_cast<uint64_t>(step) * static_cast<uint64_t>(seg));
        return forward ? position + travel : position - travel;
    }
    const double gainA = c.targetA / 255.0;
    const double gainB = c.targetB / 255.0;
    return forward ? mixConstant<false>(data, position, step, out, seg, gainA, gainB, vectorPath)
                   : mixConstant<true>(data, position, step, out, seg, gainA, gainB, vectorPath);
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
void Mixer::mixChannel(MixerChannel& c, float* out, int n) const {
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
        position = mixSegment(c, position, step, out, seg, vectorPath_);
        remaining -= seg;
        out += 2 * seg;
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
