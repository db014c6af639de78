// The texture operation table, expanded from texture_op_rows.h without the
// functions: names and byte roles for the dispatcher's checks and the source form.
#include "texgen/texture_op_table.h"

#include "pack/pack_codes.h"
#include "texgen/texture_op_rows.h"

namespace lumen {

namespace {

using R = OpByteRole;
constexpr OpByte L(const char* n) { return {n, R::Layer}; }
constexpr OpByte C(const char* n) { return {n, R::Channel}; }
constexpr OpByte V(const char* n) { return {n, R::Value}; }
constexpr OpByte ModeChannel(const char* n) { return {n, R::ChannelIfModeSet}; }
constexpr OpByte Font(const char* n) { return {n, R::Font}; }
constexpr OpByte Slot(const char* n) { return {n, R::TextSlot}; }
// Spare bytes carry their record position so every byte keeps a unique name.
constexpr OpByte S2{"spare2", R::Spare}, S3{"spare3", R::Spare}, S4{"spare4", R::Spare}, S5{"spare5", R::Spare},
    S6{"spare6", R::Spare}, S7{"spare7", R::Spare}, S8{"spare8", R::Spare};
constexpr OpByte kLayer = L("layer");

#define LUMEN_OP_ROW(code, name, function, ...) {code, name, {__VA_ARGS__}},
constexpr TextureOpInfo kTable[] = {LUMEN_TEXTURE_OPS(LUMEN_OP_ROW)};
#undef LUMEN_OP_ROW
constexpr TextureOpInfo kUnknown = {0, nullptr, {kLayer, S2, S3, S4, S5, S6, S7, S8}};

struct ByCode {
    const TextureOpInfo* rows[256] = {};
    ByCode() {
        for (const auto& row : kTable) rows[row.code] = &row;
    }
};

}  // namespace

std::span<const TextureOpInfo> textureOpTable() { return kTable; }

const TextureOpInfo* findTextureOp(int code) {
    static const ByCode byCode;
    return code >= 0 && code < 256 ? byCode.rows[code] : nullptr;
}

const TextureOpInfo* findTextureOp(std::string_view name) {
    for (const auto& row : kTable) {
        if (name == row.name) return &row;
    }
    return nullptr;
}

const TextureOpInfo& unknownTextureOp() { return kUnknown; }

bool textureOpIndicesValid(const TextureOpInfo& info, const uint8_t* record) {
    for (int i = 0; i < 8; ++i) {
        const uint8_t v = record[i + 1];
        switch (info.params[i].role) {
            case R::Layer:
                if (v >= kOpLayerCount) return false;
                break;
            case R::Channel:
                if (v >= kOpChannelCount) return false;
                break;
            case R::ChannelIfModeSet:
                if (record[2] != 0 && v >= kOpChannelCount) return false;
                break;
            case R::Font:
                if (v >= kOpFontCount) return false;
                break;
            case R::TextSlot:
                if (v >= kOpTextSlotCount) return false;
                break;
            default: break;
        }
    }
    return true;
}

}  // namespace lumen
