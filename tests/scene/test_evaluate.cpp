#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <numbers>

#include "mesh/math3d.h"
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

// The drawn world matrix, back in row-major form.
Matrix4 world(const SceneObject& o) {
    Matrix4 m = o.drawMatrix;
    transpose(m);
    return m;
}

Vector3 drawnOrigin(const SceneObject& o) { return transformPoint(world(o), 0, 0, 0); }

Track track(std::initializer_list<TrackKey> keys) { return Track{std::vector<TrackKey>(keys)}; }

Track constant(float value) { return track({{value, 0, 0, 0}}); }

// A clip whose tracks hold one key each: a fixed pose.
ObjectClip pose(int32_t clipId, Vector3 position, Vector3 axis, float degrees,
                Vector3 scale = {1, 1, 1}, Color4 color = {1, 1, 1, 1}) {
    ObjectClip clip;
    clip.clipId = clipId;
    const float values[kObjectTrackCount] = {position.x, position.y, position.z, axis.x, axis.y,
                                             axis.z,     degrees,    scale.x,    scale.y, scale.z,
                                             color.r,    color.g,    color.b,    color.a};
    for (int i = 0; i < kObjectTrackCount; ++i) clip.tracks[i] = constant(values[i]);
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
    EXPECT_FLOAT_EQ(evaluateTrack(t, 25), 2.5f);
    EXPECT_EQ(evaluateTrack(t, 0), 0.0f);
    EXPECT_EQ(evaluateTrack(t, -20), 0.0f);
    EXPECT_EQ(evaluateTrack(t, 100), 10.0f);
    EXPECT_EQ(evaluateTrack(t, 250), 10.0f);

    Track three = track({{1, 0, 0, 0}, {7, 0, 0, 40}, {3, 0, 0, 90}});
    EXPECT_EQ(evaluateTrack(three, 40), 7.0f);
    EXPECT_FLOAT_EQ(evaluateTrack(three, 65), 5.0f);  // flat tangents: the midpoint
}

TEST(EvaluateTrack, TangentsArePerUnitOfTheSegmentNotPerTimeUnit) {
    // Values 0 and 0, outgoing tangent 1 over a span of 100: at s = 0.5 the
    // tangent term is (s^3 - 2 s^2 + s) * 1 = 0.125.
    Track t = track({{0, 1, 0, 0}, {0, 0, 0, 100}});
    EXPECT_FLOAT_EQ(evaluateTrack(t, 50), 0.125f);
    Track in = track({{0, 0, 0, 0}, {0, 0, 1, 100}});
    EXPECT_FLOAT_EQ(evaluateTrack(in, 50), -0.125f);
}

TEST(EvaluateTrack, EmptyAbsentAndSingleKeyTracks) {
    EXPECT_EQ(evaluateTrack(Track{}, 5), 0.0f);
    EXPECT_EQ(evaluateTrack(std::optional<Track>{}, 5), 0.0f);
    EXPECT_EQ(evaluateTrack(track({{4, 9, 9, 50}}), 0), 4.0f);
    EXPECT_EQ(evaluateTrack(track({{4, 9, 9, 50}}), 500), 4.0f);
}

TEST(EvaluateTrack, KeyTimesCompareAsUnsignedNumbers) {
    // A first key stored at -1 lies after any show time, so t is "before" it.
    Track t = track({{5, 0, 0, -1}, {9, 0, 0, 10}});
    EXPECT_EQ(evaluateTrack(t, 50), 5.0f);
    EXPECT_EQ(evaluateTrack(t, 4000), 5.0f);
}

TEST(EvaluateClip, TranslationThenRotationThenScale) {
    Scene scene;
    SceneObject& o = addObject(scene, 1, -1, {0, 0, 0});
    o.clips.push_front(pose(3, {1, 0, 0}, {0, 0, 1}, 90, {2, 2, 2}, {0.5f, 0.25f, 1, 0.75f}));
    evaluateClip(scene, 10, 3);
    EXPECT_TRUE(near(transformPoint(o.animMatrix, 0, 0, 0), {0, 2, 0}));
    EXPECT_EQ(o.color, (Color4{0.5f, 0.25f, 1, 0.75f}));
    EXPECT_EQ(o.animAngle, 90.0f);
    EXPECT_EQ(o.animScale, (Vector3{2, 2, 2}));
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
    ObjectClip blank;
    blank.clipId = 5;
    for (auto& t : blank.tracks) t = Track{};
    empty.clips.push_front(blank);
    for (SceneObject* o : {&other, &empty}) {
        o->color = Color4{0.2f, 0.2f, 0.2f, 0.2f};
        translation(1, 1, 1, o->animMatrix);
        o->animScale = Vector3{};
    }
    evaluateClip(scene, 0, 5);
    for (SceneObject* o : {&other, &empty}) {
        EXPECT_EQ(o->animMatrix, identityMatrix());
        EXPECT_EQ(o->animScale, (Vector3{1, 1, 1}));
        EXPECT_EQ(o->color, (Color4{0.2f, 0.2f, 0.2f, 0.2f}));  // colour is not reset
    }
}

TEST(EvaluateClip, TheFirstClipWithTheIdInListOrderWins) {
    Scene scene;
    SceneObject& o = addObject(scene, 1, -1, {0, 0, 0});
    o.clips.push_front(pose(2, {1, 0, 0}, {0, 0, 0}, 0));
    o.clips.push_front(pose(2, {5, 0, 0}, {0, 0, 0}, 0));
    evaluateClip(scene, 0, 2);
    EXPECT_EQ(o.animPosition.x, 5.0f);
}

TEST(Propagate, RootIsDrawnAtItsMatrixTimesItsAnimation) {
    Scene scene;
    SceneObject& root = addObject(scene, 1, -1, {3, 4, 5});
    evaluateClip(scene, 0, 0);
    propagate(scene, -1, nullptr);
    EXPECT_EQ(world(root), root.matrix);

    root.clips.push_front(pose(0, {1, 0, 0}, {0, 0, 0}, 0));
    evaluateClip(scene, 0, 0);
    propagate(scene, -1, nullptr);
    EXPECT_TRUE(near(drawnOrigin(root), {4, 4, 5}));
}

TEST(Propagate, BaseMatricesAreAbsoluteUnderAStillParent) {
    Scene scene;
    addObject(scene, 1, -1, {10, 0, 0});
    SceneObject& child = addObject(scene, 2, 1, {3, 0, 0});
    child.clips.push_front(pose(0, {0, 1, 0}, {0, 0, 0}, 0));
    evaluateClip(scene, 0, 0);
    propagate(scene, -1, nullptr);
    Matrix4 expected;
    multiply(child.matrix, child.animMatrix, expected);
    Matrix4 drawn = world(child);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(drawn[i], expected[i], 1e-5f) << "element " << i;
    EXPECT_TRUE(near(drawnOrigin(child), {3, 1, 0}));
}

TEST(Propagate, ChildrenTurnWithTheirParentAboutTheParentsPlace) {
    Scene scene;
    SceneObject& top = addObject(scene, 1, -1, {5, 0, 0});
    SceneObject& child = addObject(scene, 2, 1, {6, 0, 0});
    top.clips.push_front(pose(0, {0, 0, 0}, {0, 0, 1}, 90));
    evaluateClip(scene, 0, 0);
    propagate(scene, -1, nullptr);
    EXPECT_TRUE(near(drawnOrigin(top), {5, 0, 0}));
    EXPECT_TRUE(near(drawnOrigin(child), {5, 1, 0}));
    EXPECT_EQ(child.matrix[3], 6.0f);  // base matrices are untouched
}

TEST(Propagate, GrandchildrenSeeTheAnimationPassedDownByTheirParent) {
    Scene scene;
    SceneObject& top = addObject(scene, 1, -1, {0, 0, 0});
    SceneObject& middle = addObject(scene, 2, 1, {1, 0, 0});
    SceneObject& bottom = addObject(scene, 3, 2, {2, 0, 0});
    top.clips.push_front(pose(0, {0, 0, 0}, {0, 0, 1}, 90));
    bottom.clips.push_front(pose(0, {0, 0, 1}, {0, 0, 0}, 0));
    evaluateClip(scene, 0, 0);
    propagate(scene, -1, nullptr);
    EXPECT_TRUE(near(drawnOrigin(middle), {0, 1, 0}));
    EXPECT_TRUE(near(drawnOrigin(bottom), {0, 2, 1}));
}

TEST(Propagate, ASecondWalkWithoutEvaluatingMovesChildrenAgain) {
    Scene scene;
    SceneObject& top = addObject(scene, 1, -1, {5, 0, 0});
    SceneObject& child = addObject(scene, 2, 1, {6, 0, 0});
    top.clips.push_front(pose(0, {0, 0, 0}, {0, 0, 1}, 90));
    evaluateClip(scene, 0, 0);
    propagate(scene, -1, nullptr);
    Vector3 first = drawnOrigin(child);
    Vector3 rootFirst = drawnOrigin(top);
    propagate(scene, -1, nullptr);
    EXPECT_TRUE(near(drawnOrigin(top), rootFirst));
    EXPECT_FALSE(near(drawnOrigin(child), first, 0.1f));
    // Once more through evaluateClip, the pose is back.
    evaluateClip(scene, 0, 0);
    propagate(scene, -1, nullptr);
    EXPECT_TRUE(near(drawnOrigin(child), first));
}

TEST(Propagate, NonHierarchyTypesOrphansAndCyclesKeepTheirPose) {
    Scene scene;
    SceneObject& deformer = addObject(scene, 1, -1, {1, 0, 0});
    deformer.flags = 104;
    SceneObject& orphan = addObject(scene, 2, 50, {2, 0, 0});
    SceneObject& loopA = addObject(scene, 3, 4, {3, 0, 0});
    SceneObject& loopB = addObject(scene, 4, 3, {4, 0, 0});
    SceneObject& root = addObject(scene, 5, -1, {0, 0, 0});
    root.clips.push_front(pose(0, {0, 9, 0}, {0, 0, 0}, 0));
    for (SceneObject* o : {&deformer, &orphan, &loopA, &loopB})
        o->clips.push_front(pose(0, {0, 9, 0}, {0, 0, 0}, 0));
    evaluateClip(scene, 0, 0);
    propagate(scene, -1, nullptr);
    EXPECT_TRUE(near(drawnOrigin(root), {0, 9, 0}));
    EXPECT_TRUE(near(drawnOrigin(deformer), {1, 0, 0}));
    EXPECT_TRUE(near(drawnOrigin(orphan), {2, 0, 0}));
    EXPECT_TRUE(near(drawnOrigin(loopA), {3, 0, 0}));
    EXPECT_TRUE(near(drawnOrigin(loopB), {4, 0, 0}));
}

TEST(Propagate, DuplicateIdsAndAnIdOfMinusOneStillEndAndPoseEachObjectOnce) {
    Scene scene;
    addObject(scene, 7, -1, {0, 0, 0});
    SceneObject& self = addObject(scene, 7, 7, {1, 0, 0});
    SceneObject& minusOne = addObject(scene, -1, -1, {2, 0, 0});
    for (int i = 0; i < scene.objectCount; ++i)
        scene.objects[i].clips.push_front(pose(0, {0, 1, 0}, {0, 0, 0}, 0));
    evaluateClip(scene, 0, 0);
    propagate(scene, -1, nullptr);
    // Posed once as a child of the first object 7.
    EXPECT_TRUE(near(drawnOrigin(self), {1, 2, 0}));
    EXPECT_TRUE(near(drawnOrigin(minusOne), {2, 1, 0}));
}

}  // namespace
}  // namespace lumen
