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

constexpr uint8_t kKeyOffNote = 97;
constexpr uint8_t kPackedFlag = 0x80;  // a cell's first byte: which fields follow
namespace packed {
enum : uint8_t { Note = 1, Instrument = 2, Volume = 4, Effect = 8, Parameter = 16 };
}
namespace sampletype {
enum : uint8_t { NoLoop = 0, ForwardLoop = 1, PingPongLoop = 2, SixteenBit = 16 };
}
constexpr int kPanCentreEnvelope = 32;
constexpr int kPanEnvelopeMax = 64;
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
// when the data ends early or has bytes left over.
std::vector<XmCell> unpackXmPattern(std::span<const uint8_t> data, size_t count);

}  // namespace lumen
