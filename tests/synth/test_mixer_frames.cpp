// The mixer's frame loops, PCM conversion and side splitting: the vector forms
// against the scalar rules they must match bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "synth/block_renderer.h"

#include "synth/mixer_frames.h"

namespace lumen {
namespace {

// The vector frame loop must give the scalar loop's bits for steps from
// standing still to several samples a frame, forward and backward, at the
// extremes of the sample range and of the fraction, and from a position one
// entry before the data, where a reflection may land.
TEST(MixerFrames, VectorLoopMatchesScalarLoopBitForBit) {
    constexpr int kGuard = 8, kLength = 4096;
    std::vector<int16_t> storage(kGuard + kLength + 8, 0);
    int16_t* s = storage.data() + kGuard;
    uint32_t x = 7;
    for (int k = 0; k < kLength; ++k) {
        x = x * 1664525u + 1013904223u;
        // Alternating extremes stretch the difference to its full width.
        s[k] = k % 7 == 0 ? int16_t(k % 2 ? 32767 : -32768) : int16_t(x >> 16);
    }
    const int64_t one = int64_t(1) << 32;
    struct Case {
        const char* name;
        int64_t start;
        int64_t step;
    };
    const Case cases[] = {
        {"still", 100 * one + 0xFFFFFFFF, 0},
        {"slow forward", 5 * one + 0x80000001, 0x0000A3D7},
        {"just below two forward", 10 * one, 2 * one - 1},
        {"two forward", 10 * one + 0x7FFFFFFF, 2 * one},
        {"almost three forward", 10 * one + 0xF0000000, 3 * one - 0x100},
        {"just below six forward", 10 * one + 0xFFFFFFFF, 6 * one - 1},
        {"six forward", 10 * one + 0xFFFFFFFF, 6 * one},
        {"six and a half forward", 10 * one + 0xF0000000, 6 * one + 0x80000000},
        {"wide forward", 3 * one + 12345, 7 * one + 0x9E3779B9},
        {"from before the data", -1, one / 3},
        {"slow backward", 3000 * one + 0x12345678, -int64_t(0x3000F00D)},
        {"just below two backward", 3000 * one, -(2 * one - 1)},
        {"almost three backward", 3000 * one + 0x10000000, -(3 * one - 0x100)},
        {"just below six backward", 3000 * one, -(6 * one - 1)},
        {"six and a half backward", 3000 * one + 0x10000000, -(6 * one + 0x80000000)},
        {"wide backward", 4000 * one + 99, -(5 * one + 0x40000000)},
    };
    // Constant gains, and ramps from them (up, down, and one side only; the
    // increments are the mixer's: a target difference / 255 / ramp length).
    const double gains[][4] = {{40 / 255.0, 87 / 255.0, 0.0, 0.0},
                               {127 / 255.0, 0.0, -127 / 255.0 / 128, 64 / 255.0 / 128},
                               {0.0, 1 / 255.0, 3 / 255.0 / 128, -1 / 255.0 / 128}};
    // One call of a loop from outputs that are not all zero, so each sum rounds:
    // everything it leaves behind, bit patterns included.
    struct Result {
        int64_t end;
        std::vector<float> left, right;
        double gains[2];
        bool operator==(const Result& o) const {
            return end == o.end && std::memcmp(gains, o.gains, sizeof gains) == 0 &&
                   std::memcmp(left.data(), o.left.data(), left.size() * sizeof(float)) == 0 &&
                   std::memcmp(right.data(), o.right.data(), right.size() * sizeof(float)) == 0;
        }
    };
    const auto run = [&](const Case& c, const double* g, int frames, bool ramp, bool vector) {
        Result r{0, std::vector<float>(size_t(frames)), std::vector<float>(size_t(frames)), {g[0], g[1]}};
        for (int f = 0; f < frames; ++f) {
            r.left[size_t(f)] = float(f) * 0.3f - 17.0f;
            r.right[size_t(f)] = -float(f) * 1.7f + 3.0f;
        }
        auto rampLoop = vector ? mixframes::mixRampVector : mixframes::mixRampScalar;
        auto constantLoop = vector ? mixframes::mixConstantVector : mixframes::mixConstantScalar;
        r.end = ramp ? rampLoop(s, c.start, c.step, r.left.data(), r.right.data(), frames, r.gains[0], r.gains[1], g[2],
                                g[3])
                     : constantLoop(s, c.start, c.step, r.left.data(), r.right.data(), frames, g[0], g[1]);
        return r;
    };
    // Call lengths with none to three frames after the last four.
    for (const int frames : {200, 201, 202, 203, 3})
        for (const Case& c : cases)
            for (const auto& g : gains)
                for (const bool ramp : {false, true})
                    EXPECT_TRUE(run(c, g, frames, ramp, false) == run(c, g, frames, ramp, true))
                        << c.name << (ramp ? ", ramp" : "") << ", gains " << g[0] << " " << g[1] << ", " << frames
                        << " frames";
}

// The vector PCM conversion against the one-value rule, over ties, the clamp
// edges, infinities, NaN and negative zero, at every position of a vector.
TEST(MixerFrames, PcmConversionMatchesTheOneValueRule) {
    const float inf = std::numeric_limits<float>::infinity();
    const float edges[] = {0.5f,     1.5f,          2.5f,      -0.5f,     -1.5f,       -0.0f,      32766.5f, 32767.4f,
                           32767.5f, 32768.0f,      -32767.5f, -32768.5f, -32769.0f,   1e9f,       -1e9f,    inf,
                           -inf,     std::nanf(""), 123.49f,   -123.51f,  0.49999997f, 8388609.0f, 3.0f,     -3.5f};
    std::vector<float> mixed;
    for (int round = 0; round < 3; ++round)
        for (float e : edges) mixed.push_back(round == 1 ? -e : e);
    std::vector<int16_t> got(mixed.size()), want(mixed.size());
    mixframes::pcmFromMixed(mixed.data(), got.data(), mixed.size(), pcmFromMix);
    for (size_t k = 0; k < mixed.size(); ++k) want[k] = pcmFromMix(mixed[k]);
    EXPECT_EQ(got, want);
    EXPECT_EQ(std::vector<int16_t>(want.begin(), want.begin() + 5), (std::vector<int16_t>{0, 2, 2, 0, -2}));
}

TEST(MixerFrames, SplitAndJoinKeepEveryFrame) {
    for (size_t frames : {size_t(0), size_t(3), size_t(8), size_t(29)}) {
        std::vector<float> interleaved(2 * frames), left(frames), right(frames), back(2 * frames);
        for (size_t k = 0; k < interleaved.size(); ++k) interleaved[k] = float(k) * (k % 2 ? -1.0f : 1.0f);
        mixframes::splitFrames(interleaved.data(), left.data(), right.data(), frames);
        for (size_t f = 0; f < frames; ++f)
            EXPECT_EQ(std::pair(left[f], right[f]), std::pair(float(2 * f), -float(2 * f + 1)));
        mixframes::joinFrames(left.data(), right.data(), back.data(), frames);
        EXPECT_EQ(back, interleaved) << frames;
    }
}

}  // namespace
}  // namespace lumen
