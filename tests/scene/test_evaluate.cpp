#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

#include "scene/evaluate.h"

namespace lumen {
namespace {

::testing::AssertionResult near(Vector3 a, Vector3 b, float tolerance = 1e-5f) {
    if (std::fabs(a.x - b.x) > tolerance || std::fabs(a.y - b.y) > tolerance ||
        std::fabs(a.z - b.z) > tolerance)
        return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z
                                             << ") vs (" << b.x << ", " << b.y << ", " << b.z << ")";
    return ::testing::AssertionSuccess();
}

Matrix4 world(const SceneObject& o) {
    Matrix4 m = o.drawMatrix;
    transpose(m);
    return m;
}

Vector3 drawnOrigin(const SceneObject& o) { return transformPoint(world(o), 0, 0, 0); }

Track track(std::initializer_list<TrackKey> keys) { return Track{std::vector<TrackKey>(keys)}; }

// A clip of one-key tracks: a fixed pose.
ObjectClip pose(int32_t clipId, Vector3 at, Vector3 axis, float degrees, float size = 1) {
    ObjectClip clip;
    clip.clipId = clipId;
    const float values[kObjectTrackCount] = {at.x, at.y,    at.z, axis.x, axis.y, axis.z, degrees,
                                             size, size,    size, 0.5f,   0.25f,  1,      0.75f};
    for (int i = 0; i < kObjectTrackCount; ++i) clip.tracks[i] = track({{values[i], 0, 0, 0}});
    return clip;
}

SceneObject& addObject(Scene& scene, int32_t id, int32_t parentId, Vector3 at) {
    SceneObject& o = appendObject(scene);
    o.id = id;
    o.parentId = parentId;
    o.flags = 1;
    Matrix4 m;
    translation(at.x, at.y, at.z, m);
    setMatrix(o, m);
    return o;
}

TEST(EvaluateTrack, AtBeforeAfterAndBetweenKeys) {
    Track t = track({{0, 10, 10, 0}, {10, 10, 10, 100}});
    EXPECT_FLOAT_EQ(evaluateTrack(t, 50), 5.0f);
    EXPECT_EQ(evaluateTrack(t, -20), 0.0f);
    EXPECT_EQ(evaluateTrack(t, 100), 10.0f);
    EXPECT_EQ(evaluateTrack(t, 250), 10.0f);
    EXPECT_EQ(evaluateTrack(Track{}, 5), 0.0f);
    EXPECT_EQ(evaluateTrack(track({{4, 9, 9, 50}}), 500), 4.0f);
    // Tangents count per unit of the segment: (s^3 - 2 s^2 + s) * 1 at s = 0.5.
    EXPECT_FLOAT_EQ(evaluateTrack(track({{0, 1, 0, 0}, {0, 0, 0, 100}}), 50), 0.125f);
    // Times compare unsigned: a first key stored at -1 lies after any t.
    EXPECT_EQ(evaluateTrack(track({{5, 0, 0, -1}, {9, 0, 0, 10}}), 50), 5.0f);
}

TEST(EvaluateClip, TranslationThenRotationThenScaleAndTheColour) {
    Scene scene;
    SceneObject& o = addObject(scene, 1, -1, {0, 0, 0});
    o.clips.push_front(pose(3, {1, 0, 0}, {0, 0, 1}, 90, 2));
    evaluateClip(scene, 10, 3);
    EXPECT_TRUE(near(transformPoint(o.animMatrix, 0, 0, 0), {0, 2, 0}));
    EXPECT_EQ(o.color, (Color4{0.5f, 0.25f, 1, 0.75f}));
}

TEST(EvaluateClip, AllZeroAxisMeansNoRotationWhateverTheAngle) {
    Scene scene;
    SceneObject& o = addObject(scene, 1, -1, {0, 0, 0});
    o.clips.push_front(pose(0, {0, 0, 3}, {0, 0, 0}, 75));
    evaluateClip(scene, 0, 0);
    Matrix4 expected;
    translation(0, 0, 3, expected);
    EXPECT_EQ(o.animMatrix, expected);
    EXPECT_EQ(o.animAxis, (Vector3{1, 0, 0}));
    EXPECT_EQ(o.animAngle, 0.0f);
}

TEST(EvaluateClip, ObjectsWithoutTheClipOrWithEmptyTracksAreUnanimated) {
    Scene scene;
    SceneObject& other = addObject(scene, 1, -1, {0, 0, 0});
    SceneObject& empty = addObject(scene, 2, -1, {0, 0, 0});
    other.clips.push_front(pose(4, {9, 9, 9}, {0, 1, 0}, 30));
    empty.clips.push_front(ObjectClip{5, {}});
    for (auto& t : empty.clips.front().tracks) t = Track{};
    for (SceneObject* o : {&other, &empty}) translation(1, 1, 1, o->animMatrix);
    evaluateClip(scene, 0, 5);
    for (SceneObject* o : {&other, &empty}) {
        EXPECT_EQ(o->animMatrix, identityMatrix());
        EXPECT_EQ(o->color, (Color4{1, 1, 1, 1}));  // the colour is left as it was
    }
}

TEST(Propagate, RootAtItsMatrixAndChildOfAStillParentAtItsOwn) {
    Scene scene;
    SceneObject& root = addObject(scene, 1, -1, {10, 4, 5});
    SceneObject& child = addObject(scene, 2, 1, {3, 0, 0});
    child.clips.push_front(pose(0, {0, 1, 0}, {0, 0, 0}, 0));
    evaluateClip(scene, 0, 0);
    propagate(scene, -1, nullptr);
    EXPECT_EQ(world(root), root.matrix);
    // Base matrices are absolute, not relative to the parent.
    EXPECT_TRUE(near(drawnOrigin(child), {3, 1, 0}));
}

TEST(Propagate, DescendantsFollowTheAnimationPassedDown) {
    Scene scene;
    SceneObject& top = addObject(scene, 1, -1, {5, 0, 0});
    SceneObject& child = addObject(scene, 2, 1, {6, 0, 0});
    top.clips.push_front(pose(0, {0, 0, 0}, {0, 0, 1}, 90));
    Scene chain;
    addObject(chain, 1, -1, {0, 0, 0}).clips.push_front(pose(0, {0, 0, 0}, {0, 0, 1}, 90));
    SceneObject& middle = addObject(chain, 2, 1, {1, 0, 0});
    SceneObject& bottom = addObject(chain, 3, 2, {2, 0, 0});
    bottom.clips.push_front(pose(0, {0, 0, 1}, {0, 0, 0}, 0));
    for (Scene* s : {&scene, &chain}) {
        evaluateClip(*s, 0, 0);
        propagate(*s, -1, nullptr);
    }
    EXPECT_TRUE(near(drawnOrigin(child), {5, 1, 0}));  // turned about the parent's place
    EXPECT_EQ(child.matrix[3], 6.0f);
    EXPECT_TRUE(near(drawnOrigin(middle), {0, 1, 0}));
    EXPECT_TRUE(near(drawnOrigin(bottom), {0, 2, 1}));

    // Without a new evaluateClip the children move once more.
    Vector3 first = drawnOrigin(child);
    propagate(scene, -1, nullptr);
    EXPECT_TRUE(near(drawnOrigin(top), {5, 0, 0}));
    EXPECT_FALSE(near(drawnOrigin(child), first, 0.1f));
}

TEST(Propagate, OnlyTheReachableHierarchyIsPosedAndEachObjectOnce) {
    Scene scene;
    addObject(scene, 1, -1, {1, 0, 0}).flags = 104;  // not part of the hierarchy
    addObject(scene, 2, 50, {2, 0, 0});              // orphan
    addObject(scene, 3, 4, {3, 0, 0});               // a cycle of two
    addObject(scene, 4, 3, {4, 0, 0});
    addObject(scene, 7, -1, {5, 0, 0});
    addObject(scene, 7, 7, {6, 0, 0});   // its own parent, through a duplicate id
    addObject(scene, -1, -1, {7, 0, 0});  // would make every root its child
    for (int i = 0; i < scene.objectCount; ++i)
        scene.objects[i].clips.push_front(pose(0, {0, 1, 0}, {0, 0, 0}, 0));
    evaluateClip(scene, 0, 0);
    propagate(scene, -1, nullptr);
    const float drawnY[] = {0, 0, 0, 0, 1, 2, 1};
    for (int i = 0; i < scene.objectCount; ++i)
        EXPECT_TRUE(near(drawnOrigin(scene.objects[i]), {float(i + 1), drawnY[i], 0})) << i;
}

}  // namespace
}  // namespace lumen
