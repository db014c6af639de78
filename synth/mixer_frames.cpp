
// The mixer's per-frame loops. The vector loop must give the scalar loop's
// bits exactly; the reasoning that makes it do so sits beside each step.
#include "synth/mixer_frames.h"

#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace lumen::mixframes {

namespace {

constexpr double kFractionScale = 1.0 / 2147483648.0;  // the fraction's top 31 bits

// The interpolated sample at a 32.32 position. The fraction's top 31 bits
// times the difference is an exact integer (below 2^47), so this equals
// s0 + (fraction / 2^32) * (s1 - s0) computed in doubles.
inline double sampleAt(const int16_t* s, int64_t position) {
    const int p = static_cast<int>(position >> 32);
    const int64_t fraction = static_cast<uint32_t>(position) >> 1;
    const int s0 = s[p];
    return s0 + static_cast<double>(fraction * (s[p + 1] - s0)) * kFractionScale;
}

inline int64_t advance(int64_t position, int64_t step, int frames) {
    return static_cast<int64_t>(static_cast<uint64_t>(position) +
                                static_cast<uint64_t>(step) * static_cast<uint64_t>(frames));
}

}  // namespace

int64_t mixConstantScalar(const int16_t* s, int64_t position, int64_t step, float* left, float* right, int frames,
                          double gainA, double gainB) {
    for (int f = 0; f < frames; ++f) {
        const double v = sampleAt(s, position);
        left[f] = static_cast<float>(left[f] + v * gainA);
        right[f] = static_cast<float>(right[f] + v * gainB);
        position = advance(position, step, 1);
    }
    return position;
}

int64_t mixRampScalar(const int16_t* s, int64_t position, int64_t step, float* left, float* right, int frames,
                      double& gainA, double& gainB, double incrementA, double incrementB) {
    for (int f = 0; f < frames; ++f) {
        const double v = sampleAt(s, position);
        left[f] = static_cast<float>(left[f] + v * gainA);
        right[f] = static_cast<float>(right[f] + v * gainB);
        gainA += incrementA;
        gainB += incrementB;
        position = advance(position, step, 1);
    }
    return position;
}

namespace {

void splitScalar(const float* interleaved, float* left, float* right, size_t from, size_t frames) {
    for (size_t f = from; f < frames; ++f) {
        left[f] = interleaved[2 * f];
        right[f] = interleaved[2 * f + 1];
    }
}

void joinScalar(const float* left, const float* right, float* interleaved, size_t from, size_t frames) {
    for (size_t f = from; f < frames; ++f) {
        interleaved[2 * f] = left[f];
        interleaved[2 * f + 1] = right[f];
    }
}

}  // namespace

#if defined(__x86_64__)

namespace {

// Adding 2^52 + 2^51 to the bits of an integer below 2^51 in magnitude gives
// the double 2^52 + 2^51 + that integer; subtracting the constant leaves the
// integer as an exact double (AVX2 has no 64-bit integer conversion).
constexpr int64_t kMagicBits = 0x4338000000000000;
constexpr double kMagic = 6755399441055744.0;

// The vector loops use AVX2 and, for the shift below, BMI2; every processor
// with AVX2 has BMI2, but both are checked.
#define LUMEN_AVX2 __attribute__((target("avx2,bmi2")))

// The 32-bit word holding s[p] and s[p + 1] for the 32.32 position (the
// index is signed: a reflection may sit one entry before the data). The index
// comes from one non-destructive shift: the compiler otherwise copies each
// position before shifting it, and those copies are a tenth of the vector
// loop's instructions, which limit it when the core is shared with another
// thread (measured 1-5% faster then, and no different otherwise).
LUMEN_AVX2 inline int wordAt(const int16_t* s, uint64_t position) {
    int64_t index;
    asm("sarx %2, %1, %0" : "=r"(index) : "r"(position), "r"(uint64_t(32)));
    int word;
    std::memcpy(&word, s + index, sizeof word);
    return word;
}

// The (s[p], s[p + 1]) pairs of four frames as 32-bit words, each in the low
// half of its frame's 64-bit lane (the high halves are never read). One
// 32-bit load per frame, broadcast and blended into its lane: the vector loop
// reads exactly the entries the scalar loop reads, for any step and either
// direction. (The gather instruction, and a byte shuffle of one window shared
// by two frames, both cost the processor more per frame.)
// Frames past `count` (below four only at the end of a call) read frame 0's
// pair again, so no entry beyond the scalar loop's is touched.
LUMEN_AVX2 inline __m256i pairsOfFour(const int16_t* s, uint64_t at, uint64_t step, int count = 4) {
    const __m256i p0 = _mm256_castsi128_si256(_mm_cvtsi32_si128(wordAt(s, at)));
    const __m256i p1 = _mm256_set1_epi32(wordAt(s, count > 1 ? at + step : at));
    const __m256i p2 = _mm256_set1_epi32(wordAt(s, count > 2 ? at + 2 * step : at));
    const __m256i p3 = _mm256_set1_epi32(wordAt(s, count > 3 ? at + 3 * step : at));
    return _mm256_blend_epi32(_mm256_blend_epi32(p0, p1, 0x04), _mm256_blend_epi32(p2, p3, 0x40), 0xF0);
}

// W = s0 * 2^31 + fraction31 * (s1 - s0) of four frames as 64-bit integers
// (below 2^48 in magnitude, so exact). The fraction's top 31 bits sit in the
// low halves of the positions shifted right by one, which is all the signed
// multiply reads. s1 - s0 comes from one multiply-add of the two entries by
// -1 and +1 (exact: it fits 32 bits); s0 * 2^31 is (s0 * 2^16) * 2^15.
LUMEN_AVX2 inline __m256i wholeOfFour(__m256i pair, __m256i positions) {
    const __m256i s0High = _mm256_slli_epi32(pair, 16);
    const __m256i difference = _mm256_madd_epi16(pair, _mm256_set1_epi32(0x0001FFFF));
    const __m256i fraction = _mm256_srli_epi32(positions, 1);
    return _mm256_add_epi64(_mm256_mul_epi32(s0High, _mm256_set1_epi64x(int64_t(1) << 15)),
                            _mm256_mul_epi32(fraction, difference));
}

// Adds four frames at the gains scaled by 2^-31. Why the bits match the scalar
// loop: the scalar v = s0 + (fraction31 * (s1 - s0)) * 2^-31 is exactly
// W * 2^-31 (every step is exact in a double). Scaling by a power of two
// commutes with rounding (the gains are far from the underflow range), so
// v * gain rounds to the same double as W * (gain * 2^-31). The sum with the
// float output and its rounding back to float are then the very same
// operations. Outputs past `count` (below four only at the end of a call) are
// neither read nor written.
LUMEN_AVX2 inline void addFour(__m256i whole, __m256d scaledA, __m256d scaledB, float* l, float* r, int count = 4) {
    const __m256d v = _mm256_sub_pd(_mm256_castsi256_pd(_mm256_add_epi64(whole, _mm256_set1_epi64x(kMagicBits))),
                                    _mm256_set1_pd(kMagic));
    if (count == 4) {
        const __m256d sumA = _mm256_add_pd(_mm256_cvtps_pd(_mm_loadu_ps(l)), _mm256_mul_pd(v, scaledA));
        const __m256d sumB = _mm256_add_pd(_mm256_cvtps_pd(_mm_loadu_ps(r)), _mm256_mul_pd(v, scaledB));
        _mm_storeu_ps(l, _mm256_cvtpd_ps(sumA));
        _mm_storeu_ps(r, _mm256_cvtpd_ps(sumB));
        return;
    }
    const __m128i mask = _mm_cmpgt_epi32(_mm_set1_epi32(count), _mm_setr_epi32(0, 1, 2, 3));
    const __m256d sumA = _mm256_add_pd(_mm256_cvtps_pd(_mm_maskload_ps(l, mask)), _mm256_mul_pd(v, scaledA));
    const __m256d sumB = _mm256_add_pd(_mm256_cvtps_pd(_mm_maskload_ps(r, mask)), _mm256_mul_pd(v, scaledB));
    _mm_maskstore_ps(l, mask, _mm256_cvtpd_ps(sumA));
    _mm_maskstore_ps(r, mask, _mm256_cvtpd_ps(sumB));
}

// Four frames per step; the one to three frames left over take one more,
// masked step.
LUMEN_AVX2 int64_t mixConstantAvx2(const int16_t* s, int64_t position, int64_t step, float* left, float* right,
                                   int frames, double gainA, double gainB) {
    const int done = frames / 4 * 4;
    __m256i positions = _mm256_setr_epi64x(position, advance(position, step, 1), advance(position, step, 2),
                                           advance(position, step, 3));
    const __m256i step4 = _mm256_set1_epi64x(advance(0, step, 4));
    const __m256d scaledA = _mm256_set1_pd(gainA * kFractionScale);
    const __m256d scaledB = _mm256_set1_pd(gainB * kFractionScale);
    const uint64_t ustep = static_cast<uint64_t>(step);
    uint64_t at = static_cast<uint64_t>(position);  // frame 0 of the four, in a scalar register
    for (int f = 0; f < done; f += 4) {
        addFour(wholeOfFour(pairsOfFour(s, at, ustep), positions), scaledA, scaledB, left + f, right + f);
        at += 4 * ustep;
        positions = _mm256_add_epi64(positions, step4);
    }
    if (done < frames) {
        const int count = frames - done;
        addFour(wholeOfFour(pairsOfFour(s, at, ustep, count), positions), scaledA, scaledB, left + done, right + done,
                count);
    }
    _mm256_zeroupper();
    return advance(position, step, frames);
}

// The ramp's gains follow the scalar loop's chain of additions exactly, the
// left and right gains side by side in one register; each frame's pair of
// gains is then spread into the left and right vectors of its four frames.
LUMEN_AVX2 int64_t mixRampAvx2(const int16_t* s, int64_t position, int64_t step, float* left, float* right, int frames,
                               double& gainA, double& gainB, double incrementA, double incrementB) {
    const int done = frames / 4 * 4;
    __m256i positions = _mm256_setr_epi64x(position, advance(position, step, 1), advance(position, step, 2),
                                           advance(position, step, 3));
    const __m256i step4 = _mm256_set1_epi64x(advance(0, step, 4));
    const __m256d fractionScale = _mm256_set1_pd(kFractionScale);
    const __m128d increment = _mm_setr_pd(incrementA, incrementB);
    __m128d gain = _mm_setr_pd(gainA, gainB);
    const uint64_t ustep = static_cast<uint64_t>(step);
    uint64_t at = static_cast<uint64_t>(position);
    for (int f = 0; f < done; f += 4) {
        const __m128d g0 = gain;
        const __m128d g1 = _mm_add_pd(g0, increment);
        const __m128d g2 = _mm_add_pd(g1, increment);
        const __m128d g3 = _mm_add_pd(g2, increment);
        gain = _mm_add_pd(g3, increment);
        const __m256d a =
            _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_unpacklo_pd(g0, g1)), _mm_unpacklo_pd(g2, g3), 1);
        const __m256d b =
            _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_unpackhi_pd(g0, g1)), _mm_unpackhi_pd(g2, g3), 1);
        addFour(wholeOfFour(pairsOfFour(s, at, ustep), positions), _mm256_mul_pd(a, fractionScale),
                _mm256_mul_pd(b, fractionScale), left + f, right + f);
        at += 4 * ustep;
        positions = _mm256_add_epi64(positions, step4);
    }
    gainA = _mm_cvtsd_f64(gain);
    gainB = _mm_cvtsd_f64(_mm_unpackhi_pd(gain, gain));
    _mm256_zeroupper();
    return mixRampScalar(s, advance(position, step, done), step, left + done, right + done, frames - done, gainA, gainB,
                         incrementA, incrementB);
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2");

LUMEN_AVX2 void splitAvx2(const float* interleaved, float* left, float* right, size_t frames) {
    size_t f = 0;
    for (; f + 8 <= frames; f += 8) {
        const __m256 a = _mm256_loadu_ps(interleaved + 2 * f);      // l0 r0 l1 r1 | l2 r2 l3 r3
        const __m256 b = _mm256_loadu_ps(interleaved + 2 * f + 8);  // l4 r4 l5 r5 | l6 r6 l7 r7
        const __m256 l = _mm256_shuffle_ps(a, b, 0x88);             // l0 l1 l4 l5 | l2 l3 l6 l7
        const __m256 r = _mm256_shuffle_ps(a, b, 0xDD);
        _mm256_storeu_ps(left + f, _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(l), 0xD8)));
        _mm256_storeu_ps(right + f, _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(r), 0xD8)));
    }
    splitScalar(interleaved, left, right, f, frames);
}

LUMEN_AVX2 void joinAvx2(const float* left, const float* right, float* interleaved, size_t frames) {
    size_t f = 0;
    for (; f + 8 <= frames; f += 8) {
        const __m256 l = _mm256_loadu_ps(left + f);
        const __m256 r = _mm256_loadu_ps(right + f);
        const __m256 lo = _mm256_unpacklo_ps(l, r);  // l0 r0 l1 r1 | l4 r4 l5 r5
        const __m256 hi = _mm256_unpackhi_ps(l, r);  // l2 r2 l3 r3 | l6 r6 l7 r7
        _mm256_storeu_ps(interleaved + 2 * f, _mm256_permute2f128_ps(lo, hi, 0x20));
        _mm256_storeu_ps(interleaved + 2 * f + 8, _mm256_permute2f128_ps(lo, hi, 0x31));
    }
    joinScalar(left, right, interleaved, f, frames);
}

// Rounding a float to an integer gives the same integer as rounding its exact
// double, and the clamped integers convert exactly.
LUMEN_AVX2 size_t pcmAvx2(const float* mixed, int16_t* pcm, size_t count) {
    const __m256 low = _mm256_set1_ps(-32768.0f), high = _mm256_set1_ps(32767.0f);
    size_t k = 0;
    for (; k + 16 <= count; k += 16) {
        __m256i words[2];
        for (int h = 0; h < 2; ++h) {
            const __m256 v = _mm256_loadu_ps(mixed + k + 8 * size_t(h));
            const __m256 r = _mm256_round_ps(v, _MM_FROUND_CUR_DIRECTION | _MM_FROUND_NO_EXC);
            const __m256 nan = _mm256_cmp_ps(v, v, _CMP_UNORD_Q);
            const __m256 clamped = _mm256_andnot_ps(nan, _mm256_min_ps(_mm256_max_ps(r, low), high));
            words[h] = _mm256_cvtps_epi32(clamped);
        }
        // Packing works within 128-bit lanes: put the four quads back in order.
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(words[0], words[1]), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pcm + k), packed);
    }
    return k;
}

#undef LUMEN_AVX2

}  // namespace

void splitFrames(const float* interleaved, float* left, float* right, size_t frames) {
    if (kHasAvx2) return splitAvx2(interleaved, left, right, frames);
    splitScalar(interleaved, left, right, 0, frames);
}

void joinFrames(const float* left, const float* right, float* interleaved, size_t frames) {
    if (kHasAvx2) return joinAvx2(left, right, interleaved, frames);
    joinScalar(left, right, interleaved, 0, frames);
}

void pcmFromMixed(const float* mixed, int16_t* pcm, size_t count, int16_t (*scalar)(float)) {
    const size_t done = kHasAvx2 ? pcmAvx2(mixed, pcm, count) : 0;
    for (size_t k = done; k < count; ++k) pcm[k] = scalar(mixed[k]);
}

bool hasVectorPath() { return kHasAvx2; }

int64_t mixConstantVector(const int16_t* s, int64_t position, int64_t step, float* left, float* right, int frames,
                          double gainA, double gainB) {
    if (kHasAvx2) return mixConstantAvx2(s, position, step, left, right, frames, gainA, gainB);
    return mixConstantScalar(s, position, step, left, right, frames, gainA, gainB);
}

int64_t mixRampVector(const int16_t* s, int64_t position, int64_t step, float* left, float* right, int frames,
                      double& gainA, double& gainB, double incrementA, double incrementB) {
    if (kHasAvx2) return mixRampAvx2(s, position, step, left, right, frames, gainA, gainB, incrementA, incrementB);
    return mixRampScalar(s, position, step, left, right, frames, gainA, gainB, incrementA, incrementB);
}

#else

bool hasVectorPath() { return false; }

void splitFrames(const float* interleaved, float* left, float* right, size_t frames) {
    splitScalar(interleaved, left, right, 0, frames);
}

void joinFrames(const float* left, const float* right, float* interleaved, size_t frames) {
    joinScalar(left, right, interleaved, 0, frames);
}

void pcmFromMixed(const float* mixed, int16_t* pcm, size_t count, int16_t (*scalar)(float)) {
    for (size_t k = 0; k < count; ++k) pcm[k] = scalar(mixed[k]);
}

int64_t mixConstantVector(const int16_t* s, int64_t position, int64_t step, float* left, float* right, int frames,
                          double gainA, double gainB) {
    return mixConstantScalar(s, position, step, left, right, frames, gainA, gainB);
}

int64_t mixRampVector(const int16_t* s, int64_t position, int64_t step, float* left, float* right, int frames,
                      double& gainA, double& gainB, double incrementA, double incrementB) {
    return mixRampScalar(s, position, step, left, right, frames, gainA, gainB, incrementA, incrementB);
}

#endif

}  // namespace lumen::mixframes
