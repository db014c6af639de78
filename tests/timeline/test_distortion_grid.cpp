// The distortion grid without GL: the jitter table and the pattern maths.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/runtime_random.h"
#include "timeline/distortion_grid.h"

namespace lumen {
namespace {

constexpr double kXLo = 0, kYLo = 0.53125, kXHi = 0.625, kYHi = 1.0;

JitterTable showJitter() {
    JitterTable t;
    RuntimeRandom random;
    fillJitterTable(t, random, kXLo, kYLo, kXHi, kYHi);
    return t;
}

TEST(JitterTable, IsTheSameOnEveryFillFromTheStartUpState) {
    const JitterTable a = showJitter();
    const JitterTable b = showJitter();
    for (size_t k = 0; k < a.entries.size(); ++k) {
        ASSERT_EQ(a.entries[k].du, b.entries[k].du) << k;
        ASSERT_EQ(a.entries[k].dv, b.entries[k].dv) << k;
    }
}

TEST(JitterTable, DrawsDuThenDvAndFlipsOffsetsThatLeaveTheBox) {
    const JitterTable t = showJitter();
    // The generator's first draws are 41, 18467, 6334. Corner (0, 0): du would
    // leave the box on the left, so it becomes x - xLo = 0; dv stays.
    EXPECT_EQ(t.at(0, 0).du, 0.0);
    EXPECT_DOUBLE_EQ(t.at(0, 0).dv, (18467 - 16384) * 0.1 / 16384);
    // Corner (0, 1) draws 6334 for du: x = 0, again pulled back to 0.
    EXPECT_EQ(t.at(0, 1).du, 0.0);
    // Every displaced corner stays inside the box.
    for (int i = 0; i < kGridColumns; ++i) {
        for (int j = 0; j < kGridRows; ++j) {
            const double x = kXLo + i / 64.0 * (kXHi - kXLo);
            const double y = kYLo + (kYHi - kYLo) * (j * static_cast<double>(kGridRowStep));
            // The float row step makes the last row a hair past 1.
            EXPECT_GE(x + t.at(i, j).du, kXLo - 1e-12);
            EXPECT_LE(x + t.at(i, j).du, kXHi + 1e-6);
            EXPECT_GE(y + t.at(i, j).dv, kYLo - 1e-12);
            EXPECT_LE(y + t.at(i, j).dv, kYHi + 1e-6);
            EXPECT_LE(std::fabs(t.at(i, j).du), 0.1);
        }
    }
    // A right-edge overshoot becomes x - xHi, which is 0 at the last column.
    bool sawNonZero = false;
    for (int j = 0; j < kGridRows; ++j) {
        EXPECT_LE(t.at(64, j).du, 0.0);
        sawNonZero |= t.at(32, j).du != 0.0;
    }
    EXPECT_TRUE(sawNonZero);
}

TEST(DistortionAmount, OutsideZeroToOneActsAsTheNearestEndAndNanAsZero) {
    EXPECT_EQ(clampDistortionAmount(-0.5f), 0.0f);
    EXPECT_EQ(clampDistortionAmount(1.5f), 1.0f);
    EXPECT_EQ(clampDistortionAmount(0.25f), 0.25f);
    EXPECT_EQ(clampDistortionAmount(std::numeric_limits<float>::quiet_NaN()), 0.0f);

    // The grid built from an out-of-range amount equals the end's grid.
    const JitterTable jitter = showJitter();
    const TextureRect capture{0.0f, 0.46875f, 0.625f, 0.0f};
    for (int type : {0, 1, 3, 6, 7}) {
        DistortionGrid over, one, under, zero;
        ASSERT_TRUE(computeDistortionGrid(over, type, 7.0f, capture, jitter));
        computeDistortionGrid(one, type, 1.0f, capture, jitter);
        computeDistortionGrid(under, type, -3.0f, capture, jitter);
        computeDistortionGrid(zero, type, 0.0f, capture, jitter);
        for (size_t k = 0; k < over.corners.size(); ++k) {
            ASSERT_EQ(over.corners[k].u, one.corners[k].u) << type;
            ASSERT_EQ(under.corners[k].v, zero.corners[k].v) << type;
        }
    }
}

TEST(DistortionGrid, AtAmountZeroMapsOntoThePlainInsetRectangle) {
    const JitterTable jitter = showJitter();
    const TextureRect capture{0.0f, 0.46875f, 0.625f, 0.0f};
    const double uL = 0.002f, uR = 0.623f, vT = 0.46675f, vB = 0.002f;
    for (int type : {0, 1, 2, 3, 6, 7}) {
        DistortionGrid g;
        ASSERT_TRUE(computeDistortionGrid(g, type, 0.0f, capture, jitter));
        for (int i = 0; i < kGridColumns; ++i) {
            for (int j = 0; j < kGridRows; ++j) {
                const double K = i / 64.0, L = j / 48.0;
                EXPECT_NEAR(g.at(i, j).u, uL + K * (uR - uL), 2e-6) << type << " " << i << "," << j;
                EXPECT_NEAR(g.at(i, j).v, vT + L * (vB - vT), 2e-6) << type << " " << i << "," << j;
            }
        }
    }
}

TEST(DistortionGrid, JitterNeverSamplesOutsideTheInsetButTilesMay) {
    const JitterTable jitter = showJitter();
    const TextureRect capture{0.0f, 0.46875f, 0.625f, 0.0f};
    DistortionGrid g;
    ASSERT_TRUE(computeDistortionGrid(g, 3, 0.5f, capture, jitter));
    const float uL = 0.002f, uR = 0.623f, vT = 0.46675f, vB = 0.002f;
    bool moved = false;
    for (int i = 0; i < kGridColumns; ++i) {
        for (int j = 0; j < kGridRows; ++j) {
            EXPECT_GE(g.at(i, j).u, uL);
            EXPECT_LE(g.at(i, j).u, uR);
            EXPECT_LE(g.at(i, j).v, vT);
            EXPECT_GE(g.at(i, j).v, vB);
            moved |= std::fabs(g.at(i, j).u - (uL + i / 64.0 * (uR - uL))) > 1e-3;
        }
    }
    EXPECT_TRUE(moved);

    DistortionGrid tiles;
    ASSERT_TRUE(computeDistortionGrid(tiles, 4, 0.5f, capture, jitter));
    bool outside = false;
    for (int i = 0; i < kGridColumns - 1; ++i)
        for (int j = 0; j < kGridRows - 1; ++j)
            outside |= tiles.at(i, j).u < uL || tiles.at(i, j).v > vT || tiles.at(i, j).v < vB;
    EXPECT_TRUE(outside);
}

TEST(DistortionGrid, PatternFiveAndUnknownPatternsDrawNothing) {
    const JitterTable jitter = showJitter();
    const TextureRect capture{0.0f, 0.5f, 0.5f, 0.0f};
    DistortionGrid g;
    g.at(3, 3).u = 42.0f;
    EXPECT_FALSE(computeDistortionGrid(g, 5, 0.5f, capture, jitter));
    EXPECT_FALSE(computeDistortionGrid(g, 8, 0.5f, capture, jitter));
    EXPECT_FALSE(computeDistortionGrid(g, -1, 0.5f, capture, jitter));
    EXPECT_EQ(g.at(3, 3).u, 42.0f);
}

TEST(DistortionGrid, PinchAtFullStrengthMiddleAmountPullsCornersTowardsTheCentre) {
    const JitterTable jitter = showJitter();
    const TextureRect capture{0.0f, 1.0f, 1.0f, 0.0f};
    DistortionGrid g;
    ASSERT_TRUE(computeDistortionGrid(g, 1, 0.5f, capture, jitter));
    // f = 1 - sin^2(pi/2) * (2r)^1.75: zero at r = 0.5, so the edge midpoints
    // sample the centre; the centre itself stays put.
    EXPECT_NEAR(g.at(0, 24).u, 0.5, 1e-6);
    EXPECT_NEAR(g.at(32, 24).u, 0.5, 1e-6);
    EXPECT_NEAR(g.at(32, 24).v, 0.5, 1e-6);
}

}  // namespace
}  // namespace lumen
