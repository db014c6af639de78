// Parsing of generator definitions. Every read is bounded: a
// definition that ends early or names a missing envelope is an error with
// its byte offset, never a read past the data.
#include "synth/generator_definition.h"

#include <cstring>
#include <string>

#include "synth/song_data_error.h"

namespace lumen {

double Envelope::evaluate(int t) const {
    const double tf = static_cast<float>(t);
    const double a = attack;
    const double h = hold;
    const double r = release;
    const double l = level;
    if (tf < a) return l * tf / a;
    if (tf <= a + h) return l;
    if (tf <= a + h + r) return (r - (tf - a - h)) / r * l;
    return 0.0;
}

namespace {

const char* const kPiece = "definitions";

class DefinitionReader {
public:
    DefinitionReader(std::span<const uint8_t> bytes, size_t offset) : bytes_(bytes), pos_(offset) {}

    const uint8_t* take(size_t n, const char* what) {
        if (bytes_.size() < n || pos_ > bytes_.size() - n)
            throw SongDataError(kPiece, pos_,
                                std::to_string(n) + " bytes of " + what + ", but the data ends at byte " +
                                    std::to_string(bytes_.size()));
        const uint8_t* p = bytes_.data() + pos_;
        pos_ += n;
        return p;
    }
    uint8_t u8(const char* what) { return *take(1, what); }
    int8_t s8(const char* what) { return static_cast<int8_t>(*take(1, what)); }
    float f32(const char* what) {
        float f;
        std::memcpy(&f, take(4, what), 4);
        return f;
    }
    int32_t s32(const char* what) {
        const uint8_t* p = take(4, what);
        return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    }
    Envelope envelope(const char* what) {
        Envelope e;
        e.attack = f32(what);
        e.hold = f32(what);
        e.release = f32(what);
        e.level = f32(what);
        return e;
    }
    size_t pos() const { return pos_; }

private:
    std::span<const uint8_t> bytes_;
    size_t pos_;
};

// A signed envelope index is either negative (none) or one of the envelopes.
void checkIndex(int index, size_t count, size_t at, const char* what) {
    if (index >= 0 && static_cast<size_t>(index) >= count)
        throw SongDataError(kPiece, at,
                            std::string(what) + " envelope index below " + std::to_string(count) +
                                " or negative, got " + std::to_string(index));
}

}  // namespace

GeneratorDefinition parseGeneratorDefinition(std::span<const uint8_t> bytes, size_t& offset) {
    DefinitionReader in(bytes, offset);
    GeneratorDefinition d;
    const uint8_t envelopeCount = in.u8("envelope count");
    for (int i = 0; i < envelopeCount; ++i) d.envelopes.push_back(in.envelope("an envelope"));
    const uint8_t oscillatorCount = in.u8("oscillator count");
    for (int i = 0; i < oscillatorCount; ++i) {
        const size_t at = in.pos();
        Oscillator o;
        o.frequency = in.f32("an oscillator");
        o.frequencyEnvelope = in.u8("an oscillator");
        o.amplitude = in.f32("an oscillator");
        o.amplitudeEnvelope = in.s8("an oscillator");
        o.pulseWidth = in.f32("an oscillator");
        o.pulseWidthEnvelope = in.s8("an oscillator");
        o.waveform = in.u8("an oscillator");
        // Bytes 128..254 read as negative indices: no envelope.
        if (o.frequencyEnvelope == kNoteSequenceEnvelope) {
            d.hasNoteSequence = true;
        } else if (o.frequencyEnvelope < 128) {
            checkIndex(o.frequencyEnvelope, d.envelopes.size(), at + 4, "a frequency");
        }
        checkIndex(o.amplitudeEnvelope, d.envelopes.size(), at + 9, "an amplitude");
        checkIndex(o.pulseWidthEnvelope, d.envelopes.size(), at + 14, "a pulse width");
        d.oscillators.push_back(o);
    }
    if (d.hasNoteSequence) {
        const uint8_t* notes = in.take(16, "the note sequence");
        for (int i = 0; i < 16; ++i) d.noteSequence[i] = static_cast<int8_t>(notes[i]);
        d.noteEnvelope = in.envelope("the note envelope");
    }
    d.filterType = in.u8("the filter type");
    d.resonantFilterOn = in.u8("the resonant filter switch") != 0;
    d.cutoff = in.f32("the cutoff");
    size_t at = in.pos();
    d.cutoffEnvelope = in.s8("the cutoff envelope");
    checkIndex(d.cutoffEnvelope, d.envelopes.size(), at, "a cutoff");
    d.resonantCutoff = in.f32("the resonant cutoff");
    at = in.pos();
    d.resonantCutoffEnvelope = in.s8("the resonant cutoff envelope");
    checkIndex(d.resonantCutoffEnvelope, d.envelopes.size(), at, "a resonant cutoff");
    d.resonance = in.f32("the resonance");
    at = in.pos();
    d.resonanceEnvelope = in.s8("the resonance envelope");
    checkIndex(d.resonanceEnvelope, d.envelopes.size(), at, "a resonance");
    d.clipLevel = in.f32("the clip level");
    d.gain = in.f32("the gain");
    at = in.pos();
    d.length = in.s32("the length");
    if (d.length < 0 || d.length > kMaxGeneratorLength)
        throw SongDataError(
            kPiece, at,
            "a length from 0 to " + std::to_string(kMaxGeneratorLength) + ", got " + std::to_string(d.length));
    offset = in.pos();
    return d;
}

std::vector<GeneratorDefinition> parseGeneratorDefinitions(std::span<const uint8_t> bytes) {
    std::vector<GeneratorDefinition> out;
    size_t offset = 0;
    while (offset < bytes.size()) out.push_back(parseGeneratorDefinition(bytes, offset));
    return out;
}

}  // namespace lumen
