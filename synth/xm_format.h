// The Extended Module (XM) file layout that the song's stored form descends
// from: its header, pattern, instrument and sample header sizes and the packed
// pattern cells, shared by the exporter and by anything that reads XM back.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace lumen {

namespace xm {
constexpr char kIdText[] = "Extended Module: ";  // 17 bytes, no terminator written
constexpr size_t kIdBytes = 17;
constexpr size_t kNameBytes = 20;
constexpr uint8_t kNameEnd = 0x1A;
constexpr uint16_t kVersion = 0x0104;
constexpr uint32_t kHeaderSize = 276;  // counted from its own offset, 60
constexpr size_t kHeaderSizeOffset = 60;
constexpr size_t kOrderTableBytes = 256;
constexpr int kMaxChannels = 32;
constexpr int kMaxInstruments = 128;
constexpr int kMaxRows = 256;

constexpr uint32_t kPatternHeaderSize = 9;
constexpr uint8_t kPackingType = 0;

constexpr uint32_t kInstrumentHeaderSize = 263;      // with samples
constexpr uint32_t kEmptyInstrumentHeaderSize = 29;  // size, name, type, sample count
constexpr uint32_t kSampleHeaderSize = 40;
constexpr size_t kInstrumentNameBytes = 22;
constexpr size_t kSampleNameBytes = 22;

// Where the module header's fields sit, from the start of the file.
namespace headerfield {
constexpr size_t Version = 58, SongLength = 64, RestartPosition = 66, Channels = 68, Patterns = 70, Instruments = 72,
                 Flags = 74, Speed = 76, Tempo = 78, OrderTable = 80;
constexpr size_t TrackerName = 38;
}  // namespace headerfield
constexpr size_t kModuleNameOffset = kIdBytes;
// A pattern header: its size, packing type, row count and packed data size.
namespace patternfield {
constexpr size_t PackingType = 4, Rows = 5, PackedSize = 7;
}
// Where an instrument header's fields sit, from the instrument's start.
namespace instrumentfield {
constexpr size_t Name = 4, SampleCount = 27, SampleHeaderSize = 29, NoteMap = 33, VolumeEnvelope = 129,
                 PanningEnvelope = 177, VolumePointCount = 225, PanningPointCount = 226, VolumeSustain = 227,
                 VolumeLoopStart = 228, VolumeLoopEnd = 229, PanningSustain = 230, PanningLoopStart = 231,
                 PanningLoopEnd = 232, VolumeType = 233, PanningType = 234, VibratoType = 235, VibratoSweep = 236,
                 VibratoDepth = 237, VibratoRate = 238, Fadeout = 239;
constexpr size_t End = 241;  // the fields' end; the usual header pads on to kInstrumentHeaderSize
}  // namespace instrumentfield
// Where a sample header's fields sit, from the header's start.
namespace samplefield {
constexpr size_t Length = 0, LoopStart = 4, LoopLength = 8, Volume = 12, Finetune = 13, Type = 14, Panning = 15,
                 RelativeNote = 16, Name = 18;
}
constexpr size_t kEnvelopePointBytes = 4;  // tick and value, 16 bits each
constexpr int kMaxSampleVolume = 64;
constexpr int kMaxTempo = 255;

constexpr uint8_t kKeyOffNote = 97;
constexpr uint8_t kPackedFlag = 0x80;  // a cell's first byte: which fields follow
namespace packed {
enum : uint8_t { Note = 1, Instrument = 2, Volume = 4, Effect = 8, Parameter = 16 };
}
namespace sampletype {
enum : uint8_t { NoLoop = 0, ForwardLoop = 1, PingPongLoop = 2, LoopBits = 3, SixteenBit = 16 };
}
constexpr int kPanCentreEnvelope = 32;
constexpr int kPanEnvelopeMax = 64;
constexpr int kEnvelopeValueMax = kPanEnvelopeMax;  // volume envelopes share the range
}  // namespace xm

struct XmCell {
    uint8_t note = 0;
    uint8_t instrument = 0;
    uint8_t volume = 0;
    uint8_t effect = 0;
    uint8_t parameter = 0;
    bool operator==(const XmCell&) const = default;
};

struct XmFormatError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Packs rows x channels cells (row by row); empty fields are left out.
std::vector<uint8_t> packXmPattern(std::span<const XmCell> cells);
// Unpacks exactly `count` cells; throws XmFormatError naming the byte offset
// when the data ends early or has bytes left over. firstByte is the data's
// offset in its file, so that messages and cellOffsets (when given: where each
// cell starts) name bytes of the file.
std::vector<XmCell> unpackXmPattern(std::span<const uint8_t> data, size_t count, size_t firstByte = 0,
                                    std::vector<size_t>* cellOffsets = nullptr);

}  // namespace lumen
