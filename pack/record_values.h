// Stored record fields as the values built content holds: packed floats,
// matrices and id lists. Shared by the section builders.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "mesh/math3d.h"
#include "pack/pack_model.h"
#include "pack/reader.h"

namespace lumen {

inline float floatOf(PackedFloatBits value, int width) { return packedFloatFromBits(value.bits, width); }

// The identity with its first three rows replaced by the twelve stored floats;
// row 3 stays (0, 0, 0, 1).
inline Matrix4 matrixOf(const std::array<PackedFloatBits, 12>& elements, int width) {
    Matrix4 m;
    for (int i = 0; i < 12; ++i) m.m[i] = floatOf(elements[static_cast<std::size_t>(i)], width);
    m.m[15] = 1.0f;
    return m;
}

// An id list as the loader links it: each value put in front of the previous
// ones, so the result holds the ids in reverse stream order.
inline std::vector<int32_t> idListValues(const IdListRecord& list) {
    return std::vector<int32_t>(list.ids.rbegin(), list.ids.rend());
}

}  // namespace lumen
