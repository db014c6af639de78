// Printing stored song pieces as a song source: the inverse of the compiler,
// checked by compiling the printed files back and comparing every byte.
#include <charconv>
#include <cstdio>
#include <string>

#include "synth/generator_definition.h"
#include "synth/song_data_error.h"
#include "synth/song_loader.h"
#include "synth/song_source_cells.h"
#include "synth/song_source_format.h"
#include "synth/song_writer.h"

namespace lumen {

namespace {

constexpr const char* kImagePiece = "song image";
constexpr size_t kSongLengthOffset = 64;
constexpr size_t kOrderTableOffset = 80;
constexpr size_t kInstrumentFieldsOffset = 33;  // note map onwards, from the instrument's start
constexpr size_t kSampleHeaderBytes = 40;

class ImageReader {
public:
    explicit ImageReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    uint32_t get(size_t at, int n) const {
        if (at + size_t(n) > bytes_.size())
            throw SongDataError(kImagePiece, at, std::to_string(n) + " more bytes, but the image ends");
        uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = v << 8 | bytes_[at + size_t(i)];
        return v;
    }

private:
    const std::vector<uint8_t>& bytes_;
};

template <CodeCount N>
const char* nameOr(const CodeName (&table)[N], uint8_t code) {
    const char* name = nameOfCode(table, code);
    return name ? name : "?";  // "?" does not compile back, so the check below reports it
}

std::string number(float f) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, f);
    return std::string(buf, r.ptr);
}

std::string envelopeLine(const char* key, const Envelope& e) {
    return std::string(key) + " " + number(e.attack) + " " + number(e.hold) + " " + number(e.release) + " " +
           number(e.level) + "\n";
}

std::string indexText(int index) { return index < 0 ? "none" : std::to_string(index); }

std::string flagsText(uint8_t type) {
    std::string s;
    for (const CodeName& f : kEnvelopeFlagNames)
        if (type & f.code) s += std::string(s.empty() ? "" : " ") + f.name;
    return s.empty() ? "none" : s;
}

std::string envelopeText(const char* prefix, const ImageReader& in, size_t points, size_t fields, int which) {
    const std::string p = prefix;
    const uint32_t count = in.get(fields + size_t(which), 1);
    std::string s = p + "-envelope " + flagsText(uint8_t(in.get(fields + 8 + size_t(which), 1))) + "\n" + p + "-points";
    for (uint32_t k = 0; k < count && k < uint32_t(kMaxEnvelopePoints); ++k)
        s += " " + std::to_string(in.get(points + 4 * k, 2)) + "," + std::to_string(in.get(points + 4 * k + 2, 2));
    const size_t sustain = fields + 2 + size_t(which) * 3;
    return s + "\n" + p + "-sustain " + std::to_string(in.get(sustain, 1)) + "\n" + p + "-loop " +
           std::to_string(in.get(sustain + 1, 1)) + " " + std::to_string(in.get(sustain + 2, 1)) + "\n";
}

std::string sampleText(const ImageReader& in, size_t at) {
    const uint32_t type = in.get(at + 14, 1);
    const char* mode = nameOfCode(kLoopModeNames, type == sampletype::PingPongLoop  ? kLoopPingPong
                                                  : type == sampletype::ForwardLoop ? kLoopForward
                                                                                    : kLoopNone);
    const uint32_t start = in.get(at + 4, 4), length = in.get(at + 8, 4);
    std::string loop = std::string(mode);
    if (type != 0 || start != 0 || length != 0) loop += " " + std::to_string(start) + " " + std::to_string(length);
    return "\n[sample]\nlength " + std::to_string(in.get(at, 4)) + "\nloop " + loop + "\nvolume " +
           std::to_string(in.get(at + 12, 1)) + "\npanning " + std::to_string(in.get(at + 15, 1)) + "\nfinetune " +
           std::to_string(int8_t(in.get(at + 13, 1))) + "\nrelative-note " +
           std::to_string(int8_t(in.get(at + 16, 1))) + "\n";
}

std::string generatorText(const GeneratorDefinition& d) {
    std::string s = "\n[generator]\nlength " + std::to_string(d.length) + "\ngain " + number(d.gain) + "\nclip " +
                    number(d.clipLevel) + "\n";
    for (const Envelope& e : d.envelopes) s += envelopeLine("envelope", e);
    if (d.hasNoteSequence) {
        s += "notes";
        for (int8_t n : d.noteSequence) s += " " + (n == kRestNote ? std::string("rest") : std::to_string(n));
        s += "\n" + envelopeLine("note-envelope", d.noteEnvelope);
    }
    s += std::string("filter ") + nameOr(kFilterTypeNames, d.filterType) + "\ncutoff " + number(d.cutoff) +
         "\ncutoff-envelope " + indexText(d.cutoffEnvelope) + "\nresonant-filter " +
         (d.resonantFilterOn ? "on" : "off") + "\nresonant-cutoff " + number(d.resonantCutoff) +
         "\nresonant-cutoff-envelope " + indexText(d.resonantCutoffEnvelope) + "\nresonance " + number(d.resonance) +
         "\nresonance-envelope " + indexText(d.resonanceEnvelope) + "\n";
    for (const Oscillator& o : d.oscillators) {
        const std::string freqEnv = o.frequencyEnvelope == kNoteSequenceEnvelope ? "notes"
                                    : o.frequencyEnvelope >= 128                 ? "none"
                                                                                 : std::to_string(o.frequencyEnvelope);
        s += std::string("\n[oscillator]\nwaveform ") + nameOr(kWaveformNames, o.waveform) + "\nfrequency " +
             number(o.frequency) + "\nfrequency-envelope " + freqEnv + "\namplitude " + number(o.amplitude) +
             "\namplitude-envelope " + indexText(o.amplitudeEnvelope) + "\npulse-width " + number(o.pulseWidth) +
             "\npulse-width-envelope " + indexText(o.pulseWidthEnvelope) + "\n";
    }
    return s;
}

// One instrument file from its block at `at`; returns the offset after it.
size_t instrumentText(const ImageReader& in, size_t at, const GeneratorDefinition& d, std::string& s) {
    const uint32_t headerSize = in.get(at, 4);
    const uint32_t samples = in.get(at + 27, 2);
    if (samples == 0) return s += generatorText(d), at + 29;
    const size_t map = at + kInstrumentFieldsOffset, volume = map + kNotes, panning = volume + 48,
                 fields = panning + 48;
    bool sameSample = true;
    for (int n = 0; n < kNotes; ++n) sameSample = sameSample && in.get(map + size_t(n), 1) == in.get(map, 1);
    s += "note-map";
    for (int n = 0; n < (sameSample ? 1 : kNotes); ++n) s += " " + std::to_string(in.get(map + size_t(n), 1));
    s += "\n" + envelopeText("volume", in, volume, fields, 0) + envelopeText("panning", in, panning, fields, 1);
    s += std::string("vibrato-type ") + nameOr(kAutoVibratoNames, uint8_t(in.get(fields + 10, 1))) +
         "\nvibrato-sweep " + std::to_string(in.get(fields + 11, 1)) + "\nvibrato-depth " +
         std::to_string(in.get(fields + 12, 1)) + "\nvibrato-rate " + std::to_string(in.get(fields + 13, 1)) +
         "\nfadeout " + std::to_string(in.get(fields + 14, 2)) + "\n";
    if (headerSize != InstrumentRecord().headerSize) s += "header-size " + std::to_string(headerSize) + "\n";
    size_t next = at + headerSize;
    for (uint32_t k = 0; k < samples; ++k, next += kSampleHeaderBytes) s += sampleText(in, next);
    return s += generatorText(d), next;
}

std::string patternText(const std::vector<uint8_t>& planes, int pattern, int channels) {
    const PatternPlanes p = PatternPlanes::fromBytes(planes);
    std::string s;
    for (int row = 0; row < kRowsPerPattern; ++row) {
        char number[8];
        std::snprintf(number, sizeof number, "%02d", row);
        s += number;
        for (int ch = 0; ch < channels; ++ch) {
            uint8_t b[5];
            p.cell(pattern, row, ch, b);
            const std::string text = cellText(Cell{b[0], b[1], b[2], b[3], b[4]});
            if (text.empty())
                throw SongSourceError(
                    "p" + std::to_string(pattern) + kPatternExtension, row + 1,
                    "expected cell bytes with a spelling, channel " + std::to_string(ch + 1) + " has none");
            s += " | " + text;
        }
        s += "\n";
    }
    return s;
}

std::string twoDigits(const char* prefix, int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%s%02d", prefix, n);
    return buf;
}

}  // namespace

SongSourceFiles printSongSource(const StoredSong& song) {
    const ImageReader in(song.image);
    const int songLength = int16_t(in.get(kSongLengthOffset, 2)), restart = int16_t(in.get(kSongLengthOffset + 2, 2));
    const int channels = int16_t(in.get(kSongLengthOffset + 4, 2)),
              patterns = int16_t(in.get(kSongLengthOffset + 6, 2));
    const int instruments = int16_t(in.get(kSongLengthOffset + 8, 2)),
              flags = int16_t(in.get(kSongLengthOffset + 10, 2));
    if (channels < 1 || channels > kMaxSongChannelsInSource || patterns < 1 || patterns > kMaxSourcePatterns ||
        instruments < 0 || instruments > kMaxSourceInstruments || songLength < 1 || songLength > kMaxSourceOrders)
        throw SongDataError(kImagePiece, kSongLengthOffset, "counts a song source can hold");
    if (song.planes.size() < size_t(patterns) * kPlanePatternStride * 5)
        throw SongDataError("pattern planes", song.planes.size(),
                            "five planes for " + std::to_string(patterns) + " patterns");
    const std::vector<GeneratorDefinition> defs = parseGeneratorDefinitions(song.definitions);
    if (defs.size() != size_t(instruments))
        throw SongDataError("definitions", song.definitions.size(), std::to_string(instruments) + " definitions");

    SongSourceFiles files;
    std::string header = "channels " + std::to_string(channels) + "\nspeed " + std::to_string(int16_t(in.get(76, 2))) +
                         "\ntempo " + std::to_string(int16_t(in.get(78, 2))) + "\nrestart " + std::to_string(restart) +
                         "\nflags " +
                         (flags == songflag::LinearFrequency ? "LinearFrequency"
                          : flags == 0                       ? "none"
                                                             : "?") +
                         "\npatterns";
    for (int p = 0; p < patterns; ++p) {
        header += " " + twoDigits("p", p);
        files[twoDigits("p", p) + kPatternExtension] = patternText(song.planes, p, channels);
    }
    header += "\ninstruments";
    size_t at = kFirstInstrumentOffset;
    for (int i = 0; i < instruments; ++i) {
        header += " " + twoDigits("i", i + 1);
        std::string text;
        at = instrumentText(in, at, defs[size_t(i)], text);
        files[twoDigits("i", i + 1) + kInstrumentExtension] = text;
    }
    header += "\norders";
    for (int o = 0; o < songLength; ++o) header += " " + std::to_string(in.get(kOrderTableOffset + size_t(o), 1));
    files[kSongHeaderFile] = header + "\n";

    const StoredSong back = compileSongSource(files);
    if (back.image != song.image || back.planes != song.planes || back.definitions != song.definitions)
        throw SongSourceError(kSongHeaderFile, 0,
                              "expected stored pieces that a source spells exactly; these compile back to "
                              "different bytes (unused bytes that are not zero?)");
    return files;
}

}  // namespace lumen
