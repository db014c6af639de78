// Names of the source form: operations, object types, light and event kinds,
// blend factors and deformer modes, each by the name its record uses.
#include <charconv>
#include <cmath>
#include <cstdio>

#include "pack/pack_record_tables.h"
#include "pack/pack_source.h"
#include "pack/reader.h"
#include "texgen/texture_op_table.h"

namespace lumen {

std::string_view textureOpName(int code) {
    const TextureOpInfo* info = findTextureOp(code);
    return info ? info->name : std::string_view{};
}

std::string_view objectTypeName(int type) {
    const ObjectTypeInfo* info = findObjectType(type);
    return info && info->name ? info->name : std::string_view{};
}

std::string_view lightKindName(int kind) {
    switch (kind) {
        case kLightDirectional: return "directional";
        case kLightPoint: return "point";
        case kLightSpot: return "spot";
        default: return {};
    }
}

std::string_view eventKindName(int kind) {
    const EventKindInfo* info = findEventKind(kind);
    return info ? info->name : std::string_view{};
}

std::string_view blendCodeName(int code) {
    switch (code) {
        case kBlendZero: return "ZERO";
        case kBlendOne: return "ONE";
        case kBlendSrcColor: return "SRC_COLOR";
        case kBlendOneMinusSrcColor: return "ONE_MINUS_SRC_COLOR";
        case kBlendSrcAlpha: return "SRC_ALPHA";
        case kBlendOneMinusSrcAlpha: return "ONE_MINUS_SRC_ALPHA";
        case kBlendDstAlpha: return "DST_ALPHA";
        case kBlendOneMinusDstAlpha: return "ONE_MINUS_DST_ALPHA";
        case kBlendDstColor: return "DST_COLOR";
        case kBlendOneMinusDstColor: return "ONE_MINUS_DST_COLOR";
        case kBlendSrcAlphaSaturate: return "SRC_ALPHA_SATURATE";
        default: return {};
    }
}

std::string_view deformModeName(int mode) {
    switch (mode) {
        case kDeformMove: return "move";
        case kDeformScale: return "scale";
        case kDeformRotate: return "rotate";
        default: return {};
    }
}

std::string formatPackedFloat(PackedFloatBits value, int width) {
    float f = packedFloatFromBits(value.bits, width);
    if (!std::isfinite(f)) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%0*X", 2 * width, value.bits);
        return buf;
    }
    char buf[32];
    auto result = std::to_chars(buf, buf + sizeof buf, f);
    return std::string(buf, result.ptr);
}

}  // namespace lumen
