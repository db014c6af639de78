// The one fixture for drawing tests: a headless display with its picture
// bound, an event player ready to draw, and builders for scenes and events.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "platform/gl.h"
#include "scene/camera.h"
#include "scene/scene_records.h"
#include "support/headless_gl.h"
#include "support/picture.h"
#include "timeline/event_player.h"

namespace lumen::testing {

inline constexpr float kWhite[4] = {1, 1, 1, 1};

// Depth test on, picture and depth cleared to black / far, render targets made
// and the jitter table filled as at start-up.
class GlTest : public ::testing::Test {
protected:
    explicit GlTest(int width = 640, int height = 480);
    void SetUp() override { ASSERT_TRUE(display) << "no headless GL context"; }
    void TearDown() override { glClearColor(0, 0, 0, 0); }

    Picture read() const { return {display->readPicture(), width, height}; }
    float depthAt(int x, int y) const {
        float depth = 0;
        glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        return depth;
    }
    void clear() const;
    // Compiles the scene's lists and draws it with a camera at (0, 0, 10)
    // looking at the origin.
    void drawFromFront(Scene& scene);

    const int width, height;
    std::unique_ptr<platform::Display> display;
    EventPlayer player;
    CameraMatrix camera;
};

// A 2 x 2 texture of one colour, nearest filtering.
GLuint solidTexture(uint8_t r, uint8_t g, uint8_t b);

// An axis-aligned square in the z = 0 plane, two flat faces facing +z.
void addSquare(Mesh& mesh, float x0, float y0, float x1, float y1, float alpha = 1.0f);
// A scene with one white directional light shining along -z.
Scene litScene(int id);
// Appends a root object placed at a translation.
SceneObject& addObject(Scene& scene, int id, float x, float y, float z);
// Keys (time, value) with the tangents the loader gives them.
Track keyedTrack(std::initializer_list<std::pair<int, float>> keys);
// A camera at (0, 0, 10) looking at the origin, y up, 45 degrees.
Camera frontCamera();
// frontCamera with one-key tracks, so a scene view animates it.
Camera& addKeyedCamera(Scene& scene, int id, Vector3 eye, Vector3 target);

// An image layer over (x1, y1)-(x2, y2), active 0..9 ms.
TimelineEvent imageLayer(int x1, int y1, int x2, int y2, const float color[4], int src = kBlendOne,
                         int dst = kBlendZero);
// An event of the given kind and colour over the whole virtual screen, active
// 0..9 ms.
TimelineEvent fullScreen(int type, int targetIndex = 0, const float color[4] = kWhite);
// A scene view of the whole screen, active for the whole show.
TimelineEvent sceneView(Scene& scene, Camera* camera);

}  // namespace lumen::testing
