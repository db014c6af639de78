// Loudness, true peak, clipping and silence measurements of a rendered stereo
// mix, as a mastering engineer checks a track before release.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumen::testing {

struct MixMeasurements {
    double integratedLufs = 0;      // gated programme loudness (K-weighted, 400 ms blocks)
    double truePeakDbfs = 0;        // highest peak of the 4x oversampled signal
    size_t longestClipRun = 0;      // most consecutive full-scale samples in one channel
    double longestSilenceSeconds = 0;  // longest stretch with both channels below the floor
    double silenceStartSeconds = 0;    // where that stretch starts
    double channelRmsDb[2] = {0, 0};   // each channel's RMS over the whole mix
    double sideToMidDb = 0;            // energy of (L - R) against (L + R)
};

// The floor below which a frame counts as silent: -60 dBFS.
constexpr int kSilenceFloor = 33;

// Measures interleaved 16-bit stereo at 44100 Hz.
MixMeasurements measureMix(const std::vector<int16_t>& interleaved);

}  // namespace lumen::testing
