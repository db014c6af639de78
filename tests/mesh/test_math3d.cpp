#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "base/runtime_random.h"
#include "math_helpers.h"
#include "mesh/math3d.h"

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
    scaling(uniform(random, 0.2f, 3.0f), uniform(random, 0.2f, 3.0f), uniform(random, 0.2f, 3.0f), s);
    rotation(uniform(random, -1, 1), uniform(random, -1, 1), uniform(random, -1, 1),
             uniform(random, -6.0f, 6.0f), r);
    translation(uniform(random, -50, 50), uniform(random, -50, 50), uniform(random, -50, 50), t);
    multiply(t, r, m);
    multiply(m, s, m);
    return m;
}

// Leibniz determinant, independent of the cofactor route.
double referenceDeterminant(const Matrix4& a) {
    static const int perms[24][4] = {
        {0, 1, 2, 3}, {0, 1, 3, 2}, {0, 2, 1, 3}, {0, 2, 3, 1}, {0, 3, 1, 2}, {0, 3, 2, 1},
        {1, 0, 2, 3}, {1, 0, 3, 2}, {1, 2, 0, 3}, {1, 2, 3, 0}, {1, 3, 0, 2}, {1, 3, 2, 0},
        {2, 0, 1, 3}, {2, 0, 3, 1}, {2, 1, 0, 3}, {2, 1, 3, 0}, {2, 3, 0, 1}, {2, 3, 1, 0},
        {3, 0, 1, 2}, {3, 0, 2, 1}, {3, 1, 0, 2}, {3, 1, 2, 0}, {3, 2, 0, 1}, {3, 2, 1, 0}};
    double sum = 0.0;
    for (const auto& p : perms) {
        int inversions = 0;
        for (int i = 0; i < 4; ++i)
            for (int j = i + 1; j < 4; ++j)
                if (p[i] > p[j]) ++inversions;
        double term = (inversions % 2) ? -1.0 : 1.0;
        for (int r = 0; r < 4; ++r) term *= a.at(r, p[r]);
        sum += term;
    }
    return sum;
}

TEST(VectorMath, NormalizeGivesUnitLengthAndLeavesZeroAtZero) {
    Vector3 n = normalize({3.0f, 0.0f, 4.0f});
    EXPECT_TRUE(vectorNear(n, {0.6f, 0.0f, 0.8f}, 1e-7f));
    EXPECT_EQ(normalize({0.0f, 0.0f, 0.0f}), (Vector3{0.0f, 0.0f, 0.0f}));
    EXPECT_DOUBLE_EQ(length({2.0f, 3.0f, 6.0f}), 7.0);
}

TEST(VectorMath, CrossFollowsTheRightHandRule) {
    EXPECT_EQ(cross({1, 0, 0}, {0, 1, 0}), (Vector3{0, 0, 1}));
    EXPECT_EQ(cross({0, 1, 0}, {0, 0, 1}), (Vector3{1, 0, 0}));
    EXPECT_EQ(cross({2, 3, 4}, {5, 6, 7}), (Vector3{-3, 6, -3}));
    EXPECT_FLOAT_EQ(dot({2, 3, 4}, {5, 6, 7}), 56.0f);
}

TEST(MatrixMath, RotationAboutZTakesXToY) {
    Matrix4 r;
    rotation(0.0f, 0.0f, 1.0f, float(std::numbers::pi / 2), r);
    EXPECT_TRUE(vectorNear(transformPoint(r, 1, 0, 0), {0, 1, 0}, 1e-6f));
    EXPECT_TRUE(vectorNear(transformPoint(r, 0, 1, 0), {-1, 0, 0}, 1e-6f));
    // Seen from the tip of +x, +y turns towards +z.
    rotation(1.0f, 0.0f, 0.0f, float(std::numbers::pi / 2), r);
    EXPECT_TRUE(vectorNear(transformPoint(r, 0, 1, 0), {0, 0, 1}, 1e-6f));
    EXPECT_EQ(r[3], 0.0f);
    EXPECT_EQ(r[12], 0.0f);
    EXPECT_EQ(r[15], 1.0f);
}

TEST(MatrixMath, RotationNormalisesTheAxisAndHandlesAZeroAxis) {
    Matrix4 a, b;
    rotation(0.0f, 0.0f, 2.0f, 1.3f, a);
    rotation(0.0f, 0.0f, 1.0f, 1.3f, b);
    EXPECT_EQ(a, b);

    rotation(1.0f, 2.0f, -2.0f, 0.7f, a);
    rotation(1.0f / 3, 2.0f / 3, -2.0f / 3, 0.7f, b);
    EXPECT_TRUE(matrixNear(a, b, 1e-6f));

    Matrix4 z;
    rotation(0.0f, 0.0f, 0.0f, 0.5f, z);
    float c = float(std::cos(0.5));
    for (int i = 0; i < 16; ++i) {
        float expected = (i == 0 || i == 5 || i == 10) ? c : (i == 15 ? 1.0f : 0.0f);
        EXPECT_EQ(z[i], expected) << "element " << i;
    }
}

TEST(MatrixMath, MultiplyAppliesTheRightOperandFirstAndMayWriteIntoEitherInput) {
    Matrix4 t, s, ts;
    translation(1, 2, 3, t);
    scaling(2, 2, 2, s);
    multiply(t, s, ts);
    EXPECT_TRUE(vectorNear(transformPoint(ts, 1, 1, 1), {3, 4, 5}, 0.0f));

    RuntimeRandom random(7);
    Matrix4 a = randomAffine(random), b = randomAffine(random), separate;
    multiply(a, b, separate);
    Matrix4 intoA = a, intoB = b;
    multiply(intoA, b, intoA);
    multiply(a, intoB, intoB);
    EXPECT_EQ(intoA, separate);
    EXPECT_EQ(intoB, separate);
    Matrix4 square = a, expectedSquare;
    multiply(a, a, expectedSquare);
    multiply(square, square, square);
    EXPECT_EQ(square, expectedSquare);
}

TEST(MatrixMath, TranslationMovesPointsButNotDirections) {
    Matrix4 t;
    translation(4, -5, 6, t);
    EXPECT_EQ(transformPoint(t, 0, 0, 0), (Vector3{4, -5, 6}));
    EXPECT_EQ(transformDirection(t, 0, 0, 0), (Vector3{0, 0, 0}));
    EXPECT_EQ(transformDirection(t, 1, 2, 3), (Vector3{1, 2, 3}));
}

TEST(MatrixMath, DeterminantAndCofactorsMatchAnIndependentExpansion) {
    RuntimeRandom random(99);
    for (int n = 0; n < 20; ++n) {
        Matrix4 a;
        for (int i = 0; i < 16; ++i) a[i] = uniform(random, -4.0f, 4.0f);
        double expected = referenceDeterminant(a);
        EXPECT_NEAR(determinant(a), expected, 1e-4 * (1.0 + std::fabs(expected)));
        // Row expansion along any row with the cofactors gives the determinant.
        for (int r = 1; r < 4; ++r) {
            double sum = 0.0;
            for (int c = 0; c < 4; ++c) sum += double(a.at(r, c)) * cofactor(a, r, c);
            EXPECT_NEAR(sum, expected, 1e-4 * (1.0 + std::fabs(expected))) << "row " << r;
        }
    }
    Matrix4 d;
    scaling(2, 3, 4, d);
    EXPECT_EQ(determinant(d), 24.0f);
}

TEST(MatrixMath, InverseTimesMatrixIsIdentityForRandomPlacements) {
    RuntimeRandom random(2024);
    Matrix4 unit = identityMatrix();
    for (int n = 0; n < 50; ++n) {
        Matrix4 m = randomAffine(random), inv, product;
        inverse(m, inv);
        multiply(inv, m, product);
        EXPECT_TRUE(matrixNear(product, unit, 2e-4f)) << "matrix " << n;
        multiply(m, inv, product);
        EXPECT_TRUE(matrixNear(product, unit, 2e-4f)) << "matrix " << n;
    }
}

TEST(MatrixMath, InverseOfATranslationIsTheOppositeTranslation) {
    Matrix4 t, inv, expected;
    translation(1, 2, 3, t);
    inverse(t, inv);
    translation(-1, -2, -3, expected);
    EXPECT_TRUE(matrixNear(inv, expected, 0.0f));
}

TEST(MatrixMath, SingularInverseZeroesRowsZeroToTwoAndKeepsRowThree) {
    Matrix4 flat, out;
    scaling(1, 0, 1, flat);
    for (int i = 0; i < 16; ++i) out[i] = float(100 + i);
    inverse(flat, out);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(out[i], 0.0f) << "element " << i;
    for (int i = 12; i < 16; ++i) EXPECT_EQ(out[i], float(100 + i)) << "element " << i;
}

TEST(MatrixMath, TransposeSwapsRowsAndColumns) {
    Matrix4 m;
    for (int i = 0; i < 16; ++i) m[i] = float(i);
    transpose(m);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(m.at(r, c), float(4 * c + r));
}

}  // namespace
}  // namespace lumen
