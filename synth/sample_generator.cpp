// Rendering of generator definitions: oscillators, note sequence, the one-pole
// and resonant filters, gain and clipping, and the float-to-byte rule.
#include "synth/sample_generator.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "synth/song_data_error.h"

namespace lumen {

namespace {

constexpr uint32_t kNoiseSeed = 31337;
// Two pi as the 32-bit float the one-pole filter's coefficients are built from.
constexpr float kTwoPiF = 6.2831855f;

double envelopeAt(const GeneratorDefinition& d, int index, int t) {
    return d.envelopes[static_cast<size_t>(index)].evaluate(t);
}

// One waveform value at a phase; noise draws from the generator's random numbers.
double waveformValue(const GeneratorDefinition& d, const Oscillator& o, double phase, double amp, int tp,
                     RuntimeRandom& random) {
    switch (o.waveform) {
        case waveform::Sine: return std::sin(phase) * amp;
        case waveform::Saw: return (std::fmod(phase * 0.15915493866300567, 1.0) - 0.5) * amp;
        case waveform::Pulse: {
            double pw = o.pulseWidth;
            if (o.pulseWidthEnvelope >= 0) pw = pw * envelopeAt(d, o.pulseWidthEnvelope, tp);
            return pw > std::fmod(phase * 0.15915493866300567, 1.0) * 100.0 ? amp : 0.0;
        }
        case waveform::Noise: {
            const int r = random.rand();
            return (r * 3.051850947599719e-5 - 0.5) * amp;
        }
        default:  // silence, and waveforms we do not know
            return 0.0;
    }
}

// One oscillator's output at x (the position in the length, 0..1) and envelope
// time tp; advances its phase.
double oscillatorValue(const GeneratorDefinition& d, const Oscillator& o, double x, int tp, double& phase,
                       RuntimeRandom& random) {
    double amp = o.amplitude * 0.01;
    if (o.amplitudeEnvelope >= 0) amp = envelopeAt(d, o.amplitudeEnvelope, tp) * amp;
    double freq = o.frequency;
    double fm = 0.0;
    if (o.frequencyEnvelope == kNoteSequenceEnvelope) {
        const double steps = 16.0 * x;
        const int step = static_cast<int>(std::floor(steps));
        const double frac = std::fmod(steps, 1.0);
        const int noteNumber = d.noteSequence[step];
        if (noteNumber == kRestNote) {
            freq = 0.0;
            amp = 0.0;
        } else {
            freq = std::pow(2.0, noteNumber / 12.0) * 65.4063949584961;
            amp = d.noteEnvelope.evaluate(static_cast<int>(frac * 100.0));
        }
    } else if (o.frequencyEnvelope < 128) {
        fm = envelopeAt(d, o.frequencyEnvelope, tp);
    }
    const double out = waveformValue(d, o, phase, amp, tp, random);
    phase += (fm * 1760.0 + freq) * 7.123793063520575e-5;
    return out;
}

// The one-pole low-pass or high-pass filter, in 32-bit float coefficients and state.
double onePoleFilter(const GeneratorDefinition& d, FilterMemory& f, int tp, double sum) {
    double fc = d.cutoff;
    if (d.cutoffEnvelope >= 0) fc = fc * envelopeAt(d, d.cutoffEnvelope, tp);
    const float w = static_cast<float>(fc * kTwoPiF);
    const float dd = static_cast<float>(1.0 / (w + 88200.0));
    const float b = static_cast<float>((88200.0 - w) * dd);
    float y;
    if (d.filterType == filtertype::LowPass) {
        y = static_cast<float>(b * static_cast<double>(f.previousOutput) +
                               static_cast<double>(w) * dd * (f.previousInput + sum));
    } else {
        y = static_cast<float>(b * static_cast<double>(f.previousOutput) + 88200.0 * dd * f.previousInput -
                               88200.0 * dd * sum);
    }
    f.previousInput = static_cast<float>(sum);
    f.previousOutput = y;
    return y;
}

// The two-pole resonant filter; its state is kept as 32-bit floats.
double resonantFilter(const GeneratorDefinition& d, FilterMemory& f, int tp, double sum) {
    double fc = d.resonantCutoff;
    if (d.resonantCutoffEnvelope >= 0) fc = fc * envelopeAt(d, d.resonantCutoffEnvelope, tp);
    double q = d.resonance;
    if (d.resonanceEnvelope >= 0) q = q * envelopeAt(d, d.resonanceEnvelope, tp);
    const double w = fc * 0.0001424758612704115;
    const double k = 1.0 - w / (w + 2.0 * (0.5 / (1.0 + w) + q) - 2.0);
    const double k2 = k * k;
    const double g = 1.0 + k2 - 2.0 * k * std::cos(w);
    const double v = (sum - f.s1) * g + f.s2;
    f.s1 = static_cast<float>(f.s1 + v);
    f.s2 = static_cast<float>(v * k2);
    return f.s1;
}

// Gain, then the clip level on both sides.
float amplifyAndClip(const GeneratorDefinition& d, double sum) {
    double value = sum * d.gain;
    const double clip = d.clipLevel;
    if (value < -clip) value = -clip;
    if (value > clip) value = clip;
    return static_cast<float>(value);
}

}  // namespace

// Every step keeps its float and double widths: samples are checked byte for byte.
void SampleGenerator::render(const GeneratorDefinition& d, float* values, int n) {
    random_.srand(kNoiseSeed);
    const size_t oscillatorCount = d.oscillators.size();
    double phases[256] = {};
    const double length = d.length;
    for (int i = 0; i < n; ++i) {
        const double x = i / length;
        const float pct = static_cast<float>(x * 100.0);
        const int tp = static_cast<int>(pct);
        double sum = 0.0;
        for (size_t k = 0; k < oscillatorCount; ++k)
            sum += oscillatorValue(d, d.oscillators[k], x, tp, phases[k], random_);
        if (d.filterType == filtertype::LowPass || d.filterType == filtertype::HighPass)
            sum = onePoleFilter(d, filter_, tp, sum);
        if (d.resonantFilterOn) sum = resonantFilter(d, filter_, tp, sum);
        values[i] = amplifyAndClip(d, sum);
    }
}

int8_t sampleByteFromValue(float value) {
    const double scaled = -127.0 * value;
    // Out of int range (or NaN) the x86 conversion yields INT_MIN; keep that
    // rather than undefined behaviour, so a wild clip level still gives bytes.
    int truncated = INT_MIN;
    if (scaled > -2147483649.0 && scaled < 2147483648.0) truncated = static_cast<int>(scaled);
    return static_cast<int8_t>(static_cast<uint8_t>(255u - (static_cast<unsigned>(truncated) & 0xFFu)));
}

void SampleGenerator::toBytes(const GeneratorDefinition& d, int8_t* destination, int count) {
    const int n = std::min(count, d.length);
    if (n <= 0) return;
    scratch_.assign(static_cast<size_t>(d.length), 0.0f);
    render(d, scratch_.data(), n);
    for (int k = 0; k < n; ++k) destination[k] = sampleByteFromValue(scratch_[static_cast<size_t>(k)]);
}

void SampleGenerator::generate(int8_t* destination, int count, int /*bits*/, int instrument, int /*sample*/) {
    if (progress_) progress_(static_cast<float>(instrument * 0.025 + 1.0));
    if (instrument < 0 || static_cast<size_t>(instrument) >= definitions_.size())
        throw SongDataError("definitions", 0,
                            "a definition for instrument " + std::to_string(instrument + 1) + ", but there are only " +
                                std::to_string(definitions_.size()));
    toBytes(definitions_[static_cast<size_t>(instrument)], destination, count);
}

}  // namespace lumen
