// Pack model: a pack's records exactly as stored, with nothing built from them.
// The readable source form is assembled into and disassembled from this model;
// `lumenkit pack info` and the round-trip tests walk packs with it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pack/pack_codes.h"

namespace lumen {

// A packed float as stored: the N bytes read as a little-endian integer.
struct PackedFloatBits {
    uint32_t bits = 0;
    bool operator==(const PackedFloatBits&) const = default;
};

// Where a record starts in the pack, so that building it can report errors at
// its byte offset. Not content: it compares equal always and is never written,
// so an assembled model still equals the one read back from its bytes.
struct RecordOffset {
    std::size_t at = 0;
    bool operator==(const RecordOffset&) const { return true; }
};

// An id list in stream order. `emptyCount` keeps the stored count of an empty
// list (0 or negative) so that the bytes come back unchanged.
struct IdListRecord {
    int16_t emptyCount = 0;
    std::vector<int16_t> ids;
    bool operator==(const IdListRecord&) const = default;
};

struct TextureOpRecord {
    std::array<uint8_t, 9> b{};
    std::vector<uint8_t> text;  // only for code 7 (the L bytes after the record)
    bool operator==(const TextureOpRecord&) const = default;
};

struct TextureProgramRecord {
    uint8_t id = 0;
    int8_t emptyCount = 0;  // the stored K when the program has no operations
    std::vector<TextureOpRecord> ops;
    bool operator==(const TextureProgramRecord&) const = default;
};

struct ImageRecord {
    uint8_t sourceTexture = 0;
    uint8_t sourceLayer = 0;
    std::array<uint8_t, 3> ignored{};
    uint8_t imageId = 0;
    bool operator==(const ImageRecord&) const = default;
};

struct LightRecord {
    uint8_t ignored = 0;
    uint8_t kind = 0;
    std::array<uint8_t, 3> ambient{};
    std::array<uint8_t, 3> diffuse{};
    std::array<PackedFloatBits, 3> position{};
    std::array<PackedFloatBits, 3> attenuation{};  // kind >= 1
    std::array<PackedFloatBits, 5> spot{};         // kind 2: direction x, y, z, exponent, cutoff
    bool operator==(const LightRecord&) const = default;
};

struct ObjectRecord {
    uint32_t flags = 0;
    int16_t id = 0;
    int16_t parentId = -1;
    uint8_t textureId = 0;                       // flags bit 10, or always for a deformer
    std::array<uint8_t, 4> color{};              // each by its flag bit
    uint8_t skipped = 0;                         // flags bit 15
    uint8_t texture2Id = 0;                      // flags bit 18
    std::array<uint8_t, 4> mapping{1, 1, 0, 0};  // mapScaleT, mapScaleS, mapOffsetT, mapOffsetS
    // Type parameters: byte fields a and b, int16 fields, type 6's extra byte,
    // floats (type 102's twelve, a deformer's x, y, z, w) and the id list.
    uint8_t byteA = 0;
    uint8_t byteB = 0;
    std::array<int16_t, 2> words{};
    uint8_t extra = 0;
    std::array<PackedFloatBits, 12> values{};
    IdListRecord list;
    std::array<PackedFloatBits, 12> matrix{};  // mesh types
    RecordOffset offset;
    int type() const { return static_cast<int>(flags & kObjectTypeMask); }
    bool operator==(const ObjectRecord&) const = default;
};

// One key of a camera (8 channels) or of an object track set (14 channels).
// `values` holds each channel as stored: packed-float bits, the int16 pattern
// of roll or angle, or the byte of fov or a colour. For later keys only the
// channels whose mask bit is set are stored; `mask` of a first key is unused.
enum KeyChannelKind : int { kKeyFloat, kKeyInt16, kKeyByte };
// How camera channel c (fov, roll, eye xyz, target xyz) and object channel c
// (position, axis, angle, scale, colour) are stored.
constexpr int cameraChannelKind(int c) { return c == 0 ? kKeyByte : c == 1 ? kKeyInt16 : kKeyFloat; }
constexpr int objectChannelKind(int c) { return c == 6 ? kKeyInt16 : c >= 10 ? kKeyByte : kKeyFloat; }

struct KeyRecord {
    int16_t time = 0;  // first key of an object track set: stored unsigned
    uint16_t mask = 0;
    std::array<uint32_t, 14> values{};
    bool operator==(const KeyRecord&) const = default;
};

struct CameraRecord {
    uint8_t id = 0;
    std::vector<KeyRecord> keys;
    bool operator==(const CameraRecord&) const = default;
};

struct ClipRecord {
    uint8_t id = 0;
    // One key list per animated object of the scene, in object order.
    std::vector<std::vector<KeyRecord>> trackSets;
    RecordOffset offset;
    bool operator==(const ClipRecord&) const = default;
};

struct SceneRecord {
    uint8_t id = 0;
    uint8_t fog = 0;
    std::array<uint8_t, 3> fogColor{};
    PackedFloatBits fogDensity;
    std::vector<LightRecord> lights;
    int16_t objectEmptyCount = 0;
    std::vector<ObjectRecord> objects;
    std::vector<CameraRecord> cameras;
    std::vector<ClipRecord> clips;
    bool operator==(const SceneRecord&) const = default;
};

struct EventRecord {
    uint8_t kind = 0;
    uint16_t start = 0;  // units of 10 ms
    uint16_t end = 0;
    uint8_t pass = 0;
    std::array<int16_t, 8> rect{};    // x1, y1, x2, y2 at the start, then at the end
    std::array<uint8_t, 8> colors{};  // RGBA at the start, then at the end
    std::array<uint8_t, 2> blend{};   // source, destination codes
    std::array<uint8_t, 3> bytes{};   // kind fields, in stream order
    std::array<int16_t, 4> words{};   // scene view times
    std::array<PackedFloatBits, 2> floats{};
    bool operator==(const EventRecord&) const = default;
};

// Where each section lies in the pack: [begin, end) byte offsets.
struct SectionRange {
    std::size_t begin = 0;
    std::size_t end = 0;
};

struct PackModel {
    uint8_t width = 2;
    int8_t textureEmptyCount = 0;
    std::vector<TextureProgramRecord> textures;
    int8_t imageEmptyCount = 0;
    std::vector<ImageRecord> images;
    std::vector<SceneRecord> scenes;
    int16_t eventEmptyCount = 0;
    std::vector<EventRecord> events;
    bool operator==(const PackModel& o) const {
        return width == o.width && textureEmptyCount == o.textureEmptyCount && textures == o.textures &&
               imageEmptyCount == o.imageEmptyCount && images == o.images && scenes == o.scenes &&
               eventEmptyCount == o.eventEmptyCount && events == o.events;
    }
    // Filled by readPackModel; not part of the content.
    SectionRange header, textureSection, imageSection, sceneSection, timelineSection;
};

// How much of a pack readPackModel walks: all of it, or the header and the
// texture section alone (whatever follows is neither read nor checked).
enum class PackScope { kWholePack, kTexturesOnly };

// Walks a binary pack into the model with the bounded reader. This is the only
// code that reads pack bytes; the loader builds from its result. Throws
// PackError (pack/reader.h) naming the section and offset when the bytes run
// out early or the header is not a float width 1..4; bytes after the timeline
// are an error.
PackModel readPackModel(std::span<const uint8_t> bytes, PackScope scope = PackScope::kWholePack);

// The binary pack of a model. Throws std::invalid_argument if a count does not
// fit its stored width or a clip's track sets do not match the scene's objects.
std::vector<uint8_t> encodePackModel(const PackModel& model);

}  // namespace lumen
