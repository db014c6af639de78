// The cloth simulation without GL.
#include <gtest/gtest.h>

#include <cmath>

#include "timeline/cloth_flag.h"

namespace lumen {
namespace {

void expectSameState(const ClothFlag& a, const ClothFlag& b) {
    for (int i = 0; i < ClothFlag::kColumns; ++i) {
        for (int j = 0; j < ClothFlag::kRows; ++j) {
            ASSERT_EQ(a.at(i, j).position, b.at(i, j).position) << i << "," << j;
            ASSERT_EQ(a.at(i, j).velocity, b.at(i, j).velocity) << i << "," << j;
            ASSERT_EQ(a.at(i, j).normal, b.at(i, j).normal) << i << "," << j;
        }
    }
}

TEST(ClothFlag, ResetLaysTheSheetFlatAtItsGridPositions) {
    ClothFlag cloth;
    cloth.advanceTo(ClothFlag::kClockStart + 500);
    cloth.reset();
    EXPECT_EQ(cloth.clock(), ClothFlag::kClockStart);
    EXPECT_EQ(cloth.at(5, 7).position, (Vector3{5, 7, 0}));
    EXPECT_EQ(cloth.at(5, 7).velocity, Vector3{});
}

TEST(ClothFlag, PinnedParticlesNeverMoveWhileTheRestFalls) {
    ClothFlag cloth;
    EXPECT_TRUE(ClothFlag::isPinned(13, 0));
    EXPECT_TRUE(ClothFlag::isPinned(13, 8));
    EXPECT_FALSE(ClothFlag::isPinned(13, 4));
    EXPECT_FALSE(ClothFlag::isPinned(0, 0));
    for (int k = 0; k < 3000; ++k) {
        cloth.step();
        ASSERT_EQ(cloth.at(13, 0).position, (Vector3{13, 0, 0})) << k;
        ASSERT_EQ(cloth.at(13, 8).position, (Vector3{13, 8, 0})) << k;
    }
    // The free corner has sagged under gravity and been blown off the plane.
    EXPECT_LT(cloth.at(0, 0).position.y, 0.0f);
    EXPECT_NE(cloth.at(0, 0).position.z, 0.0f);
    // Springs hold the sheet together: neighbours stay near their rest length.
    const Vector3 d = subtract(cloth.at(6, 4).position, cloth.at(7, 4).position);
    EXPECT_NEAR(length(d), 1.0, 0.25);
}

TEST(ClothFlag, CatchingUpInOneCallEqualsManySmallCalls) {
    ClothFlag once, often;
    const int target = ClothFlag::kClockStart + 20000;
    once.advanceTo(target);
    for (int t = ClothFlag::kClockStart; t <= target; t += 7) often.advanceTo(t);
    often.advanceTo(target);
    EXPECT_EQ(once.clock(), often.clock());
    expectSameState(once, often);
}

TEST(ClothFlag, RunsWholeStepsUntilTheClockReachesT) {
    ClothFlag cloth;
    cloth.advanceTo(ClothFlag::kClockStart);  // the first window's start: no backlog
    EXPECT_EQ(cloth.clock(), ClothFlag::kClockStart);
    EXPECT_EQ(cloth.at(0, 0).position, (Vector3{0, 0, 0}));
    cloth.advanceTo(ClothFlag::kClockStart + 1);
    EXPECT_EQ(cloth.clock(), ClothFlag::kClockStart + 10);
    cloth.advanceTo(ClothFlag::kClockStart + 35);
    EXPECT_EQ(cloth.clock(), ClothFlag::kClockStart + 40);
    // Time never runs backwards: an earlier t changes nothing.
    const Vector3 before = cloth.at(3, 3).position;
    cloth.advanceTo(ClothFlag::kClockStart);
    EXPECT_EQ(cloth.clock(), ClothFlag::kClockStart + 40);
    EXPECT_EQ(cloth.at(3, 3).position, before);
}

TEST(ClothFlag, FirstStepAppliesGravityToFreeParticlesOnly) {
    ClothFlag cloth;
    cloth.step();
    // Flat sheet at rest: no wind force (normals are along z, wind . n is the
    // only push) beyond the z component, springs at rest length do nothing.
    const ClothParticle& free = cloth.at(4, 4);
    EXPECT_FLOAT_EQ(free.velocity.x, -0.0007f);
    EXPECT_FLOAT_EQ(free.velocity.y, -0.0008f);
    EXPECT_EQ(cloth.at(13, 0).velocity, Vector3{});
    // Every normal of the flat sheet is a unit vector along z.
    EXPECT_FLOAT_EQ(std::fabs(free.normal.z), 1.0f);
}

}  // namespace
}  // namespace lumen
