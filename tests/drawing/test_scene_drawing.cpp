// Scenes drawn headless: depth and the blended pass, the camera's projection
// and roll, and scene views through the event player.
#include <gtest/gtest.h>

#include <cmath>

#include "base/runtime_random.h"
#include "drawing_support.h"
#include "platform/gl.h"
#include "scene/camera.h"
#include "scene/display_lists.h"
#include "scene/draw_scene.h"
#include "support/headless_gl.h"
#include "timeline/event_player.h"

namespace lumen {
namespace {

using testing::Picture;
using testing::Rgba;

TEST(CameraRoll, TwoFiftyFiveIsOneFullTurn) {
    Camera c;
    c.eye = Vector3{1, 2, 5};
    c.target = Vector3{0, 0, 0};
    c.up = Vector3{0, 1, 0};
    c.roll = 0;
    EXPECT_EQ(rolledUp(c), c.up);
    c.roll = 255;
    const Vector3 turned = rolledUp(c);
    EXPECT_NEAR(turned.x, 0, 1e-5);
    EXPECT_NEAR(turned.y, 1, 1e-5);
    EXPECT_NEAR(turned.z, 0, 1e-5);
    // A quarter turn about the line of sight looking down -z takes +y to +x.
    c.eye = Vector3{0, 0, 5};
    c.roll = 255.0f / 4;
    const Vector3 quarter = rolledUp(c);
    EXPECT_NEAR(quarter.x, 1, 1e-5);
    EXPECT_NEAR(quarter.y, 0, 1e-5);
}

TEST(DrawScene, OpaqueIsHiddenByNearerGeometryWhileAlphaBelowOneAddsLight) {
    auto display = testing::openHeadlessDisplay(640, 480);
    ASSERT_TRUE(display);
    glEnable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    Scene scene = testing::litScene(3);
    SceneObject& far = testing::addObject(scene, 1, 0, 0, -2);
    testing::addSquare(far.mesh, -3, -3, 3, 3);
    far.color = Color4{1, 0, 0, 1};
    // Nearer, opaque, over the left half: it hides the red square there.
    SceneObject& wall = testing::addObject(scene, 2, 0, 0, 0);
    testing::addSquare(wall.mesh, -3, -3, 0, 3);
    wall.color = Color4{0, 1, 0, 1};
    // Nearer still, over the right half, its faces at alpha 0.999: drawn in
    // the blended pass, it adds its blue to the red behind it.
    SceneObject& glass = testing::addObject(scene, 3, 0, 0, 1);
    testing::addSquare(glass.mesh, 0, -3, 3, 3, 0.999f);
    glass.color = Color4{0, 0, 1, 1};
    // No faces: skipped in every pass.
    testing::addObject(scene, 4, 0, 0, 2);
    compileDisplayLists(scene);

    CameraMatrix cam;
    glViewport(0, 0, 640, 480);
    applyCamera(testing::frontCamera(), 640.0f / 480, cam);
    drawScene(scene, cam);
    const Picture pic(display->readPicture(), 640, 480);
    const Rgba left = pic.at(200, 240), right = pic.at(440, 240);
    // GL's global ambient light leaves every lit face at 0.04 of its colour.
    EXPECT_LT(left.r, 30);
    EXPECT_GT(left.g, 200);
    EXPECT_GT(right.r, 200);
    EXPECT_GT(right.b, 200);
    EXPECT_LT(right.g, 30);

    // Drawn again the picture is the same: drawScene leaves no state behind
    // that changes the next frame (depth writes are back on, blending off).
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    applyCamera(testing::frontCamera(), 640.0f / 480, cam);
    drawScene(scene, cam);
    EXPECT_EQ(display->readPicture(), pic.pixels());
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
}

TEST(DrawScene, BeforeAnyCameraEverythingCollapsesToTheOrigin) {
    auto display = testing::openHeadlessDisplay(640, 480);
    ASSERT_TRUE(display);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    Scene scene = testing::litScene(3);
    SceneObject& o = testing::addObject(scene, 1, 0, 0, 0);
    testing::addSquare(o.mesh, -1, -1, 1, 1);
    compileDisplayLists(scene);
    drawScene(scene, CameraMatrix{});
    for (uint8_t b : display->readPicture()) ASSERT_EQ(b, 0);
}

// A lit cube at world (2, 1, 0) seen by a camera keyed to end up at
// (0, 0, 10) looking at the origin, in the rectangle (100, 100)-(419, 339).
struct CubeView {
    Scene scene = testing::litScene(7);
    TimelineEvent view;
    CubeView() {
        SceneObject& cube = testing::addObject(scene, 1, 2, 1, 0);
        testing::addCube(cube.mesh, 0.5f);
        compileDisplayLists(scene);
        Camera& cam = scene.cameras.emplace_front();
        cam.id = 9;
        cam.up = Vector3{0, 1, 0};
        cam.tracks[kTrackEyeX] = testing::keyedTrack({{0, -4.0f}, {100, 4.0f}});
        cam.tracks[kTrackEyeY] = testing::keyedTrack({{0, 0.0f}});
        cam.tracks[kTrackEyeZ] = testing::keyedTrack({{0, 10.0f}});
        cam.tracks[kTrackTargetX] = testing::keyedTrack({{0, -4.0f}, {100, 4.0f}});
        cam.tracks[kTrackTargetY] = testing::keyedTrack({{0, 0.0f}});
        cam.tracks[kTrackTargetZ] = testing::keyedTrack({{0, 0.0f}});
        cam.tracks[kTrackFov] = testing::keyedTrack({{0, 45.0f}});
        cam.tracks[kTrackRoll] = testing::keyedTrack({{0, 0.0f}});
        view.type = kEventSceneView;
        view.startTime = 0;
        view.endTime = 1009;
        view.x1Start = view.x1End = 100;
        view.y1Start = view.y1End = 100;
        view.x2Start = view.x2End = 419;
        view.y2Start = view.y2End = 339;
        view.scene = &scene;
        view.camera = &cam;
        view.cameraTimeStart = 0;
        view.cameraTimeEnd = 100;
    }
};

TEST(SceneView, LitCubeSeenByAKeyedCameraLandsWhereTheProjectionSays) {
    auto display = testing::openHeadlessDisplay(640, 480);
    ASSERT_TRUE(display);
    glEnable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 0);
    EventPlayer player(640, 480);
    CubeView v;

    // The first view of a run has no earlier camera: none is applied and
    // nothing shows, but the event's camera becomes the current one.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    player.drawTimeline(&v.view, 500);
    for (uint8_t b : display->readPicture()) ASSERT_EQ(b, 0);
    EXPECT_EQ(player.currentCamera(), &*v.scene.cameras.begin());

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    player.drawTimeline(&v.view, 500);  // progress 500/1009: camera time 49.55
    const Picture pic(display->readPicture(), 640, 480);

    const double k = 500.0 / 1009 * 100;
    const double eyeX = -4 + 8 * k / 100;  // two keys: a straight line
    // Viewport (100, 140, 320, 240); perspective 45 degrees, aspect 4:3.
    const double f = 1 / std::tan(22.5 * 3.14159265358979 / 180);
    const double ndcX = f / (320.0 / 240) * (2 - eyeX) / 10, ndcY = f * 1 / 10;
    const double wantX = 100 + (ndcX + 1) / 2 * 320;
    const double wantY = 480 - (140 + (ndcY + 1) / 2 * 240);

    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const Rgba p = pic.at(x, y);
            if (p.r + p.g + p.b == 0) continue;
            EXPECT_TRUE(x >= 100 && x < 420 && y >= 100 && y < 340) << x << "," << y;
            sx += x;
            sy += y;
            ++n;
        }
    }
    ASSERT_GT(n, 200);
    // The front face, lit head-on, is white; the cube's centroid sits at the
    // projected centre within the perspective's small asymmetry.
    EXPECT_NEAR(sx / n + 0.5, wantX, 2.0);
    EXPECT_NEAR(sy / n + 0.5, wantY, 2.0);
    const Rgba centre = pic.at(static_cast<int>(wantX), static_cast<int>(wantY));
    EXPECT_GT(centre.r, 200);
    EXPECT_EQ(centre.r, centre.b);
}

TEST(SceneView, UnanimatedCameraFallsBackToTheCurrentOne) {
    auto display = testing::openHeadlessDisplay(640, 480);
    ASSERT_TRUE(display);
    EventPlayer player(640, 480);
    CubeView v;
    player.drawTimeline(&v.view, 0);
    Camera& keyed = *v.scene.cameras.begin();
    Camera& still = v.scene.cameras.emplace_front();
    still.id = 10;
    TimelineEvent other = v.view;
    other.camera = &still;
    player.drawTimeline(&other, 0);
    EXPECT_EQ(player.currentCamera(), &keyed);
    // A camera whose eye track exists but has no keys is not used either.
    still.tracks[kTrackEyeX] = Track{};
    player.drawTimeline(&other, 0);
    EXPECT_EQ(player.currentCamera(), &keyed);
}

}  // namespace
}  // namespace lumen
