// Sample generator definitions: the packed patch records from which every
// instrument's sample is synthesised, and their bounded parser.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace lumen {

// A trapezoid over the generated length: times are percent of the length.
struct Envelope {
    float attack = 0;
    float hold = 0;
    float release = 0;
    float level = 0;

    // Value at integer percent t; double intermediates, as the runtime computes.
    double evaluate(int t) const;
};

enum class Waveform : uint8_t { Silence = 0, Sine = 1, Saw = 2, Pulse = 3, Noise = 4 };

struct Oscillator {
    float frequency = 0;
    uint8_t frequencyEnvelope = 255;  // 255 none, 10 note sequence, else an envelope index
    float amplitude = 0;              // percent
    int8_t amplitudeEnvelope = -1;    // negative = none
    float pulseWidth = 0;             // percent
    int8_t pulseWidthEnvelope = -1;
    uint8_t waveform = 0;
};

constexpr uint8_t kNoteSequenceEnvelope = 10;
constexpr uint8_t kNoFrequencyEnvelope = 255;
constexpr int8_t kRestNote = -1;  // the stored byte 255

struct GeneratorDefinition {
    std::vector<Envelope> envelopes;
    std::vector<Oscillator> oscillators;
    bool hasNoteSequence = false;
    int8_t noteSequence[16] = {};
    Envelope noteEnvelope;
    uint8_t filterType = 0;  // 0 none, 1 low-pass, 2 high-pass
    bool resonantFilterOn = false;
    float cutoff = 0;
    int8_t cutoffEnvelope = -1;
    float resonantCutoff = 0;
    int8_t resonantCutoffEnvelope = -1;
    float resonance = 0;
    int8_t resonanceEnvelope = -1;
    float clipLevel = 0;
    float gain = 0;
    int32_t length = 0;
};

// Largest length we accept from a definition: 64 M samples, far beyond any
// song yet small enough that a corrupt file cannot exhaust memory.
constexpr int32_t kMaxGeneratorLength = 1 << 26;

// Parses one definition at bytes[offset]; advances offset past it. Throws
// SongDataError naming the byte offset and what was expected.
GeneratorDefinition parseGeneratorDefinition(std::span<const uint8_t> bytes, size_t& offset);

// Parses definitions back to back until the bytes end.
std::vector<GeneratorDefinition> parseGeneratorDefinitions(std::span<const uint8_t> bytes);

}  // namespace lumen
