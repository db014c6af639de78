// Packing generator definitions into their stored layout (the inverse of the
// parser). Header-only, so content can author definitions without the engine.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "synth/generator_definition.h"

namespace lumen {

namespace definition_writer_detail {

inline void putF32(std::vector<uint8_t>& out, float f) {
    uint8_t b[4];
    std::memcpy(b, &f, 4);
    out.insert(out.end(), b, b + 4);
}

inline void putEnvelope(std::vector<uint8_t>& out, const Envelope& e) {
    putF32(out, e.attack);
    putF32(out, e.hold);
    putF32(out, e.release);
    putF32(out, e.level);
}

}  // namespace definition_writer_detail

inline std::vector<uint8_t> packGeneratorDefinition(const GeneratorDefinition& d) {
    using namespace definition_writer_detail;
    std::vector<uint8_t> out;
    out.push_back(static_cast<uint8_t>(d.envelopes.size()));
    for (const Envelope& e : d.envelopes) putEnvelope(out, e);
    out.push_back(static_cast<uint8_t>(d.oscillators.size()));
    bool noteSequence = false;
    for (const Oscillator& o : d.oscillators) {
        putF32(out, o.frequency);
        out.push_back(o.frequencyEnvelope);
        putF32(out, o.amplitude);
        out.push_back(static_cast<uint8_t>(o.amplitudeEnvelope));
        putF32(out, o.pulseWidth);
        out.push_back(static_cast<uint8_t>(o.pulseWidthEnvelope));
        out.push_back(o.waveform);
        noteSequence = noteSequence || o.frequencyEnvelope == kNoteSequenceEnvelope;
    }
    if (noteSequence) {
        for (int8_t n : d.noteSequence) out.push_back(static_cast<uint8_t>(n));
        putEnvelope(out, d.noteEnvelope);
    }
    out.push_back(d.filterType);
    out.push_back(d.resonantFilterOn ? 1 : 0);
    putF32(out, d.cutoff);
    out.push_back(static_cast<uint8_t>(d.cutoffEnvelope));
    putF32(out, d.resonantCutoff);
    out.push_back(static_cast<uint8_t>(d.resonantCutoffEnvelope));
    putF32(out, d.resonance);
    out.push_back(static_cast<uint8_t>(d.resonanceEnvelope));
    putF32(out, d.clipLevel);
    putF32(out, d.gain);
    const uint32_t len = static_cast<uint32_t>(d.length);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(len >> (8 * i)));
    return out;
}

}  // namespace lumen
