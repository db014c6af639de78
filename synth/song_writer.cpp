// Serialisation of songs into the stored layouts.
#include "synth/song_writer.h"

#include <algorithm>
#include <cstring>

#include "synth/song_loader.h"

namespace lumen {

namespace {

void put16(std::vector<uint8_t>& out, int v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void putEnvelopePoints(std::vector<uint8_t>& out, const EnvelopeSpec& e) {
    for (int k = 0; k < kMaxEnvelopePoints; ++k) {
        const EnvelopePoint p = k < int(e.points.size()) ? e.points[size_t(k)] : EnvelopePoint{};
        put16(out, p.x);
        put16(out, p.y);
    }
}

}  // namespace

std::vector<uint8_t> writeSongImage(const SongSpec& song) {
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
    for (const InstrumentSpec& in : song.instruments) {
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
        for (const SampleHeaderSpec& s : in.samples) {
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

PatternPlaneWriter::PatternPlaneWriter(int patterns)
    : planeSize_(size_t(patterns) * kPatternStride), bytes_(planeSize_ * 5, 0) {}

void PatternPlaneWriter::set(int pattern, int row, int channel, const Cell& cell) {
    const size_t at = size_t(pattern) * kPatternStride + size_t(channel) * kChannelStride + size_t(row);
    const uint8_t b[5] = {cell.note, cell.instrument, cell.volume, cell.effect, cell.parameter};
    for (size_t k = 0; k < 5; ++k) bytes_[k * planeSize_ + at] = b[k];
}

}  // namespace lumen
