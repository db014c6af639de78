// Loading of the song image, its pattern planes and its generated samples.
// The data comes from files too, so every count, index and size is checked
// where the stored song would simply be trusted.
#include "synth/song_loader.h"

#include <algorithm>
#include <string>

#include "synth/memory_reader.h"
#include "synth/sequencer.h"
#include "synth/song_data_error.h"

namespace lumen {

PatternPlanes PatternPlanes::fromBytes(std::span<const uint8_t> bytes) {
    if (bytes.size() % 5 != 0)
        throw SongDataError(
            "pattern planes", bytes.size(),
            "five planes of equal size, but the length " + std::to_string(bytes.size()) + " is not a multiple of 5");
    return PatternPlanes{bytes, bytes.size() / 5};
}

void PatternPlanes::cell(int pattern, int row, int channel, uint8_t out[5]) const {
    const size_t at = size_t(pattern) * kPatternStride + size_t(channel) * kChannelStride + size_t(row);
    for (size_t k = 0; k < 5; ++k) out[k] = bytes[k * planeSize + at];
}

namespace {

// Bytes skipped over: an instrument's name and type, a sample's reserved byte and name.
constexpr long kInstrumentNameAndType = 23;
constexpr long kSampleReservedAndName = 23;

int16_t s16(const uint8_t* p) { return static_cast<int16_t>(p[0] | p[1] << 8); }
uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

[[noreturn]] void imageError(size_t offset, const std::string& expected) {
    throw SongDataError("song image", offset, expected);
}

void readHeader(MemoryReader& reader, SongHeader& h) {
    uint8_t raw[kHeaderBytes];
    reader.read(raw, sizeof raw, "the module header");
    h.songLength = s16(raw + 0);
    h.restartPosition = s16(raw + 2);
    h.channels = s16(raw + 4);
    h.patterns = s16(raw + 6);
    h.instruments = s16(raw + 8);
    h.flags = s16(raw + 10);
    h.defaultSpeed = s16(raw + 12);
    h.defaultTempo = s16(raw + 14);
    std::copy(raw + 16, raw + kHeaderBytes, h.orderTable);

    if (h.songLength < 1 || h.songLength > 256)
        imageError(64, "a song length from 1 to 256, got " + std::to_string(h.songLength));
    if (h.channels < 1 || h.channels > kMaxSongChannels)
        imageError(68, "a channel count from 1 to " + std::to_string(kMaxSongChannels) + ", got " +
                           std::to_string(h.channels));
    if (h.patterns < 1) imageError(70, "a pattern count of 1 or more, got " + std::to_string(h.patterns));
    if (h.instruments < 0) imageError(72, "an instrument count of 0 or more, got " + std::to_string(h.instruments));
    if (h.defaultTempo < 1) imageError(78, "a default tempo of 1 or more, got " + std::to_string(h.defaultTempo));
    for (int i = 0; i < h.songLength; ++i)
        if (h.orderTable[i] >= h.patterns)
            imageError(80 + size_t(i), "a pattern number below " + std::to_string(h.patterns) + " in order entry " +
                                           std::to_string(i) + ", got " + std::to_string(h.orderTable[i]));
    // A restart position outside the order list would play a pattern that is
    // not there: start again from the top instead.
    if (h.restartPosition < 0 || h.restartPosition >= h.songLength) h.restartPosition = 0;
}

void readPatterns(Song& song, const PatternPlanes& planes) {
    const SongHeader& h = song.header;
    const size_t lastCell =
        size_t(h.patterns - 1) * kPatternStride + size_t(h.channels - 1) * kChannelStride + (kRowsPerPattern - 1);
    if (lastCell >= planes.planeSize)
        throw SongDataError("pattern planes", planes.bytes.size(),
                            "planes of at least " + std::to_string(lastCell + 1) + " bytes each for " +
                                std::to_string(h.patterns) + " patterns of " + std::to_string(h.channels) +
                                " channels, got " + std::to_string(planes.planeSize));
    song.patterns.resize(size_t(h.patterns));
    for (int p = 0; p < h.patterns; ++p) {
        Pattern& pattern = song.patterns[size_t(p)];
        pattern.rowCount = kRowsPerPattern;
        pattern.cells.assign(size_t(h.channels) * kRowsPerPattern * 5, 0);
        for (int r = 0; r < kRowsPerPattern; ++r) {
            for (int ch = 0; ch < h.channels; ++ch) {
                uint8_t* cell = &pattern.cells[(size_t(r) * size_t(h.channels) + size_t(ch)) * 5];
                planes.cell(p, r, ch, cell);
                if (cell[0] == note::KeyOffStored) cell[0] = note::KeyOff;
                if (cell[1] > kLastInstrumentNumber) cell[1] = 0;
            }
        }
    }
}

void readEnvelope(const uint8_t* raw, EnvelopePoint* points) {
    for (int k = 0; k < kMaxEnvelopePoints; ++k) {
        points[k].x = u16(raw + 4 * k);
        // Values above 64 are outside the envelope's range; the slope
        // arithmetic would overflow on them.
        points[k].y = std::min<uint16_t>(u16(raw + 4 * k + 2), 64);
    }
}

void readInstrumentHeader(MemoryReader& reader, Instrument& in, size_t start) {
    uint8_t sampleHeaderSize[4];
    reader.read(sampleHeaderSize, 4, "the sample header size");
    reader.read(in.noteMap, kNotes, "the note-to-sample map");
    uint8_t envelope[48];
    reader.read(envelope, 48, "the volume envelope");
    readEnvelope(envelope, in.volumeEnvelope);
    reader.read(envelope, 48, "the panning envelope");
    readEnvelope(envelope, in.panningEnvelope);
    uint8_t b[16];
    reader.read(b, 16, "the envelope and vibrato settings");
    // Only 12 points exist; a larger count would step the envelope off its table.
    in.volumePointCount = std::min<uint8_t>(b[0], kMaxEnvelopePoints);
    in.panningPointCount = std::min<uint8_t>(b[1], kMaxEnvelopePoints);
    in.volumeSustain = b[2];
    in.volumeLoopStart = b[3];
    in.volumeLoopEnd = b[4];
    in.panningSustain = b[5];
    in.panningLoopStart = b[6];
    in.panningLoopEnd = b[7];
    in.volumeType = b[8];
    in.panningType = b[9];
    in.vibratoType = b[10];
    in.vibratoSweep = b[11];
    in.vibratoDepth = b[12];
    in.vibratoRate = b[13];
    in.fadeout = u16(b + 14) * 2;
    if (in.volumePointCount < 2) in.volumeType = 0;
    if (in.panningPointCount < 2) in.panningType = 0;
    (void)start;
}

// totalLength counts the sample slots of the song so far, this one included.
void readSampleHeader(MemoryReader& reader, Sample& s, uint64_t& totalLength, uint64_t maxTotalLength) {
    const size_t at = reader.tell();
    uint8_t b[14];
    reader.read(b, 14, "a sample header");
    s.length = u32(b);
    s.loopStart = u32(b + 4);
    s.loopLength = u32(b + 8);
    s.volume = b[12];
    s.finetune = static_cast<int8_t>(b[13]);
    s.loopMode = kLoopNone;
    s.bits = 8;
    uint8_t type = 0;
    reader.read(&type, 1, "a sample type");
    if (type & sampletype::ForwardLoop) s.loopMode = kLoopForward;
    if (type & sampletype::PingPongLoop) s.loopMode = kLoopPingPong;
    if (s.length > kMaxSampleLength)
        imageError(
            at, "a sample length of at most " + std::to_string(kMaxSampleLength) + ", got " + std::to_string(s.length));
    totalLength += s.length;
    if (totalLength > maxTotalLength)
        imageError(at, "at most " + std::to_string(maxTotalLength) + " sample slots in all samples, got " +
                           std::to_string(totalLength) + " up to this sample");
    if (s.loopMode == kLoopNone) {
        s.loopStart = 0;
        s.loopLength = s.length;
    }
    // A loop reaching past the sample would be played from outside its data:
    // cut it at the end of the sample (or drop it if it starts beyond).
    if (s.loopMode != kLoopNone) {
        if (s.loopStart >= s.length) {
            s.loopLength = 0;
        } else if (uint64_t(s.loopStart) + s.loopLength > s.length) {
            s.loopLength = s.length - s.loopStart;
        }
    }
    if (s.loopLength == 0) {
        s.loopStart = 0;
        s.loopLength = s.length;
        s.loopMode = kLoopNone;
    }
    uint8_t panning = 0;
    reader.read(&panning, 1, "a sample panning");
    s.panning = panning;
    uint8_t relativeNote = 0;
    reader.read(&relativeNote, 1, "a sample relative note");
    s.relativeNote = static_cast<int8_t>(relativeNote);
    reader.seek(kSampleReservedAndName, MemoryReader::kSeekCurrent);
    s.storage.assign(Sample::kGuardEntries + s.length + 8, 0);
    s.data = s.storage.data() + Sample::kGuardEntries;
}

void generateSample(Sample& s, SampleGenerator& generator, int instrument, int sampleIndex,
                    std::vector<int8_t>& temporary) {
    temporary.assign(size_t(s.length) * 2 + 16, 0);
    generator.generate(temporary.data(), int(s.bits * s.length / 8), s.bits, instrument, sampleIndex);
    int16_t* data = s.storage.data() + Sample::kGuardEntries;
    for (uint32_t k = 0; k < s.length; ++k) data[k] = static_cast<int16_t>(temporary[k] * 256);
    s.bits = 16;
    if (s.loopMode == kLoopPingPong) data[s.loopEnd()] = data[s.loopEnd() - 1];
    if (s.loopMode == kLoopForward) data[s.loopEnd()] = data[s.loopStart];
}

}  // namespace

void loadSong(ModulePlayer& player, std::span<const uint8_t> image, const PatternPlanes& planes,
              SampleGenerator& generator, uint64_t maxTotalSampleLength) {
    Song& song = player.song;
    song = Song{};
    song.defaultGlobalVolume = 64;
    MemoryReader reader(image);
    readHeader(reader, song.header);
    reader.seek(kFirstInstrumentOffset, MemoryReader::kSeekSet);
    readPatterns(song, planes);

    song.instruments.resize(size_t(song.header.instruments));
    uint64_t totalLength = 0;
    for (int i = 0; i < song.header.instruments; ++i) {
        Instrument& in = song.instruments[size_t(i)];
        const size_t start = reader.tell();
        uint8_t b[4];
        reader.read(b, 4, "an instrument header size");
        const size_t end = start + u32(b);
        reader.seek(kInstrumentNameAndType, MemoryReader::kSeekCurrent);
        reader.read(b, 2, "an instrument's sample count");
        in.sampleCount = u16(b);
        if (in.sampleCount > kMaxSamplesPerInstrument)
            imageError(start + 27, "at most " + std::to_string(kMaxSamplesPerInstrument) + " samples, got " +
                                       std::to_string(in.sampleCount));
        if (in.sampleCount != 0) {
            readInstrumentHeader(reader, in, start);
            reader.seek(long(end), MemoryReader::kSeekSet);
        }
        for (int j = 0; j < in.sampleCount; ++j) {
            song.sampleStore.push_back(std::make_unique<Sample>());
            in.samples[j] = song.sampleStore.back().get();
            readSampleHeader(reader, *in.samples[j], totalLength, maxTotalSampleLength);
        }
        if (in.sampleCount != 0 && size_t(i) >= generator.definitions().size())
            throw SongDataError("definitions", 0,
                                "a definition for instrument " + std::to_string(i + 1) + ", but there are only " +
                                    std::to_string(generator.definitions().size()));
        std::vector<int8_t> temporary;
        for (int j = 0; j < in.sampleCount; ++j) generateSample(*in.samples[j], generator, i, j, temporary);
    }
}

}  // namespace lumen
