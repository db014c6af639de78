// Comparison helpers shared by the mesh tests.
#pragma once
#include <gtest/gtest.h>

#include "mesh/math3d.h"

namespace lumen::testing {

inline ::testing::AssertionResult matrixNear(const Matrix4& a, const Matrix4& b, float tolerance) {
    for (int i = 0; i < 16; ++i) {
        float d = a[i] - b[i];
        if (d > tolerance || d < -tolerance)
            return ::testing::AssertionFailure()
                   << "element " << i << ": " << a[i] << " vs " << b[i];
    }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult vectorNear(Vector3 a, Vector3 b, float tolerance) {
    float d[3] = {a.x - b.x, a.y - b.y, a.z - b.z};
    for (float v : d)
        if (v > tolerance || v < -tolerance)
            return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z
                                                 << ") vs (" << b.x << ", " << b.y << ", " << b.z
                                                 << ")";
    return ::testing::AssertionSuccess();
}

}  // namespace lumen::testing
