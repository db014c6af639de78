// Display-list texture rules and the cloth flag, drawn headless.
#include <gtest/gtest.h>

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

GLuint solidTexture(uint8_t r, uint8_t g, uint8_t b) {
    const uint8_t texels[16] = {r, g, b, 255, r, g, b, 255, r, g, b, 255, r, g, b, 255};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return name;
}

// Four white squares side by side, each face naming a green texture:
//  0: no texture bit             -> drawn untextured (white)
//  1: texture bit                -> green
//  2: texture bit, faces name 0  -> untextured again
//  3: environment bit, env texture red, colour faces untextured -> red on top
TEST(DisplayLists, TextureAndEnvironmentBitsDecideWhatIsBound) {
    auto display = testing::openHeadlessDisplay(640, 480);
    ASSERT_TRUE(display);
    glEnable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const GLuint green = solidTexture(0, 255, 0);
    const GLuint red = solidTexture(255, 0, 0);

    Scene scene = testing::litScene(2);
    for (int k = 0; k < 4; ++k) {
        SceneObject& o = testing::addObject(scene, k + 1, -3.0f + 2.0f * k, 0, 0);
        testing::addSquare(o.mesh, -0.8f, -0.8f, 0.8f, 0.8f);
        for (int f = 0; f < o.mesh.faceCount; ++f) o.mesh.faces[f].texture = k == 2 ? 0 : green;
    }
    scene.objects[1].flags |= kFlagColorTexture;
    scene.objects[2].flags |= kFlagColorTexture;
    scene.objects[3].flags |= kFlagEnvTexture;
    for (int f = 0; f < scene.objects[3].mesh.faceCount; ++f) scene.objects[3].mesh.faces[f].envTexture = red;
    compileDisplayLists(scene);

    CameraMatrix cam;
    glViewport(0, 0, 640, 480);
    applyCamera(testing::frontCamera(), 640.0f / 480, cam);
    drawScene(scene, cam);
    const Picture pic(display->readPicture(), 640, 480);
    auto centreOf = [&](int k) {
        // World x = -3 + 2k at distance 10 with a 45-degree field of view.
        const double f = 2.414213562;
        const double ndc = f / (640.0 / 480) * (-3.0 + 2.0 * k) / 10;
        return pic.at(static_cast<int>((ndc + 1) / 2 * 640), 240);
    };
    const Rgba plain = centreOf(0), textured = centreOf(1), zeroName = centreOf(2), env = centreOf(3);
    EXPECT_GT(plain.r, 200);
    EXPECT_GT(plain.b, 200);
    EXPECT_LT(textured.r, 30);
    EXPECT_GT(textured.g, 200);
    EXPECT_GT(zeroName.r, 200);
    EXPECT_GT(zeroName.b, 200);
    // The environment pass adds its red over the white square.
    EXPECT_GT(env.r, 200);
}

TEST(ClothFlag, DrawsInItsWindowOnceACameraExistsAndCatchesUpToTheShowTime) {
    auto display = testing::openHeadlessDisplay(320, 240);
    ASSERT_TRUE(display);
    glEnable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    Scene flagScene = testing::litScene(1);
    // The flag's normals face away from +z: a second light shines from behind.
    flagScene.lights[1] = flagScene.lights[0];
    flagScene.lights[1].glLight = kGlLight0 + 1;
    flagScene.lights[1].position[2] = -1;
    Camera& cam = flagScene.cameras.emplace_front();
    cam.eye = Vector3{1.6f, 0.8f, 6};
    cam.target = Vector3{1.6f, 0.8f, 0};
    cam.up = Vector3{0, 1, 0};
    cam.fov = 45;
    cam.tracks[kTrackEyeX] = testing::keyedTrack({{0, 1.6f}});
    cam.tracks[kTrackEyeY] = testing::keyedTrack({{0, 0.8f}});
    cam.tracks[kTrackEyeZ] = testing::keyedTrack({{0, 6}});
    cam.tracks[kTrackTargetX] = testing::keyedTrack({{0, 1.6f}});
    cam.tracks[kTrackTargetY] = testing::keyedTrack({{0, 0.8f}});
    cam.tracks[kTrackFov] = testing::keyedTrack({{0, 45}});

    EventPlayer player(320, 240);
    player.createRenderTargets();
    player.setSceneLookup([&](int id) { return id == 1 ? &flagScene : nullptr; });

    // The flag's window, as an image layer that draws nothing visible, over
    // the right half of the screen.
    const float clear[4] = {0, 0, 0, 0};
    TimelineEvent window = testing::imageLayer(320, 0, 639, 479, clear, GL_ONE, GL_ONE);
    window.startTime = 422130;
    window.endTime = 451449;

    // No camera yet: the simulation keeps time, nothing is drawn.
    player.drawTimeline(&window, 422200);
    EXPECT_EQ(player.cloth().clock(), 422200);
    for (uint8_t b : display->readPicture()) ASSERT_EQ(b, 0);

    TimelineEvent view;
    view.type = kEventSceneView;
    view.startTime = 0;
    view.endTime = 999999;
    view.x2Start = view.x2End = 639;
    view.y2Start = view.y2End = 479;
    view.scene = &flagScene;
    view.camera = &cam;
    view.next = &window;
    player.drawTimeline(&view, 422300);  // the first view only sets the camera
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    player.drawTimeline(&view, 425000);
    EXPECT_EQ(player.cloth().clock(), 425000);

    const Picture pic(display->readPicture(), 320, 240);
    int inside = 0, outside = 0, green = 0, red = 0;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            const Rgba p = pic.at(x, y);
            if (p.r + p.g + p.b == 0) continue;
            (x >= 160 ? inside : outside)++;
            green += p.g > 2 * p.r + 20;
            red += p.r > 2 * p.g + 20;
        }
    }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(inside, 500);
    // The green band and the red band both show.
    EXPECT_GT(green, 50);
    EXPECT_GT(red, 50);
}

}  // namespace
}  // namespace lumen
