// The XM importer: checks every count, offset and field of a module against
// its file and against what Lumen's song layout holds, then writes the song
// image and pattern planes with the panning mirrored back (Lumen's pan 255 is
// fully left, XM's fully right), which undoes what the exporter mirrors.
//
// [SECTION] Reading the file
// [SECTION] Header and order list
// [SECTION] Patterns
// [SECTION] Instruments
// [SECTION] Tick order
// [SECTION] Source form
#include "synth/xm_import.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

#include "synth/definition_writer.h"
#include "synth/sequencer.h"
#include "synth/song_codes.h"
#include "synth/song_data_error.h"
#include "synth/song_loader.h"
#include "synth/song_source_cells.h"
#include "synth/song_writer.h"
#include "synth/xm_format.h"

namespace lumen {

namespace {

//-----------------------------------------------------------------------------
// [SECTION] Reading the file
//-----------------------------------------------------------------------------

[[noreturn]] void fail(size_t at, const std::string& expected) {
    throw XmFormatError("byte " + std::to_string(at) + ": expected " + expected);
}

std::string hexByte(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", v & 0xFFu);
    return buf;
}

std::string hexWord(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%04X", v & 0xFFFFu);
    return buf;
}

class XmReader {
public:
    explicit XmReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    // n little-endian bytes at `at`; `what` names them when the file ends first.
    uint32_t get(size_t at, size_t n, const std::string& what) const {
        need(at, n, what);
        uint32_t v = 0;
        for (size_t i = n; i-- > 0;) v = v << 8 | bytes_[at + i];
        return v;
    }
    void need(size_t at, size_t n, const std::string& what) const {
        if (at > bytes_.size() || n > bytes_.size() - at)
            fail(at, what + " (" + std::to_string(n) + " bytes), but the file ends at byte " +
                         std::to_string(bytes_.size()));
    }
    // A fixed-size name, cut at its first zero, printable characters only.
    std::string text(size_t at, size_t n) const {
        need(at, n, "a name");
        std::string s;
        for (size_t i = 0; i < n && bytes_[at + i] != 0; ++i)
            s += bytes_[at + i] >= 0x20 && bytes_[at + i] < 0x7F ? char(bytes_[at + i]) : '?';
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    }
    std::span<const uint8_t> span(size_t at, size_t n, const std::string& what) const {
        need(at, n, what);
        return bytes_.subspan(at, n);
    }

private:
    std::span<const uint8_t> bytes_;
};

// A field of 1..4 bytes that must lie within [lo, hi].
uint32_t field(const XmReader& in, size_t at, size_t n, uint32_t lo, uint32_t hi, const std::string& what,
               const std::string& advice = {}) {
    const uint32_t v = in.get(at, n, what);
    if (v < lo || v > hi)
        fail(at, what + " from " + std::to_string(lo) + " to " + std::to_string(hi) + ", got " + std::to_string(v) +
                     (advice.empty() ? "" : "; " + advice));
    return v;
}

uint8_t mirroredPan(uint32_t pan) { return static_cast<uint8_t>(255 - pan); }

//-----------------------------------------------------------------------------
// [SECTION] Header and order list
//-----------------------------------------------------------------------------

struct ModuleHeader {
    SongLayout layout;
    size_t patternsAt = 0;
};

ModuleHeader readHeader(const XmReader& in, XmImport& out) {
    namespace h = xm::headerfield;
    in.need(0, xm::kIdBytes, "the text '" + std::string(xm::kIdText) + "'");
    for (size_t i = 0; i < xm::kIdBytes; ++i)
        if (in.get(i, 1, "the XM id") != uint8_t(xm::kIdText[i]))
            fail(0, "the text '" + std::string(xm::kIdText) + "' that starts every Extended Module");
    out.moduleName = in.text(xm::kModuleNameOffset, xm::kNameBytes);
    out.trackerName = in.text(h::TrackerName, xm::kNameBytes);
    const uint32_t version = in.get(h::Version, 2, "the format version");
    if (version != xm::kVersion)
        fail(h::Version, "format version " + hexWord(xm::kVersion) + ", got " + hexWord(version) +
                             "; save the module again with a current tracker");
    const uint32_t headerSize = in.get(xm::kHeaderSizeOffset, 4, "the header size");
    ModuleHeader m;
    SongLayout& l = m.layout;
    const int orders = int(field(in, h::SongLength, 2, 1, kMaxSourceOrders, "a song length"));
    l.restartPosition =
        int16_t(field(in, h::RestartPosition, 2, 0, uint32_t(orders - 1), "a restart position within the order list"));
    l.channels = int16_t(field(in, h::Channels, 2, 1, xm::kMaxChannels, "a channel count"));
    if (l.channels > kMaxSongChannelsInSource)
        fail(h::Channels, "at most " + std::to_string(kMaxSongChannelsInSource) + " channels, got " +
                              std::to_string(l.channels) + "; move the notes of channels " +
                              std::to_string(kMaxSongChannelsInSource + 1) +
                              " and up into free channels and delete those channels in the tracker");
    l.patterns = int16_t(field(in, h::Patterns, 2, 1, kMaxSourcePatterns, "a pattern count"));
    const int instruments = int(field(in, h::Instruments, 2, 0, kMaxSourceInstruments, "an instrument count"));
    l.instruments.resize(size_t(instruments));
    // Flag bits other than the frequency table mean nothing in XM.
    l.flags = int16_t(in.get(h::Flags, 2, "the flags") & songflag::LinearFrequency);
    l.defaultSpeed = int16_t(field(in, h::Speed, 2, 1, kSpeedTempoSplit - 1, "a default speed (ticks per row)"));
    l.defaultTempo = int16_t(field(in, h::Tempo, 2, kSpeedTempoSplit, xm::kMaxTempo, "a default tempo (BPM)"));
    if (uint64_t(h::OrderTable) + uint64_t(orders) > xm::kHeaderSizeOffset + uint64_t(headerSize))
        fail(xm::kHeaderSizeOffset, "a header size that holds the " + std::to_string(orders) + " order entries, got " +
                                        std::to_string(headerSize));
    for (int i = 0; i < orders; ++i)
        l.orders.push_back(uint8_t(field(in, h::OrderTable + size_t(i), 1, 0, uint32_t(l.patterns - 1),
                                         "order entry " + std::to_string(i) + " naming one of the module's " +
                                             std::to_string(l.patterns) + " patterns")));
    m.patternsAt = xm::kHeaderSizeOffset + size_t(headerSize);
    return m;
}

//-----------------------------------------------------------------------------
// [SECTION] Patterns
//-----------------------------------------------------------------------------

uint8_t mirroredVolumeColumn(uint8_t v) {
    const int command = v >> 4, x = v & 15;
    if (command == volcmd::SetPanning) return uint8_t(command << 4 | (15 - x));
    if (command == volcmd::PanSlideLeft) return uint8_t(volcmd::PanSlideRight << 4 | x);
    if (command == volcmd::PanSlideRight) return uint8_t(volcmd::PanSlideLeft << 4 | x);
    return v;
}

Cell cellFromXm(const XmCell& x) {
    Cell c{x.note, x.instrument, mirroredVolumeColumn(x.volume), x.effect, x.parameter};
    const int hi = x.parameter >> 4, lo = x.parameter & 15;
    if (x.effect == effect::SetPanning) c.parameter = mirroredPan(x.parameter);
    if (x.effect == effect::Extended && hi == extended::SetPanning)
        c.parameter = uint8_t(extended::SetPanning << 4 | (15 - lo));
    if (x.effect == effect::PanSlide) c.parameter = uint8_t(lo << 4 | hi);  // right and left speeds swap
    return c;
}

// A cell whose bytes the source notation cannot spell: name the field.
void checkSpelling(const XmCell& x, const Cell& c, size_t at, const std::string& where) {
    if (!cellText(c).empty()) return;
    if (cellText(Cell{c.note, 0, 0, 0, 0}).empty())
        fail(at, where + ": a note byte from 0 to " + std::to_string(xm::kKeyOffNote) + ", got " + hexByte(x.note));
    if (cellText(Cell{0, c.instrument, 0, 0, 0}).empty())
        fail(at, where + ": an instrument number up to " + std::to_string(kLastInstrumentNumber) + ", got " +
                     std::to_string(x.instrument));
    if (cellText(Cell{0, 0, c.volume, 0, 0}).empty())
        fail(at,
             where + ": a volume-column byte that sets a volume 0..64 or holds a command, got " + hexByte(x.volume));
    fail(at, where + ": an effect from 0 to Z, got " + hexByte(x.effect));
}

// Reads the pattern at `at` into the planes; returns where the next one starts.
size_t readPattern(const XmReader& in, size_t at, int pattern, int channels, PatternPlaneWriter& planes) {
    const std::string name = "pattern " + std::to_string(pattern);
    const uint32_t headerSize = field(in, at, 4, xm::kPatternHeaderSize, UINT32_MAX, "the header size of " + name);
    field(in, at + xm::patternfield::PackingType, 1, xm::kPackingType, xm::kPackingType, "the packing type of " + name);
    const uint32_t rows = in.get(at + xm::patternfield::Rows, 2, "the row count of " + name);
    if (rows != kRowsPerPattern)
        fail(at + xm::patternfield::Rows,
             std::to_string(kRowsPerPattern) + " rows in " + name + ", got " + std::to_string(rows) +
                 "; resize it to " + std::to_string(kRowsPerPattern) +
                 " rows in the tracker (split a longer one, or end a shorter one with a pattern break)");
    const uint32_t packedSize = in.get(at + xm::patternfield::PackedSize, 2, "the packed size of " + name);
    const size_t dataAt = at + headerSize;
    const size_t count = size_t(kRowsPerPattern) * size_t(channels);
    std::vector<XmCell> cells(count);  // a packed size of 0 is an empty pattern
    std::vector<size_t> offsets(count, dataAt);
    if (packedSize != 0)
        cells = unpackXmPattern(in.span(dataAt, packedSize, "the packed cells of " + name), count, dataAt, &offsets);
    for (int row = 0; row < kRowsPerPattern; ++row)
        for (int ch = 0; ch < channels; ++ch) {
            const size_t k = size_t(row) * size_t(channels) + size_t(ch);
            const Cell c = cellFromXm(cells[k]);
            checkSpelling(cells[k], c, offsets[k],
                          name + " row " + std::to_string(row) + " channel " + std::to_string(ch + 1));
            planes.set(pattern, row, ch, c);
        }
    return dataAt + packedSize;
}

//-----------------------------------------------------------------------------
// [SECTION] Instruments
//-----------------------------------------------------------------------------

// One envelope: points, sustain and loop points, type; panning is mirrored.
void readEnvelope(const XmReader& in, size_t at, bool panning, EnvelopeRecord& e, const std::string& name) {
    namespace f = xm::instrumentfield;
    const std::string what = name + (panning ? " panning" : " volume") + " envelope";
    const size_t points = at + (panning ? f::PanningEnvelope : f::VolumeEnvelope);
    const size_t count = panning ? f::PanningPointCount : f::VolumePointCount;
    const uint32_t n = field(in, at + count, 1, 0, kMaxEnvelopePoints, "the point count of the " + what);
    for (uint32_t k = 0; k < n; ++k) {
        const auto x = uint16_t(in.get(points + xm::kEnvelopePointBytes * k, 2, "a point of the " + what));
        const auto y = uint16_t(
            field(in, points + xm::kEnvelopePointBytes * k + 2, 2, 0, xm::kEnvelopeValueMax, "a value of the " + what));
        e.points.push_back({x, uint16_t(panning ? xm::kPanEnvelopeMax - y : y)});
    }
    const size_t sustain = panning ? f::PanningSustain : f::VolumeSustain;
    const size_t loopStart = panning ? f::PanningLoopStart : f::VolumeLoopStart;
    const size_t loopEnd = panning ? f::PanningLoopEnd : f::VolumeLoopEnd;
    const auto point = [&](size_t offset, const char* which) {
        return uint8_t(field(in, at + offset, 1, 0, kMaxEnvelopePoints - 1,
                             std::string("a ") + which + " point number of the " + what));
    };
    e.sustain = point(sustain, "sustain");
    e.loopStart = point(loopStart, "loop start");
    e.loopEnd = point(loopEnd, "loop end");
    e.type = uint8_t(field(in, at + (panning ? f::PanningType : f::VolumeType), 1, 0,
                           envflag::On | envflag::Sustain | envflag::Loop,
                           "the type bits (on, sustain, loop) of the " + what));
}

void readInstrumentFields(const XmReader& in, size_t at, InstrumentRecord& r, const std::string& name) {
    namespace f = xm::instrumentfield;
    for (int n = 0; n < kNotes; ++n)
        r.noteMap[n] = uint8_t(field(in, at + f::NoteMap + size_t(n), 1, 0, kMaxSamplesPerInstrument - 1,
                                     "a sample number in the note map of " + name));
    readEnvelope(in, at, false, r.volume, name);
    readEnvelope(in, at, true, r.panning, name);
    r.vibratoType = uint8_t(field(in, at + f::VibratoType, 1, 0, autovibrato::RampUp, "the vibrato type of " + name));
    r.vibratoSweep = uint8_t(in.get(at + f::VibratoSweep, 1, "the vibrato sweep of " + name));
    r.vibratoDepth = uint8_t(in.get(at + f::VibratoDepth, 1, "the vibrato depth of " + name));
    r.vibratoRate = uint8_t(in.get(at + f::VibratoRate, 1, "the vibrato rate of " + name));
    r.fadeout = uint16_t(in.get(at + f::Fadeout, 2, "the fadeout of " + name));
}

// One sample header; returns its data's size in bytes. Lengths and loops
// become counts of samples (16-bit samples count two bytes each).
uint32_t readSampleHeader(const XmReader& in, size_t at, SampleHeaderRecord& s, const std::string& name) {
    namespace f = xm::samplefield;
    const uint32_t bytes = in.get(at + f::Length, 4, "the length of " + name);
    const uint8_t type = uint8_t(in.get(at + f::Type, 1, "the type of " + name));
    const uint32_t unit = (type & xm::sampletype::SixteenBit) ? 2 : 1;
    s.length = bytes / unit;
    if (s.length > kMaxSampleLength)
        fail(at + f::Length, "a length of at most " + std::to_string(kMaxSampleLength) + " samples in " + name +
                                 ", got " + std::to_string(s.length) + "; shorten the sample");
    s.loopStart = in.get(at + f::LoopStart, 4, "the loop start of " + name) / unit;
    s.loopLength = in.get(at + f::LoopLength, 4, "the loop length of " + name) / unit;
    const uint8_t loop = type & xm::sampletype::LoopBits;
    // Ping-pong wins when both loop bits are set, as Lumen plays it.
    s.type = (loop & sampletype::PingPongLoop) ? uint8_t(sampletype::PingPongLoop) : loop;
    if (uint64_t(s.loopStart) + s.loopLength > s.length) {
        if (s.type != 0)
            fail(at + f::LoopStart, "a loop that ends within the " + std::to_string(s.length) + " samples of " + name +
                                        ", got " + std::to_string(s.loopStart) + " + " + std::to_string(s.loopLength) +
                                        "; shorten the loop in the tracker");
        s.loopStart = s.loopLength = 0;  // never played without a loop
    }
    s.volume = uint8_t(field(in, at + f::Volume, 1, 0, xm::kMaxSampleVolume, "the volume of " + name));
    s.finetune = int8_t(in.get(at + f::Finetune, 1, "the finetune of " + name));
    s.panning = mirroredPan(in.get(at + f::Panning, 1, "the panning of " + name));
    s.relativeNote = int8_t(in.get(at + f::RelativeNote, 1, "the relative note of " + name));
    return bytes;
}

// Reads instrument `number` (from 1) at `at`; returns where the next one starts.
size_t readInstrument(const XmReader& in, size_t at, int number, InstrumentRecord& r, std::string& instrumentName) {
    namespace f = xm::instrumentfield;
    const std::string name = "instrument " + std::to_string(number);
    const uint32_t headerSize =
        field(in, at, 4, xm::kEmptyInstrumentHeaderSize, UINT32_MAX, "the header size of " + name);
    instrumentName = in.text(at + f::Name, xm::kInstrumentNameBytes);
    const uint32_t samples = in.get(at + f::SampleCount, 2, "the sample count of " + name);
    if (samples > uint32_t(kMaxSamplesPerInstrument))
        fail(at + f::SampleCount, "at most " + std::to_string(kMaxSamplesPerInstrument) + " samples in " + name +
                                      ", got " + std::to_string(samples) +
                                      "; delete samples or split the instrument in two");
    if (samples == 0) return at + headerSize;
    if (headerSize < f::End)
        fail(at, "a header of at least " + std::to_string(f::End) + " bytes for " + name + ", which has samples, got " +
                     std::to_string(headerSize));
    readInstrumentFields(in, at, r, name);
    size_t next = at + headerSize;
    uint64_t dataBytes = 0;
    r.samples.resize(samples);
    for (uint32_t k = 0; k < samples; ++k, next += xm::kSampleHeaderSize)
        dataBytes += readSampleHeader(in, next, r.samples[k], "sample " + std::to_string(k + 1) + " of " + name);
    // The sample data is not needed, but a module cut short is reported.
    if (dataBytes > UINT32_MAX) fail(next, "sample data of at most 4 GB for " + name);
    in.need(next, size_t(dataBytes), "the sample data of " + name);
    return next + size_t(dataBytes);
}

//-----------------------------------------------------------------------------
// [SECTION] Tick order
//-----------------------------------------------------------------------------

// XM players (after FastTracker 2) pick the arpeggio note by (speed - tick)
// mod 3, Lumen by tick mod 3: the parameter that gives the XM notes on every
// later tick of a row at this speed in Lumen, if one exists.
std::optional<uint8_t> lumenArpeggio(uint8_t p, int speed) {
    const int xmNote[3] = {0, p >> 4, p & 15};  // by XM phase: base, high nibble, low nibble
    int lumenNote[3] = {0, -1, -1};             // by Lumen phase
    for (int tick = 1; tick < speed; ++tick) {
        const int want = xmNote[(speed - tick) % 3];
        int& have = lumenNote[tick % 3];
        if (have < 0) have = want;
        if (have != want) return std::nullopt;
    }
    return uint8_t(std::max(lumenNote[1], 0) << 4 | std::max(lumenNote[2], 0));
}

std::string cellName(int order, int row, int channel, int pattern) {
    return "order " + std::to_string(order) + " row " + std::to_string(row) + " channel " +
           std::to_string(channel + 1) + " (pattern " + std::to_string(pattern) + "): ";
}

// What a cell becomes at a row speed, and what will sound different.
std::pair<Cell, std::string> forLumen(const Cell& c, int speed) {
    Cell out = c;
    std::string note;
    const int command = c.volume >> 4;
    if (c.volume > kVolumeColumnSetLast && (c.volume & 15) != 0 &&
        (command == volcmd::VolSlideDown || command == volcmd::VolSlideUp || command == volcmd::PanSlideLeft ||
         command == volcmd::PanSlideRight))
        note = "a volume-column slide also acts on the row's first tick in Lumen";
    if (c.effect == effect::Arpeggio && c.parameter != 0) {
        const std::optional<uint8_t> p = lumenArpeggio(c.parameter, speed);
        if (p) out.parameter = *p;
        if (!p)
            note = "arpeggio at speed " + std::to_string(speed) + " has no Lumen spelling (XM counts its ticks down)";
    }
    return {out, note};
}

// Plays the first pass with the sequencer alone and respells each played
// cell for the speed it is first played at; later plays that would need
// another spelling are reported.
void respellForLumen(const SongLayout& layout, PatternPlaneWriter& planes, std::vector<std::string>& report) {
    const std::vector<uint8_t> image = writeSongImage(layout);
    const std::vector<uint8_t> original = planes.bytes();
    const PatternPlanes read = PatternPlanes::fromBytes(original);
    // Zero-length generators: the walk needs the sample headers, not the sound.
    SampleGenerator silent(std::vector<GeneratorDefinition>(layout.instruments.size(), placeholderGenerator(0)));
    auto player = std::make_unique<ModulePlayer>();
    try {
        loadSong(*player, image, read, silent);
    } catch (const SongDataError& e) {
        throw XmFormatError(std::string("the song as Lumen loads it: ") + e.what());
    }
    startSong(*player);
    std::map<size_t, Cell> decided;
    const size_t maxRows = layout.orders.size() * kRowsPerPattern + 1;
    for (size_t rows = 0; rows < maxRows;) {
        ModulePlayer& p = *player;
        if (p.tick != 0) {
            sequencerTick(p);
            continue;
        }
        if (rows > 0 && p.nextOrder >= 0 && p.nextOrder <= p.orderPosition) break;  // the order position wraps
        const int order = p.nextOrder >= 0 ? p.nextOrder : p.orderPosition;
        const int row = p.nextRow >= 0 ? p.nextRow : p.row;
        const int pattern = layout.orders[size_t(order)];
        sequencerTick(p);
        ++rows;
        for (int ch = 0; ch < layout.channels; ++ch) {
            uint8_t b[5];
            read.cell(pattern, row, ch, b);
            const auto [cell, note] = forLumen(Cell{b[0], b[1], b[2], b[3], b[4]}, std::max(p.speed, 1));
            const size_t key =
                (size_t(pattern) * kRowsPerPattern + size_t(row)) * kMaxSongChannelsInSource + size_t(ch);
            const auto [it, first] = decided.emplace(key, cell);
            if (first && !note.empty()) report.push_back(cellName(order, row, ch, pattern) + note);
            if (!first && it->second.parameter != cell.parameter)
                report.push_back(cellName(order, row, ch, pattern) +
                                 "played again at another speed; written as first played");
            if (first) planes.set(pattern, row, ch, cell);
        }
    }
}

}  // namespace

GeneratorDefinition placeholderGenerator(int32_t length) {
    // A 32-sample period: played at C-4 (8363 samples a second) it sounds at
    // 261 Hz, near C-4, and any loop of whole periods is seamless.
    constexpr float kFrequency = 2756.25f;
    constexpr float kFullAmplitude = 100;  // percent
    constexpr float kGain = 0.5f;          // leaves headroom for the mix
    GeneratorDefinition d;
    d.oscillators.push_back(Oscillator{kFrequency, kNoFrequencyEnvelope, kFullAmplitude, -1, 0, -1, waveform::Sine});
    d.gain = kGain;
    d.clipLevel = 1;
    d.length = length;
    return d;
}

XmImport importXm(std::span<const uint8_t> bytes) {
    const XmReader in(bytes);
    XmImport out;
    ModuleHeader header = readHeader(in, out);
    SongLayout& l = header.layout;
    PatternPlaneWriter planes(l.patterns);
    size_t at = header.patternsAt;
    for (int p = 0; p < l.patterns; ++p) at = readPattern(in, at, p, l.channels, planes);
    out.instrumentNames.resize(l.instruments.size());
    for (size_t i = 0; i < l.instruments.size(); ++i) {
        at = readInstrument(in, at, int(i + 1), l.instruments[i], out.instrumentNames[i]);
        uint32_t longest = 0;
        for (const SampleHeaderRecord& s : l.instruments[i].samples) longest = std::max(longest, s.length);
        const std::vector<uint8_t> d = packGeneratorDefinition(placeholderGenerator(int32_t(longest)));
        out.song.definitions.insert(out.song.definitions.end(), d.begin(), d.end());
    }
    respellForLumen(l, planes, out.report);
    out.song.image = writeSongImage(l);
    out.song.planes = planes.bytes();
    return out;
}

//-----------------------------------------------------------------------------
// [SECTION] Source form
//-----------------------------------------------------------------------------

SongSourceFiles xmImportSource(const XmImport& module, const std::string& from) {
    SongSourceFiles files = printSongSource(module.song);
    files[kSongHeaderFile] = "# Imported from the Extended Module " + from + " ('" + module.moduleName +
                             "', written by '" + module.trackerName +
                             "').\n# Panning is mirrored back: Lumen's pan 255 is fully left.\n" +
                             files[kSongHeaderFile];
    for (size_t i = 0; i < module.instrumentNames.size(); ++i) {
        char number[24];
        std::snprintf(number, sizeof number, "i%02zu", i + 1);
        const std::string file = number + std::string(kInstrumentExtension);
        const auto it = files.find(file);
        if (it == files.end()) continue;
        it->second = "# Instrument " + std::to_string(i + 1) + " of " + from + ": '" + module.instrumentNames[i] +
                     "'.\n# Samples cannot become generators: the [generator] below is a placeholder sine to\n"
                     "# edit into this instrument's sound. The sample headers are the module's.\n" +
                     it->second;
    }
    return files;
}

}  // namespace lumen
