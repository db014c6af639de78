#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "base/runtime_random.h"
#include "math_helpers.h"

namespace lumen {
namespace {

using testing::matrixNear;
using testing::vectorNear;

float uniform(RuntimeRandom& random, float lo, float hi) {
    return lo + (hi - lo) * float(random.rand()) / float(RuntimeRandom::kMax);
}

// A random placement: scale, then an axis-angle turn, then a translation.
Matrix4 randomAffine(RuntimeRandom& random) {
    Matrix4 s, r, t, m;
    scaling(uniform(random, 0.2f, 3), uniform(random, 0.2f, 3), uniform(random, 0.2f, 3), s);
    rotation(uniform(random, -1, 1), uniform(random, -1, 1), uniform(random, -1, 1),
             uniform(random, -6, 6), r);
    translation(uniform(random, -50, 50), uniform(random, -50, 50), uniform(random, -50, 50), t);
    multiply(t, r, m);
    multiply(m, s, m);
    return m;
}

TEST(MatrixMath, RotationTurnsCounterClockwiseAboutTheNormalisedAxis) {
    Matrix4 a, b;
    rotation(0, 0, 1, float(std::numbers::pi / 2), a);
    EXPECT_TRUE(vectorNear(transformPoint(a, 1, 0, 0), {0, 1, 0}, 1e-6f));
    rotation(1, 0, 0, float(std::numbers::pi / 2), a);
    EXPECT_TRUE(vectorNear(transformPoint(a, 0, 1, 0), {0, 0, 1}, 1e-6f));
    rotation(0, 0, 2, 1.3f, a);
    rotation(0, 0, 1, 1.3f, b);
    EXPECT_EQ(a, b);
    rotation(1, 2, -2, 0.7f, a);
    rotation(1.0f / 3, 2.0f / 3, -2.0f / 3, 0.7f, b);
    EXPECT_TRUE(matrixNear(a, b, 1e-6f));

    // A zero axis (normalised to exactly zero) leaves cos on the diagonal.
    EXPECT_EQ(normalize({0, 0, 0}), (Vector3{0, 0, 0}));
    rotation(0, 0, 0, 0.5f, a);
    const float c = float(std::cos(0.5));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(a[i], (i == 0 || i == 5 || i == 10) ? c : (i == 15 ? 1.0f : 0.0f)) << i;
}

TEST(MatrixMath, MultiplyAppliesTheRightOperandFirstAndMayWriteIntoEitherInput) {
    Matrix4 t, s, ts;
    translation(1, 2, 3, t);
    scaling(2, 2, 2, s);
    multiply(t, s, ts);
    EXPECT_EQ(transformPoint(ts, 1, 1, 1), (Vector3{3, 4, 5}));

    RuntimeRandom random(7);
    Matrix4 a = randomAffine(random), b = randomAffine(random), separate, square;
    multiply(a, b, separate);
    multiply(a, a, square);
    Matrix4 intoA = a, intoB = b, both = a;
    multiply(intoA, b, intoA);
    multiply(a, intoB, intoB);
    multiply(both, both, both);
    EXPECT_EQ(intoA, separate);
    EXPECT_EQ(intoB, separate);
    EXPECT_EQ(both, square);
}

TEST(MatrixMath, InverseTimesMatrixIsIdentityForRandomPlacements) {
    RuntimeRandom random(2024);
    for (int n = 0; n < 50; ++n) {
        Matrix4 m = randomAffine(random), inv, product;
        inverse(m, inv);
        multiply(inv, m, product);
        EXPECT_TRUE(matrixNear(product, identityMatrix(), 2e-4f)) << "matrix " << n;
        multiply(m, inv, product);
        EXPECT_TRUE(matrixNear(product, identityMatrix(), 2e-4f)) << "matrix " << n;
    }
    Matrix4 t, inv, expected;
    translation(1, 2, 3, t);
    inverse(t, inv);
    translation(-1, -2, -3, expected);
    EXPECT_TRUE(matrixNear(inv, expected, 0));
    EXPECT_EQ(transformDirection(t, 1, 2, 3), (Vector3{1, 2, 3}));
}

TEST(MatrixMath, SingularInverseZeroesRowsZeroToTwoAndKeepsRowThree) {
    Matrix4 flat, out;
    scaling(1, 0, 1, flat);
    for (int i = 0; i < 16; ++i) out[i] = float(100 + i);
    inverse(flat, out);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i], i < 12 ? 0.0f : float(100 + i)) << i;
}

}  // namespace
}  // namespace lumen
