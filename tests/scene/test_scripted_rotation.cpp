// The scripted spin of scene 17's machine.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "timeline/scripted_rotation.h"

namespace lumen {
namespace {

// Scene 17 with every object the rotation touches and some it does not (1, 30,
// 62), each at a distinct skewed placement and a child of object 1.
Scene machine() {
    Scene scene;
    scene.id = kScriptedRotationSceneId;
    appendObject(scene).id = 1;
    for (int id = 2; id <= 62; ++id) {
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

// What each object gets, in order: the turn rate's divisor (sign in front)
// and whether it goes before (M := R M) or after (M := M R) the placement.
struct Turn {
    double divisor;
    bool before;
};
std::vector<Turn> turnsOf(int id) {
    const Turn r1{600, true}, r2After{-600, false}, r1After{600, false}, r3{1800, true}, r4{-1800, true};
    if (id == 42 || id == 43) return {{700, true}};
    if (id == 38) return {r3};
    if (id >= 2 && id <= 23) return {r1, r3};
    if (id == 24 || id == 56 || id == 57) return {r2After, r3};
    if (id >= 32 && id <= 37) return {r4};
    if (id == 58) return {r1After, r4};
    if (id >= 59 && id <= 61) return {r2After, r4};
    return {};
}

TEST(ScriptedRotation, TurnsEachListedObjectAboutTheVerticalAxisInsideItsWindowOnly) {
    for (const int t : {399499, 399500, 405123, 416480, 416481}) {
        const bool inside = t >= 399500 && t <= 416480;
        Scene scene = machine();
        const Scene before = scene;
        SceneAnimationSwitches switches;
        EXPECT_EQ(scriptedRotation(&scene, t, 1.0f, switches), inside) << t;
        EXPECT_EQ(switches.isSet(17), inside) << t;
        for (int i = 0; i < scene.objectCount; ++i) {
            const SceneObject& o = scene.objects[i];
            Matrix4 want = before.objects[i].matrix;
            for (const Turn& turn : inside ? turnsOf(o.id) : std::vector<Turn>{}) {
                Matrix4 r;
                rotation(0, 1, 0, float(t * std::numbers::pi / turn.divisor), r);
                turn.before ? multiply(r, want, want) : multiply(want, r, want);
            }
            EXPECT_EQ(o.parentId, inside && !turnsOf(o.id).empty() ? -1 : before.objects[i].parentId) << o.id;
            for (int e = 0; e < 16; ++e) ASSERT_NEAR(o.matrix[e], want[e], 2e-5) << t << " object " << o.id;
        }
        // The call with -1 undoes the call with +1.
        scriptedRotation(&scene, t, -1.0f, switches);
        for (int i = 0; i < scene.objectCount; ++i)
            for (int e = 0; e < 16; ++e)
                ASSERT_NEAR(scene.objects[i].matrix[e], before.objects[i].matrix[e],
                            2e-5f * (1.0f + std::fabs(before.objects[i].matrix[e])))
                    << t << " object " << scene.objects[i].id;
    }
    SceneAnimationSwitches switches;
    EXPECT_TRUE(scriptedRotation(nullptr, 410000, 1.0f, switches));
    EXPECT_TRUE(switches.isSet(17));
}

}  // namespace
}  // namespace lumen
