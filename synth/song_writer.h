// Writing songs in the stored layouts: the song image (header, order table,
// instrument and sample headers) and the five pattern planes. Used to author
// the built-in song and by tools and tests that make songs of their own.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "synth/song.h"

namespace lumen {

struct SampleHeaderRecord {
    uint32_t length = 0;
    uint32_t loopStart = 0;
    uint32_t loopLength = 0;
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t type = 0;  // bit 0 forward loop, bit 1 ping-pong
    uint8_t panning = 128;
    int8_t relativeNote = 0;
};

struct EnvelopeRecord {
    std::vector<EnvelopePoint> points;  // at most 12
    uint8_t sustain = 0;
    uint8_t loopStart = 0;
    uint8_t loopEnd = 0;
    uint8_t type = 0;  // bit 0 on, bit 1 sustain, bit 2 loop
};

struct InstrumentRecord {
    std::vector<SampleHeaderRecord> samples;
    uint8_t noteMap[kNotes] = {};
    EnvelopeRecord volume;
    EnvelopeRecord panning;
    uint8_t vibratoType = 0;
    uint8_t vibratoSweep = 0;
    uint8_t vibratoDepth = 0;
    uint8_t vibratoRate = 0;
    uint16_t fadeout = 0;
    uint32_t headerSize = 263;  // the usual instrument header size
};

struct SongLayout {
    std::vector<uint8_t> orders;
    int16_t restartPosition = 0;
    int16_t channels = 18;
    int16_t patterns = 1;
    int16_t flags = 1;  // linear frequency table
    int16_t defaultSpeed = 6;
    int16_t defaultTempo = 125;
    std::vector<InstrumentRecord> instruments;
};

std::vector<uint8_t> writeSongImage(const SongLayout& song);

struct Cell {
    uint8_t note = 0;  // 1..96, 97 key off
    uint8_t instrument = 0;
    uint8_t volume = 0;
    uint8_t effect = 0;
    uint8_t parameter = 0;
};

// Five planes of patterns x 1152 bytes each.
constexpr size_t kPlanePatternStride = 1152;  // 18 channels x 64 rows
constexpr size_t kPlaneChannelStride = 64;

class PatternPlaneWriter {
public:
    explicit PatternPlaneWriter(int patterns);
    void set(int pattern, int row, int channel, const Cell& cell);
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    size_t planeSize_;
    std::vector<uint8_t> bytes_;
};

// Header-only, so content can author songs without linking the engine.
namespace song_writer_detail {

inline void put16(std::vector<uint8_t>& out, int v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void putEnvelopePoints(std::vector<uint8_t>& out, const EnvelopeRecord& e) {
    for (int k = 0; k < kMaxEnvelopePoints; ++k) {
        const EnvelopePoint p = k < int(e.points.size()) ? e.points[size_t(k)] : EnvelopePoint{};
        put16(out, p.x);
        put16(out, p.y);
    }
}

}  // namespace song_writer_detail

inline std::vector<uint8_t> writeSongImage(const SongLayout& song) {
    using namespace song_writer_detail;
    std::vector<uint8_t> out(60, 0);
    put32(out, 276);
    put16(out, int(song.orders.size()));
    put16(out, song.restartPosition);
    put16(out, song.channels);
    put16(out, song.patterns);
    put16(out, int(song.instruments.size()));
    put16(out, song.flags);
    put16(out, song.defaultSpeed);
    put16(out, song.defaultTempo);
    for (size_t i = 0; i < 256; ++i) out.push_back(i < song.orders.size() ? song.orders[i] : 0);
    for (const InstrumentRecord& in : song.instruments) {
        const size_t start = out.size();
        put32(out, in.headerSize);
        out.insert(out.end(), 23, 0);  // name and type
        put16(out, int(in.samples.size()));
        if (in.samples.empty()) continue;
        put32(out, 40);
        out.insert(out.end(), in.noteMap, in.noteMap + kNotes);
        putEnvelopePoints(out, in.volume);
        putEnvelopePoints(out, in.panning);
        out.push_back(static_cast<uint8_t>(in.volume.points.size()));
        out.push_back(static_cast<uint8_t>(in.panning.points.size()));
        out.push_back(in.volume.sustain);
        out.push_back(in.volume.loopStart);
        out.push_back(in.volume.loopEnd);
        out.push_back(in.panning.sustain);
        out.push_back(in.panning.loopStart);
        out.push_back(in.panning.loopEnd);
        out.push_back(in.volume.type);
        out.push_back(in.panning.type);
        out.push_back(in.vibratoType);
        out.push_back(in.vibratoSweep);
        out.push_back(in.vibratoDepth);
        out.push_back(in.vibratoRate);
        put16(out, in.fadeout);
        // A header size below the fields' 241 bytes still gets the fields.
        out.resize(std::max(out.size(), start + in.headerSize), 0);
        for (const SampleHeaderRecord& s : in.samples) {
            put32(out, s.length);
            put32(out, s.loopStart);
            put32(out, s.loopLength);
            out.push_back(s.volume);
            out.push_back(static_cast<uint8_t>(s.finetune));
            out.push_back(s.type);
            out.push_back(s.panning);
            out.push_back(static_cast<uint8_t>(s.relativeNote));
            out.insert(out.end(), 23, 0);  // reserved and name
        }
    }
    return out;
}

inline PatternPlaneWriter::PatternPlaneWriter(int patterns)
    : planeSize_(size_t(patterns) * kPlanePatternStride), bytes_(planeSize_ * 5, 0) {}

inline void PatternPlaneWriter::set(int pattern, int row, int channel, const Cell& cell) {
    const size_t at = size_t(pattern) * kPlanePatternStride + size_t(channel) * kPlaneChannelStride + size_t(row);
    const uint8_t b[5] = {cell.note, cell.instrument, cell.volume, cell.effect, cell.parameter};
    for (size_t k = 0; k < 5; ++k) bytes_[k * planeSize_ + at] = b[k];
}

}  // namespace lumen
