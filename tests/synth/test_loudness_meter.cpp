// The mix meter on signals whose loudness, peak, clipping and silence are
// known in advance, so that the whole-song mix test measures what it claims.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "loudness_meter.h"

namespace lumen::testing {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr size_t kRate = 44100;

// A sine of `hz` at `peak` (fraction of full scale) in both channels, phase in radians.
std::vector<int16_t> sine(double seconds, double hz, double peak, double phase = 0, double rightGain = 1) {
    std::vector<int16_t> pcm(size_t(seconds * kRate) * 2);
    for (size_t i = 0; i < pcm.size() / 2; ++i) {
        const double v = peak * 32767 * std::sin(2 * kPi * hz * double(i) / kRate + phase);
        pcm[2 * i] = int16_t(std::lround(v));
        pcm[2 * i + 1] = int16_t(std::lround(v * rightGain));
    }
    return pcm;
}

TEST(LoudnessMeter, SineLoudnessFollowsBs1770) {
    // A full-scale 1 kHz sine in one channel reads -3.01 LUFS; in both, 0 (the
    // -0.691 offset cancels the weighting's gain at 1 kHz).
    const struct {
        double peak, rightGain, lufs;
    } cases[] = {{0.1, 1, -20}, {0.5, 1, -6.02}, {0.1, 0, -23.01}};
    for (const auto& c : cases) {
        const MixMeasurements m = measureMix(sine(5, 1000, c.peak, 0, c.rightGain));
        EXPECT_NEAR(m.integratedLufs, c.lufs, 0.1) << c.peak << " " << c.rightGain;
    }
    // Quiet passages under the relative gate do not pull the figure down (the
    // ungated mean would read -21.5; the blocks that straddle the change count).
    std::vector<int16_t> mixed = sine(5, 1000, 0.1);
    const std::vector<int16_t> quiet = sine(2, 1000, 0.001);
    mixed.insert(mixed.end(), quiet.begin(), quiet.end());
    EXPECT_NEAR(measureMix(mixed).integratedLufs, -20, 0.2);
}

TEST(LoudnessMeter, TruePeakSeesBetweenTheSamples) {
    // A sine at a quarter of the rate sampled 45 degrees off its crest: every
    // sample is at 0.707 of the peak, the waveform itself reaches it.
    const MixMeasurements m = measureMix(sine(1, kRate / 4.0, 0.9, kPi / 4));
    EXPECT_NEAR(m.truePeakDbfs, 20 * std::log10(0.9), 0.2);
    const MixMeasurements low = measureMix(sine(1, 100, 0.5));
    EXPECT_NEAR(low.truePeakDbfs, 20 * std::log10(0.5), 0.05);
}

TEST(LoudnessMeter, ClipRunsSilenceAndStereo) {
    std::vector<int16_t> pcm = sine(4, 220, 0.5, 0, 0.25);
    for (size_t i = 1000; i < 1012; ++i) pcm[2 * i + 1] = -32768;  // 12 in the right channel
    for (size_t i = 3000; i < 3005; ++i) pcm[2 * i] = 32767;       // 5 in the left
    const size_t quietFrom = kRate, quietFrames = kRate / 2;
    for (size_t i = quietFrom; i < quietFrom + quietFrames; ++i) pcm[2 * i] = pcm[2 * i + 1] = int16_t(i % 3 - 1);
    const MixMeasurements m = measureMix(pcm);
    EXPECT_EQ(m.longestClipRun, 12u);
    // The sine passes through zero on either side of the quiet stretch, so a
    // few of its frames join it.
    EXPECT_NEAR(m.longestSilenceSeconds, 0.5, 0.002);
    EXPECT_NEAR(m.silenceStartSeconds, 1.0, 0.002);
    EXPECT_NEAR(m.channelRmsDb[0] - m.channelRmsDb[1], 20 * std::log10(4.0), 0.1);
    // L = s, R = s/4: side/mid = (3/4)^2 / (5/4)^2.
    EXPECT_NEAR(m.sideToMidDb, 20 * std::log10(3.0 / 5.0), 0.1);
}

}  // namespace
}  // namespace lumen::testing
