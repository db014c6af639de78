// Names of the source form: operations, object types, light and event kinds,
// blend factors and deformer modes, each by the name its record uses.
#include <charconv>
#include <cmath>
#include <cstdio>

#include "pack/pack_source.h"
#include "pack/reader.h"
#include "texgen/texture_op_table.h"

namespace lumen {

std::string_view textureOpName(int code) {
    const TextureOpInfo* info = findTextureOp(code);
    return info ? info->name : std::string_view{};
}

std::string_view objectTypeName(int type) {
    switch (type) {
        case kTypeCube: return "cube";
        case kTypeSphere: return "sphere";
        case kTypeCylinder: return "cylinder";
        case kTypeCone: return "cone";
        case kTypeArcPath: return "arcPath";
        case kTypeSweep: return "sweep";
        case kTypeLinePath: return "linePath";
        case kTypeGrid: return "grid";
        case kTypeMerge: return "merge";
        case kTypeDeformer: return "deformer";
        default: return {};
    }
}

std::string_view lightKindName(int kind) {
    switch (kind) {
        case 0: return "directional";
        case 1: return "point";
        case 2: return "spot";
        default: return {};
    }
}

std::string_view eventKindName(int kind) {
    switch (kind) {
        case 1: return "imageLayer";
        case 2: return "sceneView";
        case 3: return "clear";
        case 4: return "screenCapture";
        case 5: return "zoomFeedback";
        case 6: return "screenDistortion";
        default: return {};
    }
}

std::string_view blendCodeName(int code) {
    switch (code) {
        case 0: return "ZERO";
        case 1: return "ONE";
        case 2: return "SRC_COLOR";
        case 3: return "ONE_MINUS_SRC_COLOR";
        case 4: return "SRC_ALPHA";
        case 5: return "ONE_MINUS_SRC_ALPHA";
        case 6: return "DST_ALPHA";
        case 7: return "ONE_MINUS_DST_ALPHA";
        case 8: return "DST_COLOR";
        case 9: return "ONE_MINUS_DST_COLOR";
        case 10: return "SRC_ALPHA_SATURATE";
        default: return {};
    }
}

std::string_view deformModeName(int mode) {
    switch (mode) {
        case 0: return "move";
        case 1: return "scale";
        case 2: return "rotate";
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
