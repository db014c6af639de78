// The format's view of the texture operations: for each code its name and what
// every record byte means to it. Built from the rows of texture_op_rows.h;
// free of GL and of the operations themselves, so the pack tools link it alone.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

namespace lumen {

// Index limits of the record bytes, checked before an operation runs.
inline constexpr int kOpLayerCount = 4;
inline constexpr int kOpChannelCount = 4;
inline constexpr int kOpFontCount = 8;
inline constexpr int kOpTextSlotCount = 100;

// What a record byte is to its operation.
enum class OpByteRole : uint8_t {
    Spare,             // ignored by the operation; kept only so the bytes survive
    Value,             // a plain parameter 0..255
    Layer,             // a layer index
    Channel,           // a channel index
    ChannelIfModeSet,  // a channel index when byte 2 is non-zero (RadialSpot)
    Font,              // an index into the font table
    TextSlot,          // a text slot index
};

struct OpByte {
    const char* name = nullptr;  // the source form's name for the byte
    OpByteRole role = OpByteRole::Spare;
};

// Bytes 1..8 of the record are params[0..7]; byte 1 is always the target layer.
struct TextureOpInfo {
    uint8_t code = 0;
    const char* name = nullptr;
    OpByte params[8];
};

// Every known operation, in code order.
std::span<const TextureOpInfo> textureOpTable();
// The row of a code or name, or null for one that does nothing.
const TextureOpInfo* findTextureOp(int code);
const TextureOpInfo* findTextureOp(std::string_view name);
// The byte names of an unknown code: the target layer and seven spares.
const TextureOpInfo& unknownTextureOp();

// True when every index byte of the 9-byte record lies in range for its role.
bool textureOpIndicesValid(const TextureOpInfo& info, const uint8_t* record);

}  // namespace lumen
