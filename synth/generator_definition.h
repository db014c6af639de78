// Sample generator definitions: the packed patch records from which every
// instrument's sample is synthesised, and their bounded parser.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "synth/song_codes.h"

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

struct Oscillator {
    float frequency = 0;
    uint8_t frequencyEnvelope = kNoFrequencyEnvelope;  // or kNoteSequenceEnvelope, or an envelope index
    float amplitude = 0;                               // percent
    int8_t amplitudeEnvelope = -1;                     // negative = none
    float pulseWidth = 0;                              // percent
    int8_t pulseWidthEnvelope = -1;
    uint8_t waveform = waveform::Silence;
};

struct GeneratorDefinition {
    std::vector<Envelope> envelopes;
    std::vector<Oscillator> oscillators;
    bool hasNoteSequence = false;
    int8_t noteSequence[16] = {};
    Envelope noteEnvelope;
    uint8_t filterType = filtertype::None;
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
