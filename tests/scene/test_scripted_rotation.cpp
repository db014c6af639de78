#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "timeline/scripted_rotation.h"

namespace lumen {
namespace {

// Scene 17 with the objects the rotation touches (id 30 left out on purpose),
// each at a distinct skewed placement and a child of object 1.
Scene machine() {
    Scene scene;
    scene.id = kScriptedRotationSceneId;
    appendObject(scene).id = 1;
    for (int id = 2; id <= 61; ++id) {
        if (id == 30) continue;
        SceneObject& o = appendObject(scene);
        o.id = id;
        o.parentId = 1;
        Matrix4 t, r, m;
        translation(float(id % 7) - 3, float(id) * 0.25f, float(id % 5), t);
        rotation(1, float(id), 0.5f, float(id) * 0.1f, r);
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

bool listed(int id) {
    return (id >= 2 && id <= 24) || (id >= 32 && id <= 38) || id == 42 || id == 43 ||
           (id >= 56 && id <= 61);
}

TEST(ScriptedRotation, ActsExactlyInsideItsWindow) {
    for (int t : {399499, 399500, 416480, 416481}) {
        const bool inside = t >= 399500 && t <= 416480;
        Scene scene = machine();
        SceneAnimationSwitches switches;
        std::vector<Matrix4> before = matrices(scene);
        EXPECT_EQ(scriptedRotation(&scene, t, 1.0f, switches), inside) << t;
        EXPECT_EQ(switches.isSet(17), inside) << t;
        for (int i = 1; i < scene.objectCount; ++i) {
            const SceneObject& o = scene.objects[i];
            EXPECT_EQ(o.parentId, inside && listed(o.id) ? -1 : 1) << t << " object " << o.id;
            EXPECT_EQ(o.matrix != before[i], inside && listed(o.id)) << t << " object " << o.id;
        }
    }
    SceneAnimationSwitches switches;
    EXPECT_TRUE(scriptedRotation(nullptr, 410000, 1.0f, switches));
    EXPECT_TRUE(switches.isSet(17));
}

TEST(ScriptedRotation, TurnsAboutTheVerticalAxisBeforeOrAfterThePlacement) {
    Scene scene;
    for (int id : {42, 38, 24}) {
        SceneObject& o = appendObject(scene);
        o.id = id;
        Matrix4 m;
        translation(1, 0, 0, m);
        setMatrix(o, m);
    }
    SceneAnimationSwitches switches;
    const int t = 400000;
    scriptedRotation(&scene, t, 1.0f, switches);
    // Where the placement's origin went: 42 turns by t pi / 700 and 38 by
    // t pi / 1800; 24's R2 comes after its placement and leaves the origin.
    const double pi = std::numbers::pi;
    const double angles[] = {float(t * pi / 700), float(t * pi / 1800), float(t * pi / 1800)};
    for (int i = 0; i < 3; ++i) {
        Vector3 p = transformPoint(scene.objects[i].matrix, 0, 0, 0);
        EXPECT_NEAR(p.x, std::cos(angles[i]), 2e-6) << scene.objects[i].id;
        EXPECT_NEAR(p.z, -std::sin(angles[i]), 2e-6) << scene.objects[i].id;
    }
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

}  // namespace
}  // namespace lumen
