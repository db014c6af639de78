// Loudness after ITU-R BS.1770: K-weighting (a high shelf and a high-pass),
// 400 ms blocks with 75 % overlap, an absolute gate at -70 LUFS and a relative
// gate 10 LU below; true peak from 4x oversampling through a windowed sinc.
#include "loudness_meter.h"

#include <algorithm>
#include <cmath>

namespace lumen::testing {
namespace {

constexpr double kRate = 44100;
constexpr double kFullScale = 32768;
constexpr double kPi = 3.14159265358979323846;
constexpr int kOversample = 4;
constexpr int kTapsPerPhase = 16;

struct Biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double step(double x) {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        return y;
    }
};

// The two K-weighting stages, their analogue prototypes mapped to 44.1 kHz.
Biquad highShelf() {
    const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
    const double k = std::tan(kPi * f0 / kRate), vh = std::pow(10.0, gainDb / 20),
                 vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1 + k / q + k * k;
    return Biquad{(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
                  2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
}

Biquad highPass() {
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    const double k = std::tan(kPi * f0 / kRate), a0 = 1 + k / q + k * k;
    return Biquad{1, -2, 1, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
}

// Squared K-weighted samples summed over both channels, per frame.
std::vector<double> weightedPower(const std::vector<int16_t>& pcm) {
    const size_t frames = pcm.size() / 2;
    std::vector<double> power(frames, 0.0);
    for (int ch = 0; ch < 2; ++ch) {
        Biquad shelf = highShelf(), pass = highPass();
        for (size_t i = 0; i < frames; ++i) {
            const double y = pass.step(shelf.step(pcm[2 * i + size_t(ch)] / kFullScale));
            power[i] += y * y;
        }
    }
    return power;
}

double lufs(double meanPower) { return -0.691 + 10 * std::log10(std::max(meanPower, 1e-30)); }

double integratedLoudness(const std::vector<int16_t>& pcm) {
    const size_t frames = pcm.size() / 2, block = size_t(0.4 * kRate), hop = block / 4;
    const std::vector<double> power = weightedPower(pcm);
    std::vector<double> prefix(frames + 1, 0.0);
    for (size_t i = 0; i < frames; ++i) prefix[i + 1] = prefix[i] + power[i];
    std::vector<double> blocks;
    for (size_t start = 0; start + block <= frames; start += hop)
        blocks.push_back((prefix[start + block] - prefix[start]) / double(block));
    const auto gatedMean = [&](double gate) {
        double sum = 0;
        size_t n = 0;
        for (double b : blocks)
            if (lufs(b) > gate) sum += b, ++n;
        return n ? sum / double(n) : 0.0;
    };
    const double absoluteGated = gatedMean(-70);
    return lufs(gatedMean(std::max(-70.0, lufs(absoluteGated) - 10)));
}

// A Blackman-windowed sinc for 4x interpolation. Its centre falls between two
// taps, so all four phases land between the original samples (at 1/8, 3/8, 5/8
// and 7/8); the original samples are checked as they are.
std::vector<double> interpolationTaps() {
    const int n = kOversample * kTapsPerPhase;
    std::vector<double> taps(static_cast<size_t>(n));
    const double centre = (n - 1) / 2.0;
    for (int k = 0; k < n; ++k) {
        const double t = (k - centre) / kOversample;
        const double sinc = t == 0 ? 1 : std::sin(kPi * t) / (kPi * t);
        const double window = 0.42 - 0.5 * std::cos(2 * kPi * k / (n - 1)) + 0.08 * std::cos(4 * kPi * k / (n - 1));
        taps[size_t(k)] = sinc * window;
    }
    return taps;
}

double truePeak(const std::vector<int16_t>& pcm) {
    const std::vector<double> taps = interpolationTaps();
    const size_t frames = pcm.size() / 2;
    double peak = 0;
    for (int ch = 0; ch < 2; ++ch) {
        std::vector<double> x(frames);
        for (size_t i = 0; i < frames; ++i) x[i] = pcm[2 * i + size_t(ch)] / kFullScale;
        for (size_t i = kTapsPerPhase; i + kTapsPerPhase < frames; ++i) {
            peak = std::max(peak, std::abs(x[i]));
            for (int phase = 0; phase < kOversample; ++phase) {
                double v = 0;
                for (int j = 0; j < kTapsPerPhase; ++j)
                    v += taps[size_t(j * kOversample + phase)] * x[i + kTapsPerPhase / 2 - size_t(j)];
                peak = std::max(peak, std::abs(v));
            }
        }
    }
    return 20 * std::log10(std::max(peak, 1e-12));
}

}  // namespace

MixMeasurements measureMix(const std::vector<int16_t>& pcm) {
    MixMeasurements m;
    const size_t frames = pcm.size() / 2;
    m.integratedLufs = integratedLoudness(pcm);
    m.truePeakDbfs = truePeak(pcm);
    size_t clip[2] = {0, 0}, silent = 0;
    double energy[2] = {0, 0}, mid = 0, side = 0;
    for (size_t i = 0; i < frames; ++i) {
        const int l = pcm[2 * i], r = pcm[2 * i + 1];
        for (int ch = 0; ch < 2; ++ch) {
            const int s = ch ? r : l;
            clip[ch] = s >= 32767 || s <= -32768 ? clip[ch] + 1 : 0;
            m.longestClipRun = std::max(m.longestClipRun, clip[ch]);
            energy[ch] += double(s) * s;
        }
        mid += double(l + r) * (l + r);
        side += double(l - r) * (l - r);
        silent = std::abs(l) < kSilenceFloor && std::abs(r) < kSilenceFloor ? silent + 1 : 0;
        if (silent / kRate > m.longestSilenceSeconds) {
            m.longestSilenceSeconds = silent / kRate;
            m.silenceStartSeconds = double(i + 1 - silent) / kRate;
        }
    }
    for (int ch = 0; ch < 2; ++ch)
        m.channelRmsDb[ch] = 10 * std::log10(std::max(energy[ch] / double(frames), 1e-30) / (kFullScale * kFullScale));
    m.sideToMidDb = 10 * std::log10(std::max(side, 1e-30) / std::max(mid, 1e-30));
    return m;
}

}  // namespace lumen::testing
