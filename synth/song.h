// The in-memory song: patterns, instruments and samples as the loader builds
// them, and the header fields the sequencer plays from.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "synth/song_codes.h"

namespace lumen {

struct Sample {
    // Signed 16-bit samples: length + 8 entries, zero beyond the generated
    // part. A few zero entries also sit in front of data[0], so that a
    // ping-pong reflection landing just before a loop starting at 0 reads
    // silence instead of memory that is not ours.
    const int16_t* data = nullptr;
    uint32_t length = 0;
    uint32_t loopStart = 0;
    uint32_t loopLength = 0;
    uint8_t volume = 0;
    int8_t finetune = 0;
    int panning = 0;
    uint8_t bits = 0;
    uint8_t loopMode = 0;  // a LoopMode; 0 only in the empty sample
    int8_t relativeNote = 0;

    std::vector<int16_t> storage;
    static constexpr size_t kGuardEntries = 8;

    uint32_t loopEnd() const { return loopStart + loopLength; }
};

struct EnvelopePoint {
    uint16_t x = 0;
    uint16_t y = 0;
};

constexpr int kMaxEnvelopePoints = 12;
constexpr int kMaxSamplesPerInstrument = 16;
constexpr int kNotes = 96;

struct Instrument {
    int sampleCount = 0;
    Sample* samples[kMaxSamplesPerInstrument] = {};
    uint8_t noteMap[kNotes] = {};
    EnvelopePoint volumeEnvelope[kMaxEnvelopePoints];
    EnvelopePoint panningEnvelope[kMaxEnvelopePoints];
    uint8_t volumePointCount = 0;
    uint8_t panningPointCount = 0;
    uint8_t volumeSustain = 0;
    uint8_t volumeLoopStart = 0;
    uint8_t volumeLoopEnd = 0;
    uint8_t panningSustain = 0;
    uint8_t panningLoopStart = 0;
    uint8_t panningLoopEnd = 0;
    uint8_t volumeType = 0;  // envflag bits
    uint8_t panningType = 0;
    uint8_t vibratoType = 0;
    uint8_t vibratoSweep = 0;
    uint8_t vibratoDepth = 0;
    uint8_t vibratoRate = 0;
    // Stored doubled; an int so that doubling a large stored value cannot wrap.
    int fadeout = 0;
};

constexpr int kRowsPerPattern = 64;

struct Pattern {
    int rowCount = kRowsPerPattern;
    std::vector<uint8_t> cells;  // 5 bytes per cell, row by row, channel by channel
};

struct SongHeader {
    int16_t songLength = 0;
    int16_t restartPosition = 0;
    int16_t channels = 0;
    int16_t patterns = 0;
    int16_t instruments = 0;
    int16_t flags = 0;  // songflag bits
    int16_t defaultSpeed = 0;
    int16_t defaultTempo = 0;
    uint8_t orderTable[256] = {};
};

constexpr int kHeaderBytes = 272;
constexpr int kFirstInstrumentOffset = 336;

struct Song {
    SongHeader header;
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
    std::vector<std::unique_ptr<Sample>> sampleStore;
    uint8_t defaultGlobalVolume = 0;

    // Stand-ins for an instrument number beyond the last instrument and for a
    // note whose map entry names no sample.
    Instrument emptyInstrument;
    Sample emptySample;
};

}  // namespace lumen
