#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "mesh/math3d.h"
#include "timeline/scripted_rotation.h"

namespace lumen {
namespace {

// Scene 17 with every object the rotation touches (ids 2..61, some missing
// ones included on purpose), each at a distinct skewed placement and child
// of object 1.
Scene machine() {
    Scene scene;
    scene.id = kScriptedRotationSceneId;
    SceneObject& base = appendObject(scene);
    base.id = 1;
    base.parentId = -1;
    for (int id = 2; id <= 61; ++id) {
        if (id == 30) continue;
        SceneObject& o = appendObject(scene);
        o.id = id;
        o.parentId = 1;
        Matrix4 t, r, m;
        translation(float(id % 7) - 3.0f, float(id) * 0.25f, float(id % 5), t);
        rotation(1.0f, float(id), 0.5f, float(id) * 0.1f, r);
        multiply(t, r, m);
        setMatrix(o, m);
    }
    return scene;
}

std::vector<Matrix4> matrices(const Scene& scene) {
    std::vector<Matrix4> out;
    for (int i = 0; i < scene.objectCount; ++i) out.push_back(scene.objects[i].matrix);
    return out;
}

TEST(ScriptedRotation, DoesNothingJustOutsideItsWindow) {
    for (int t : {399499, 416481, 0, 512000}) {
        Scene scene = machine();
        SceneAnimationSwitches switches;
        std::vector<Matrix4> before = matrices(scene);
        EXPECT_FALSE(scriptedRotation(&scene, t, 1.0f, switches)) << t;
        EXPECT_EQ(matrices(scene), before) << t;
        EXPECT_FALSE(switches.isSet(17)) << t;
        EXPECT_EQ(scene.objects[5].parentId, 1) << t;
    }
}

TEST(ScriptedRotation, ActsAtBothWindowEndsAndReRootsTheParts) {
    for (int t : {399500, 416480}) {
        Scene scene = machine();
        SceneAnimationSwitches switches;
        std::vector<Matrix4> before = matrices(scene);
        EXPECT_TRUE(scriptedRotation(&scene, t, 1.0f, switches)) << t;
        EXPECT_TRUE(switches.isSet(17)) << t;
        for (int i = 1; i < scene.objectCount; ++i) {
            const SceneObject& o = scene.objects[i];
            bool listed = (o.id >= 2 && o.id <= 24) || (o.id >= 32 && o.id <= 38) ||
                          o.id == 42 || o.id == 43 || (o.id >= 56 && o.id <= 61);
            EXPECT_EQ(o.parentId, listed ? -1 : 1) << "object " << o.id;
            EXPECT_EQ(o.matrix != before[i], listed) << "object " << o.id;
        }
    }
}

TEST(ScriptedRotation, TurnsAboutTheVerticalAxisAtTheStatedRates) {
    Scene scene;
    for (int id : {42, 38, 58}) {
        SceneObject& o = appendObject(scene);
        o.id = id;
        setMatrix(o, identityMatrix());
    }
    SceneAnimationSwitches switches;
    const int t = 400000;
    scriptedRotation(&scene, t, 1.0f, switches);
    auto expectTurn = [&](int index, double radians) {
        Vector3 p = transformPoint(scene.objects[index].matrix, 1, 0, 0);
        EXPECT_NEAR(p.x, std::cos(radians), 2e-6) << "object " << scene.objects[index].id;
        EXPECT_NEAR(p.z, -std::sin(radians), 2e-6) << "object " << scene.objects[index].id;
        EXPECT_EQ(p.y, 0.0f);
    };
    const double pi = std::numbers::pi;
    expectTurn(0, float(t * pi / 700));
    expectTurn(1, float(t * pi / 1800));
    // R1 after then R4 before: b (1/600 - 1/1800).
    Matrix4 r1, r4, both;
    rotation(0, 1, 0, float(t * pi / 600), r1);
    rotation(0, 1, 0, float(-t * pi / 1800), r4);
    multiply(r4, r1, both);
    Vector3 p = transformPoint(scene.objects[2].matrix, 1, 0, 0);
    Vector3 q = transformPoint(both, 1, 0, 0);
    EXPECT_NEAR(p.x, q.x, 1e-6);
    EXPECT_NEAR(p.z, q.z, 1e-6);
}

TEST(ScriptedRotation, AfterTurnsInTheObjectsOwnFrameBeforeTurnsInTheWorld) {
    Scene scene;
    SceneObject& o = appendObject(scene);
    o.id = 24;
    Matrix4 m;
    translation(1, 0, 0, m);
    setMatrix(o, m);
    SceneAnimationSwitches switches;
    const int t = 401000;
    scriptedRotation(&scene, t, 1.0f, switches);
    // R2 after leaves the placement's origin where it was; only R3 moves it.
    const double angle = double(float(t * std::numbers::pi / 1800));
    Vector3 origin = transformPoint(o.matrix, 0, 0, 0);
    EXPECT_NEAR(origin.x, std::cos(angle), 2e-6);
    EXPECT_NEAR(origin.z, -std::sin(angle), 2e-6);
}

TEST(ScriptedRotation, PlusThenMinusRestoresEveryMatrix) {
    for (int t : {399500, 405123, 416480}) {
        Scene scene = machine();
        SceneAnimationSwitches switches;
        std::vector<Matrix4> before = matrices(scene);
        scriptedRotation(&scene, t, 1.0f, switches);
        scriptedRotation(&scene, t, -1.0f, switches);
        std::vector<Matrix4> after = matrices(scene);
        for (size_t i = 0; i < before.size(); ++i)
            for (int e = 0; e < 16; ++e)
                EXPECT_NEAR(after[i][e], before[i][e], 2e-5f * (1.0f + std::fabs(before[i][e])))
                    << "t " << t << " object " << scene.objects[i].id << " element " << e;
    }
}

TEST(ScriptedRotation, WithoutTheSceneItStillSetsTheSwitch) {
    SceneAnimationSwitches switches;
    EXPECT_TRUE(scriptedRotation(nullptr, 410000, 1.0f, switches));
    EXPECT_TRUE(switches.isSet(17));
}

}  // namespace
}  // namespace lumen
