// Writing songs in the stored layouts: the song image (header, order table,
// instrument and sample headers) and the five pattern planes. Used to author
// the built-in song and by tools and tests that make songs of their own.
#pragma once
#include <cstdint>
#include <vector>

#include "synth/song.h"

namespace lumen {

struct SampleHeaderSpec {
    uint32_t length = 0;
    uint32_t loopStart = 0;
    uint32_t loopLength = 0;
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t type = 0;  // bit 0 forward loop, bit 1 ping-pong
    uint8_t panning = 128;
    int8_t relativeNote = 0;
};

struct EnvelopeSpec {
    std::vector<EnvelopePoint> points;  // at most 12
    uint8_t sustain = 0;
    uint8_t loopStart = 0;
    uint8_t loopEnd = 0;
    uint8_t type = 0;  // bit 0 on, bit 1 sustain, bit 2 loop
};

struct InstrumentSpec {
    std::vector<SampleHeaderSpec> samples;
    uint8_t noteMap[kNotes] = {};
    EnvelopeSpec volume;
    EnvelopeSpec panning;
    uint8_t vibratoType = 0;
    uint8_t vibratoSweep = 0;
    uint8_t vibratoDepth = 0;
    uint8_t vibratoRate = 0;
    uint16_t fadeout = 0;
    uint32_t headerSize = 263;  // the usual instrument header size
};

struct SongSpec {
    std::vector<uint8_t> orders;
    int16_t restartPosition = 0;
    int16_t channels = 18;
    int16_t patterns = 1;
    int16_t flags = 1;  // linear frequency table
    int16_t defaultSpeed = 6;
    int16_t defaultTempo = 125;
    std::vector<InstrumentSpec> instruments;
};

std::vector<uint8_t> writeSongImage(const SongSpec& song);

struct Cell {
    uint8_t note = 0;  // 1..96, 97 key off
    uint8_t instrument = 0;
    uint8_t volume = 0;
    uint8_t effect = 0;
    uint8_t parameter = 0;
};

// Five planes of patterns x 1152 bytes each.
class PatternPlaneWriter {
public:
    explicit PatternPlaneWriter(int patterns);
    void set(int pattern, int row, int channel, const Cell& cell);
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    size_t planeSize_;
    std::vector<uint8_t> bytes_;
};

}  // namespace lumen
