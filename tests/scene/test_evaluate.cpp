// Keyframe tracks, clips and the hierarchy walk.
#include <gtest/gtest.h>

#include <initializer_list>

#include "mesh/near_test_helper.h"
#include "scene/evaluate.h"
#include "support/golden.h"

namespace lumen {
namespace {

Vector3 drawnOrigin(const SceneObject& o) {
    Matrix4 m = o.drawMatrix;
    transpose(m);
    return transformPoint(m, 0, 0, 0);
}

// Keys as {value, tangentOut, tangentIn, time}.
Track track(std::initializer_list<TrackKey> keys) { return Track{std::vector<TrackKey>(keys)}; }

// A clip of one-key tracks: a fixed pose, colour (0.5, 0.25, 1, 0.75).
ObjectClip pose(int32_t clipId, Vector3 at, Vector3 axis, float degrees, float size = 1) {
    ObjectClip clip;
    clip.clipId = clipId;
    const float values[kObjectTrackCount] = {at.x, at.y, at.z, axis.x, axis.y, axis.z, degrees,
                                             size, size, size, 0.5f,   0.25f,  1,      0.75f};
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

TEST(EvaluateTrack, EndsKeysAndTheHermiteSegments) {
    const Track line = track({{0, 10, 10, 0}, {10, 10, 10, 100}});
    const Track curve = track({{1, 2, -1, 0}, {4, 0.5f, 3, 10}, {-2, -3, 1, 30}});
    struct Case {
        const Track& track;
        float t, want;
    };
    const Track empty, single = track({{4, 9, 9, 50}}), late = track({{5, 0, 0, -1}, {9, 0, 0, 10}});
    const Case cases[] = {
        {line, 50, 5},
        {line, -20, 0},
        {line, 100, 10},
        {line, 250, 10},
        {empty, 5, 0},
        {single, 500, 4},
        {late, 50, 5},                                        // times compare unsigned: a key at -1 lies after any t
        {track({{0, 1, 0, 0}, {0, 0, 0, 100}}), 50, 0.125f},  // tangents count per unit of s
        {curve, 10, 4},
        {curve, 0, 1},
    };
    for (const Case& c : cases) EXPECT_FLOAT_EQ(evaluateTrack(c.track, c.t), c.want) << c.t;
    // Between keys the Hermite polynomial in s with the stored tangents, pinned.
    testing::Checksum sum;
    for (float t = -5; t <= 35; t += 0.25f) sum.add(evaluateTrack(curve, t));
    EXPECT_TRUE(testing::matchesGolden("scene.track_sweep", sum.value()));
}

TEST(EvaluateClip, PosesFromTheClipAndLeavesOtherObjectsUnanimated) {
    Scene scene;
    SceneObject& moved = addObject(scene, 1, -1, {0, 0, 0});
    moved.clips.push_front(pose(3, {1, 0, 0}, {0, 0, 1}, 90, 2));
    moved.clips.push_front(pose(4, {0, 0, 3}, {0, 0, 0}, 75));  // all-zero axis: no turn
    SceneObject& other = addObject(scene, 2, -1, {0, 0, 0});
    other.clips.push_front(pose(4, {9, 9, 9}, {0, 1, 0}, 30));
    SceneObject& empty = addObject(scene, 3, -1, {0, 0, 0});
    empty.clips.push_front(ObjectClip{3, {}});

    evaluateClip(scene, 10, 3);  // translation, then rotation, then scale
    EXPECT_TRUE(near(transformPoint(moved.animMatrix, 0, 0, 0), {0, 2, 0}));
    EXPECT_TRUE(near(transformPoint(moved.animMatrix, 1, 0, 0), {0, 4, 0}));
    EXPECT_EQ(moved.color, (Color4{0.5f, 0.25f, 1, 0.75f}));
    for (SceneObject* o : {&other, &empty}) {
        EXPECT_EQ(o->animMatrix, identityMatrix());
        EXPECT_EQ(o->color, (Color4{1, 1, 1, 1}));  // the colour is left as it was
    }
    evaluateClip(scene, 0, 4);
    Matrix4 shifted;
    translation(0, 0, 3, shifted);
    EXPECT_EQ(moved.animMatrix, shifted);
    EXPECT_EQ(moved.animAxis, (Vector3{1, 0, 0}));
    EXPECT_EQ(moved.animAngle, 0.0f);
}

TEST(Propagate, ParentsAnimationIsPassedDownAboutTheParentsPlace) {
    Scene scene;
    SceneObject& root = addObject(scene, 1, -1, {10, 4, 5});
    SceneObject& still = addObject(scene, 2, 1, {3, 0, 0});
    still.clips.push_front(pose(0, {0, 1, 0}, {0, 0, 0}, 0));
    Scene turned;
    addObject(turned, 1, -1, {5, 0, 0}).clips.push_front(pose(0, {0, 0, 0}, {0, 0, 1}, 90));
    SceneObject& child = addObject(turned, 2, 1, {6, 0, 0});
    Scene chain;
    addObject(chain, 1, -1, {0, 0, 0}).clips.push_front(pose(0, {0, 0, 0}, {0, 0, 1}, 90));
    SceneObject& middle = addObject(chain, 2, 1, {1, 0, 0});
    SceneObject& bottom = addObject(chain, 3, 2, {2, 0, 0});
    bottom.clips.push_front(pose(0, {0, 0, 1}, {0, 0, 0}, 0));
    for (Scene* s : {&scene, &turned, &chain}) {
        evaluateClip(*s, 0, 0);
        propagate(*s, -1, nullptr);
    }
    EXPECT_TRUE(near(drawnOrigin(root), {10, 4, 5}));
    EXPECT_TRUE(near(drawnOrigin(still), {3, 1, 0}));  // base matrices are absolute
    EXPECT_TRUE(near(drawnOrigin(child), {5, 1, 0}));  // turned about the parent's place
    EXPECT_EQ(child.matrix[3], 6.0f);
    EXPECT_TRUE(near(drawnOrigin(middle), {0, 1, 0}));
    EXPECT_TRUE(near(drawnOrigin(bottom), {0, 2, 1}));

    // Without a new evaluateClip the children move once more.
    const Vector3 first = drawnOrigin(middle);
    propagate(chain, -1, nullptr);
    EXPECT_FALSE(near(drawnOrigin(middle), first, 0.1f));
}

TEST(Propagate, OnlyTheReachableHierarchyIsPosedAndEachObjectOnce) {
    Scene scene;
    addObject(scene, 1, -1, {1, 0, 0}).flags = 104;  // not part of the hierarchy
    addObject(scene, 2, 50, {2, 0, 0});              // orphan
    addObject(scene, 3, 4, {3, 0, 0});               // a cycle of two
    addObject(scene, 4, 3, {4, 0, 0});
    addObject(scene, 7, -1, {5, 0, 0});
    addObject(scene, 7, 7, {6, 0, 0});    // its own parent, through a duplicate id
    addObject(scene, -1, -1, {7, 0, 0});  // would make every root its child
    for (int i = 0; i < scene.objectCount; ++i) scene.objects[i].clips.push_front(pose(0, {0, 1, 0}, {0, 0, 0}, 0));
    evaluateClip(scene, 0, 0);
    propagate(scene, -1, nullptr);
    const float drawnY[] = {0, 0, 0, 0, 1, 2, 1};
    for (int i = 0; i < scene.objectCount; ++i)
        EXPECT_TRUE(near(drawnOrigin(scene.objects[i]), {float(i + 1), drawnY[i], 0})) << i;
}

}  // namespace
}  // namespace lumen
