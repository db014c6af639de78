// Instrument files of song sources: the instrument's header fields, its
// "[sample]" headers, its "[generator]" and that generator's "[oscillator]"s,
// each field by name and each code by its name.
#include <string>

#include "synth/sample_generator.h"
#include "synth/song_loader.h"
#include "synth/song_source_fields.h"

namespace lumen::song_source {

namespace {

constexpr int kMaxSampleVolume = 64;
constexpr int kMaxEnvelopeValue = 64;
constexpr int kMaxEnvelopeIndex = 127;  // signed bytes; negative means none
constexpr int kNoteSequenceSteps = 16;
constexpr int kNoEnvelope = -1;

uint8_t envelopeFlags(const Fields& f) {
    if (f.size() == 1 && f.text(0) == "none") return 0;
    if (f.size() == 0) f.fail("envelope flags (On, Sustain, Loop) or none");
    uint8_t flags = 0;
    for (size_t i = 0; i < f.size(); ++i) flags |= uint8_t(f.named(i, kEnvelopeFlagNames, "an envelope flag"));
    return flags;
}

void envelopePoints(const Fields& f, EnvelopeRecord& e) {
    f.atMost(kMaxEnvelopePoints);
    e.points.clear();
    for (size_t i = 0; i < f.size(); ++i) {
        const std::string& s = f.text(i);
        const size_t comma = s.find(',');
        long x = -1, y = -1;
        if (comma != std::string::npos) {
            x = std::strtol(s.substr(0, comma).c_str(), nullptr, 10);
            y = std::strtol(s.substr(comma + 1).c_str(), nullptr, 10);
        }
        const bool digits = comma != std::string::npos && comma > 0 && comma + 1 < s.size() &&
                            s.find_first_not_of("0123456789,") == std::string::npos &&
                            s.find(',', comma + 1) == std::string::npos;
        if (!digits || x > 65535 || y > kMaxEnvelopeValue)
            f.fail("points TICK,VALUE with TICK 0..65535 and VALUE 0..64, got '" + s + "'");
        e.points.push_back({uint16_t(x), uint16_t(y)});
    }
}

// Envelope fields shared by volume and panning; returns false if key is not one.
bool envelopeField(const std::string& prefix, const std::string& key, const Fields& f, EnvelopeRecord& e) {
    if (key == prefix + "-envelope") {
        e.type = envelopeFlags(f);
    } else if (key == prefix + "-points") {
        envelopePoints(f, e);
    } else if (key == prefix + "-sustain") {
        f.count(1);
        e.sustain = uint8_t(f.integer(0, 0, kMaxEnvelopePoints - 1, "a point number"));
    } else if (key == prefix + "-loop") {
        f.count(2);
        e.loopStart = uint8_t(f.integer(0, 0, kMaxEnvelopePoints - 1, "a point number"));
        e.loopEnd = uint8_t(f.integer(1, 0, kMaxEnvelopePoints - 1, "a point number"));
    } else {
        return false;
    }
    return true;
}

void headerField(const Fields& f, const std::string& key, InstrumentRecord& in) {
    if (envelopeField("volume", key, f, in.volume) || envelopeField("panning", key, f, in.panning)) return;
    if (key == "note-map") {
        if (f.size() != 1 && f.size() != size_t(kNotes)) f.fail("one sample number for every note, or 96 of them");
        for (int n = 0; n < kNotes; ++n)
            in.noteMap[n] =
                uint8_t(f.integer(f.size() == 1 ? 0 : size_t(n), 0, kMaxSamplesPerInstrument - 1, "a sample number"));
        return;
    }
    f.count(1);
    if (key == "vibrato-type")
        in.vibratoType = uint8_t(f.named(0, kAutoVibratoNames, "an auto-vibrato type"));
    else if (key == "vibrato-sweep")
        in.vibratoSweep = uint8_t(f.integer(0, 0, 255, "a sweep"));
    else if (key == "vibrato-depth")
        in.vibratoDepth = uint8_t(f.integer(0, 0, 255, "a depth"));
    else if (key == "vibrato-rate")
        in.vibratoRate = uint8_t(f.integer(0, 0, 255, "a rate"));
    else if (key == "fadeout")
        in.fadeout = uint16_t(f.integer(0, 0, 65535, "a fadeout"));
    else if (key == "header-size")
        in.headerSize = uint32_t(f.integer(0, 241, 65535, "a header size"));
    else
        f.fail(
            "a field: note-map, volume-/panning-envelope, -points, -sustain, -loop, vibrato-type, "
            "vibrato-sweep, vibrato-depth, vibrato-rate, fadeout or header-size");
}

void sampleField(const Fields& f, const std::string& key, SampleHeaderRecord& s) {
    if (key == "loop") {
        if (f.size() == 0) f.fail("a loop mode (None, Forward, PingPong), then START LENGTH");
        const int mode = f.named(0, kLoopModeNames, "a loop mode");
        if (mode == kLoopNone && f.size() == 1) return void(s.type = 0);
        f.count(3);
        s.type = mode == kLoopForward ? sampletype::ForwardLoop : mode == kLoopPingPong ? sampletype::PingPongLoop : 0;
        s.loopStart = uint32_t(f.integer(1, 0, kMaxSampleLength, "a loop start"));
        s.loopLength = uint32_t(f.integer(2, 0, kMaxSampleLength, "a loop length"));
        return;
    }
    f.count(1);
    if (key == "length")
        s.length = uint32_t(f.integer(0, 0, kMaxSampleLength, "a length"));
    else if (key == "volume")
        s.volume = uint8_t(f.integer(0, 0, kMaxSampleVolume, "a volume"));
    else if (key == "panning")
        s.panning = uint8_t(f.integer(0, 0, 255, "a panning"));
    else if (key == "finetune")
        s.finetune = int8_t(f.integer(0, -128, 127, "a finetune"));
    else if (key == "relative-note")
        s.relativeNote = int8_t(f.integer(0, -128, 127, "a relative note"));
    else
        f.fail("a sample field: length, loop, volume, panning, finetune or relative-note");
}

// Envelope references are checked once every envelope of the generator is known.
struct EnvelopeRef {
    int index;
    int line;
};

int envelopeIndex(const Fields& f, std::vector<EnvelopeRef>& refs, int line) {
    f.count(1);
    if (f.text(0) == "none") return kNoEnvelope;
    const int index = int(f.integer(0, 0, kMaxEnvelopeIndex, "an envelope index or none"));
    refs.push_back({index, line});
    return index;
}

Envelope envelope(const Fields& f) {
    f.count(4);
    return {f.number(0, "attack"), f.number(1, "hold"), f.number(2, "release"), f.number(3, "level")};
}

void generatorField(const Fields& f, const Entry& e, GeneratorDefinition& d, std::vector<EnvelopeRef>& refs,
                    bool& notesGiven) {
    const std::string& key = e.key;
    if (key == "envelope") {
        if (d.envelopes.size() == 255) f.fail("at most 255 envelopes");
        return d.envelopes.push_back(envelope(f));
    }
    if (key == "note-envelope") return void(d.noteEnvelope = envelope(f));
    if (key == "notes") {
        f.count(kNoteSequenceSteps);
        for (int i = 0; i < kNoteSequenceSteps; ++i)
            d.noteSequence[i] =
                f.text(size_t(i)) == "rest" ? kRestNote : int8_t(f.integer(size_t(i), -128, 127, "a note or rest"));
        notesGiven = true;
        return;
    }
    if (key == "cutoff-envelope") return void(d.cutoffEnvelope = int8_t(envelopeIndex(f, refs, e.line)));
    if (key == "resonant-cutoff-envelope")
        return void(d.resonantCutoffEnvelope = int8_t(envelopeIndex(f, refs, e.line)));
    if (key == "resonance-envelope") return void(d.resonanceEnvelope = int8_t(envelopeIndex(f, refs, e.line)));
    f.count(1);
    if (key == "length")
        d.length = int32_t(f.integer(0, 0, kMaxGeneratorLength, "a length"));
    else if (key == "gain")
        d.gain = f.number(0, "a gain");
    else if (key == "clip")
        d.clipLevel = f.number(0, "a clip level");
    else if (key == "filter")
        d.filterType = uint8_t(f.named(0, kFilterTypeNames, "a filter type"));
    else if (key == "cutoff")
        d.cutoff = f.number(0, "a cutoff in Hz");
    else if (key == "resonant-filter")
        d.resonantFilterOn = f.onOff(0);
    else if (key == "resonant-cutoff")
        d.resonantCutoff = f.number(0, "a cutoff in Hz");
    else if (key == "resonance")
        d.resonance = f.number(0, "a resonance");
    else
        f.fail(
            "a generator field: length, gain, clip, envelope, notes, note-envelope, filter, cutoff, "
            "cutoff-envelope, resonant-filter, resonant-cutoff, resonant-cutoff-envelope, resonance or "
            "resonance-envelope");
}

void oscillatorField(const Fields& f, const Entry& e, Oscillator& o, std::vector<EnvelopeRef>& refs) {
    const std::string& key = e.key;
    f.count(1);
    if (key == "waveform")
        o.waveform = uint8_t(f.named(0, kWaveformNames, "a waveform"));
    else if (key == "frequency")
        o.frequency = f.number(0, "a frequency");
    else if (key == "amplitude")
        o.amplitude = f.number(0, "an amplitude in percent");
    else if (key == "pulse-width")
        o.pulseWidth = f.number(0, "a pulse width in percent");
    else if (key == "amplitude-envelope")
        o.amplitudeEnvelope = int8_t(envelopeIndex(f, refs, e.line));
    else if (key == "pulse-width-envelope")
        o.pulseWidthEnvelope = int8_t(envelopeIndex(f, refs, e.line));
    else if (key == "frequency-envelope") {
        if (f.text(0) == "notes") return void(o.frequencyEnvelope = kNoteSequenceEnvelope);
        const int index = envelopeIndex(f, refs, e.line);
        if (index == kNoteSequenceEnvelope) f.fail("an envelope index other than 10 (the byte of notes), or notes");
        o.frequencyEnvelope = index < 0 ? kNoFrequencyEnvelope : uint8_t(index);
    } else {
        f.fail(
            "an oscillator field: waveform, frequency, frequency-envelope, amplitude, amplitude-envelope, "
            "pulse-width or pulse-width-envelope");
    }
}

// The generator section and its oscillators; sections[first] is "[generator]".
void compileGenerator(const std::string& file, const std::vector<Section>& sections, size_t first,
                      GeneratorDefinition& d) {
    std::vector<EnvelopeRef> refs;
    bool notesGiven = false;
    for (const Entry& e : sections[first].entries) generatorField(Fields(file, e), e, d, refs, notesGiven);
    for (size_t i = first + 1; i < sections.size(); ++i) {
        if (sections[i].name != "oscillator")
            throw SongSourceError(file, sections[i].line,
                                  "expected [oscillator] after [generator], got [" + sections[i].name + "]");
        if (d.oscillators.size() == 255)
            throw SongSourceError(file, sections[i].line, "expected at most 255 oscillators");
        rejectRepeatedKeys(file, sections[i], {});
        Oscillator o;
        for (const Entry& e : sections[i].entries) oscillatorField(Fields(file, e), e, o, refs);
        d.hasNoteSequence = d.hasNoteSequence || o.frequencyEnvelope == kNoteSequenceEnvelope;
        d.oscillators.push_back(o);
    }
    for (const EnvelopeRef& r : refs)
        if (size_t(r.index) >= d.envelopes.size())
            throw SongSourceError(file, r.line,
                                  "expected an envelope index below the generator's " +
                                      std::to_string(d.envelopes.size()) + " envelopes, got " +
                                      std::to_string(r.index));
    if (d.hasNoteSequence != notesGiven)
        throw SongSourceError(file, sections[first].line,
                              notesGiven ? "expected an oscillator with frequency-envelope notes, since notes are given"
                                         : "expected a notes line, since an oscillator plays the notes");
}

}  // namespace

void compileInstrument(const std::string& file, std::string_view text, InstrumentRecord& in, GeneratorDefinition& d) {
    const std::vector<Section> sections = readSections(file, text);
    rejectRepeatedKeys(file, sections[0], {});
    for (const Entry& e : sections[0].entries) headerField(Fields(file, e), e.key, in);
    size_t i = 1;
    for (; i < sections.size() && sections[i].name == "sample"; ++i) {
        if (in.samples.size() == size_t(kMaxSamplesPerInstrument))
            throw SongSourceError(file, sections[i].line, "expected at most 16 samples per instrument");
        rejectRepeatedKeys(file, sections[i], {});
        SampleHeaderRecord s;
        for (const Entry& e : sections[i].entries) sampleField(Fields(file, e), e.key, s);
        for (const Entry& e : sections[i].entries)
            if (e.key == "loop" && uint64_t(s.loopStart) + s.loopLength > s.length)
                throw SongSourceError(
                    file, e.line,
                    "loop: expected a loop that ends within the sample's " + std::to_string(s.length) + " samples");
        in.samples.push_back(s);
    }
    const int end = sections.back().entries.empty() ? sections.back().line : sections.back().entries.back().line;
    if (i == sections.size() || sections[i].name != "generator")
        throw SongSourceError(file, i == sections.size() ? end : sections[i].line,
                              "expected a [generator] section after the [sample] sections");
    rejectRepeatedKeys(file, sections[i], {"envelope"});
    compileGenerator(file, sections, i, d);
}

}  // namespace lumen::song_source
