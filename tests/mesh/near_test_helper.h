// Tolerant comparisons of vectors and matrices for the mesh and scene tests.
#pragma once
#include <gtest/gtest.h>

#include <cmath>

#include "mesh/math3d.h"

namespace lumen {

inline ::testing::AssertionResult near(const float* a, const float* b, int n, float tolerance) {
    for (int i = 0; i < n; ++i)
        if (std::fabs(a[i] - b[i]) > tolerance)
            return ::testing::AssertionFailure() << "element " << i << ": " << a[i] << " vs " << b[i];
    return ::testing::AssertionSuccess();
}
inline ::testing::AssertionResult near(const Matrix4& a, const Matrix4& b, float t) { return near(a.m, b.m, 16, t); }
inline ::testing::AssertionResult near(Vector3 a, Vector3 b, float tolerance = 1e-6f) {
    return near(&a.x, &b.x, 3, tolerance)
           << ": (" << a.x << ", " << a.y << ", " << a.z << ") vs (" << b.x << ", " << b.y << ", " << b.z << ")";
}

}  // namespace lumen
