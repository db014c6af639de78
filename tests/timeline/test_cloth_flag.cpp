// The cloth simulation without GL.
#include <gtest/gtest.h>

#include <functional>

#include "support/golden.h"
#include "timeline/cloth_flag.h"

namespace lumen {
namespace {

void forEach(ClothFlag& cloth, const std::function<void(int, int, ClothParticle&)>& f) {
    for (int i = 0; i < ClothFlag::kColumns; ++i)
        for (int j = 0; j < ClothFlag::kRows; ++j) f(i, j, cloth.at(i, j));
}

TEST(ClothFlag, RunsWholeStepsUntilTheClockReachesTAndResetLaysTheSheetFlat) {
    ClothFlag once, often;
    once.advanceTo(ClothFlag::kClockStart);  // the first window's start: no backlog
    EXPECT_EQ(once.at(0, 0).position, Vector3{});
    struct Case {
        int t, clock;
    };
    for (const Case c : {Case{1, 10}, Case{35, 40}, Case{0, 40}}) {  // never backwards
        once.advanceTo(ClothFlag::kClockStart + c.t);
        EXPECT_EQ(once.clock(), ClothFlag::kClockStart + c.clock) << c.t;
    }
    once.advanceTo(ClothFlag::kClockStart + 20000);
    for (int t = ClothFlag::kClockStart; t <= ClothFlag::kClockStart + 20000; t += 7) often.advanceTo(t);
    forEach(once, [&](int i, int j, ClothParticle& p) {
        ASSERT_EQ(p.position, often.at(i, j).position) << i << "," << j;
        ASSERT_EQ(p.velocity, often.at(i, j).velocity) << i << "," << j;
    });
    once.reset();
    EXPECT_EQ(once.clock(), ClothFlag::kClockStart);
    forEach(once, [](int i, int j, ClothParticle& p) {
        ASSERT_EQ(p.position, (Vector3{float(i), float(j), 0}));
        ASSERT_EQ(p.velocity, Vector3{});
    });
}

// One step from a prepared sheet, one particle's velocity afterwards. On a flat
// sheet every triangle's normal is (0, 0, -|N|): the wind pushes each corner by
// -|N| * 0.00015 in z. Stretched by 1.1, the springs pull a corner inwards by
// 0.324 * (0.1 structural + 0.2 bend + 0.1 shear) per axis.
TEST(ClothFlag, OneStepAddsGravityDragWindAndSprings) {
    struct Case {
        const char* sheet;
        float scale, vz;
        int i, j;
        Vector3 velocity;
    };
    const Case cases[] = {
        {"interior, six triangles", 1, 0, 4, 4, {-0.0007f, -0.0008f, 0.0001f - 6 * 0.00015f}},
        {"corner, two triangles", 1, 0, 0, 0, {-0.0007f, -0.0008f, 0.0001f - 2 * 0.00015f}},
        {"edge, one triangle", 1, 0, 0, 8, {-0.0007f, -0.0008f, 0.0001f - 0.00015f}},
        {"pinned", 1, 0, 13, 8, {0, 0, 0}},
        {"drag", 1, 0.01f, 4, 4, {-0.0007f, -0.0008f, 0.01f + 0.0001f - 0.00002f - 6 * 0.00015f}},
        {"stretched interior", 1.1f, 0, 5, 4, {-0.0007f, -0.0008f, 0.0001f - 6 * 1.21f * 0.00015f}},
        {"stretched corner", 1.1f, 0, 0, 0, {-0.0007f + 0.1296f, -0.0008f + 0.1296f, 0.0001f - 2 * 1.21f * 0.00015f}},
    };
    for (const Case& c : cases) {
        ClothFlag cloth;
        forEach(cloth, [&](int, int, ClothParticle& p) {
            p.position = scale(p.position, c.scale);
            p.velocity.z = c.vz;
        });
        const Vector3 before = cloth.at(c.i, c.j).position;
        cloth.step();
        const ClothParticle& p = cloth.at(c.i, c.j);
        EXPECT_NEAR(p.velocity.x, c.velocity.x, 1e-6) << c.sheet;
        EXPECT_NEAR(p.velocity.y, c.velocity.y, 1e-6) << c.sheet;
        EXPECT_NEAR(p.velocity.z, c.velocity.z, 1e-8) << c.sheet;
        EXPECT_EQ(p.position, add(before, p.velocity)) << c.sheet;
        EXPECT_EQ(p.normal, (Vector3{0, 0, -1})) << c.sheet;
    }
}

TEST(ClothFlag, PinsHoldWhileTheSheetFallsAndItsMotionIsPinned) {
    ClothFlag cloth;
    testing::Checksum sum;
    for (int k = 1; k <= 3000; ++k) {
        cloth.step();
        for (int j : {0, 8}) ASSERT_EQ(cloth.at(13, j).position, (Vector3{13, float(j), 0})) << k;
        if (k == 1 || k == 50 || k == 3000) forEach(cloth, [&](int, int, ClothParticle& p) { sum.add(p); });
    }
    EXPECT_LT(cloth.at(0, 0).position.y, 0.0f);
    EXPECT_NEAR(length(subtract(cloth.at(6, 4).position, cloth.at(7, 4).position)), 1.0, 0.25);
    EXPECT_TRUE(testing::matchesGolden("timeline.cloth_steps", sum.value()));
}

}  // namespace
}  // namespace lumen
