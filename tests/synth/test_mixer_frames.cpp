#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "synth/mixer_frames.h"

namespace lumen {
namespace {

// The vector frame loop must give the scalar loop's bits for every step width
// it treats differently (narrow windows forward and backward, wide loads), at
// the extremes of the sample range and of the fraction, and from a position
// one entry before the data, where a reflection may land.
TEST(MixerFrames, VectorLoopMatchesScalarLoopBitForBit) {
    constexpr int kGuard = 8, kLength = 4096, kFrames = 203;  // 203: a tail after the quads
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
        {"wide forward", 3 * one + 12345, 7 * one + 0x9E3779B9},
        {"from before the data", -1, one / 3},
        {"slow backward", 3000 * one + 0x12345678, -int64_t(0x3000F00D)},
        {"just below two backward", 3000 * one, -(2 * one - 1)},
        {"almost three backward", 3000 * one + 0x10000000, -(3 * one - 0x100)},
        {"wide backward", 4000 * one + 99, -(5 * one + 0x40000000)},
    };
    const double gains[][2] = {{40 / 255.0, 87 / 255.0}, {127 / 255.0, 0.0}, {0.0, 1 / 255.0}};
    for (const Case& c : cases)
        for (const auto& g : gains) {
            // Start from outputs that are not all zero, so each sum rounds.
            std::vector<float> la(kFrames), ra(kFrames);
            for (int f = 0; f < kFrames; ++f) {
                la[f] = float(f) * 0.3f - 17.0f;
                ra[f] = -float(f) * 1.7f + 3.0f;
            }
            std::vector<float> lb = la, rb = ra;
            const int64_t endA = mixframes::mixConstantScalar(s, c.start, c.step, la.data(), ra.data(), kFrames, g[0], g[1]);
            const int64_t endB = mixframes::mixConstantVector(s, c.start, c.step, lb.data(), rb.data(), kFrames, g[0], g[1]);
            EXPECT_EQ(endA, endB) << c.name;
            EXPECT_EQ(0, std::memcmp(la.data(), lb.data(), sizeof(float) * kFrames)) << c.name << " left";
            EXPECT_EQ(0, std::memcmp(ra.data(), rb.data(), sizeof(float) * kFrames)) << c.name << " right";
        }
}

}  // namespace
}  // namespace lumen
