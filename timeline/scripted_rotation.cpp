// The machine of scene 17 spinning about the vertical axis at fixed rates.
#include "timeline/scripted_rotation.h"

#include <numbers>

#include "mesh/math3d.h"

namespace lumen {

namespace {

float f(double v) { return static_cast<float>(v); }

// Before: M := R * M. After: M := M * R. Either way the object becomes a root.
void before(Scene& scene, int32_t id, const Matrix4& r) {
    if (SceneObject* o = findObject(scene, id)) {
        multiply(r, o->matrix, o->matrix);
        o->parentId = -1;
    }
}

void after(Scene& scene, int32_t id, const Matrix4& r) {
    if (SceneObject* o = findObject(scene, id)) {
        multiply(o->matrix, r, o->matrix);
        o->parentId = -1;
    }
}

}  // namespace

bool scriptedRotation(Scene* scene, int t, float sign, SceneAnimationSwitches& switches) {
    if (t < kScriptedRotationStart || t > kScriptedRotationEnd) return false;

    // All five turn about the same axis, so they commute and the call with
    // sign -1 undoes the call with +1 up to rounding.
    const double b = double(t) * double(sign);
    const double pi = std::numbers::pi;
    Matrix4 r1, r2, r3, r4, r5;
    rotation(0.0f, 1.0f, 0.0f, f(b * pi / 600.0), r1);
    rotation(0.0f, 1.0f, 0.0f, f(-b * pi / 600.0), r2);
    rotation(0.0f, 1.0f, 0.0f, f(b * pi / 1800.0), r3);
    rotation(0.0f, 1.0f, 0.0f, f(-b * pi / 1800.0), r4);
    rotation(0.0f, 1.0f, 0.0f, f(b * pi / 700.0), r5);

    switches.set(kScriptedRotationSceneId);
    if (scene == nullptr) return true;
    Scene& s = *scene;

    before(s, 42, r5);
    before(s, 43, r5);
    before(s, 38, r3);
    for (int32_t id = 2; id <= 23; ++id) {
        before(s, id, r1);
        before(s, id, r3);
    }
    after(s, 24, r2);
    before(s, 24, r3);
    for (int32_t id : {56, 57}) {
        after(s, id, r2);
        before(s, id, r3);
    }
    for (int32_t id = 32; id <= 37; ++id) before(s, id, r4);
    after(s, 58, r1);
    before(s, 58, r4);
    for (int32_t id = 59; id <= 61; ++id) {
        after(s, id, r2);
        before(s, id, r4);
    }
    return true;
}

}  // namespace lumen
