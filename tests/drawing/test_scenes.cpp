// Scenes drawn headless: display lists and their passes, fog and lights, the
// camera, scene views through the event player, the cloth flag and scene 17.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "scene/display_lists.h"
#include "scene/draw_scene.h"
#include "scene/lights.h"
#include "shell/loading.h"
#include "support/gl_fixture.h"
#include "timeline/scripted_rotation.h"

namespace lumen {
namespace {

using testing::addObject;
using testing::addSquare;
using testing::litScene;
using testing::Picture;
using testing::Rgba;

using Drawing = testing::GlTest;

// Pixel column of world x on the plane z = 0 seen by the front camera.
int columnOf(double x) { return int((2.414213562 / (640.0 / 480) * x / 10 + 1) / 2 * 640); }

// An object at (x, 0, 0) of the given flags holding a 1.6-wide square of the
// given alpha, its faces naming `texture` and `envTexture`.
SceneObject& addTile(Scene& scene, int id, float x, float alpha = 1.0f, uint32_t flags = 0, GLuint texture = 0,
                     GLuint envTexture = 0) {
    SceneObject& o = addObject(scene, id, x, 0, 0);
    addSquare(o.mesh, -0.8f, -0.8f, 0.8f, 0.8f, alpha);
    o.flags = flags;
    for (MeshFace& f : o.mesh.faces) {
        f.texture = texture;
        f.envTexture = envTexture;
    }
    return o;
}

// Squares at x = -3, -1, 1, 3, each face naming a green texture:
//  0: no texture bit                            -> untextured (white)
//  1: texture bit                               -> green
//  2: texture bit, faces name 0                 -> untextured
//  3: environment bit, environment texture red -> red added on top
TEST_F(Drawing, TextureAndEnvironmentBitsDecideWhatIsBound) {
    const GLuint green = testing::solidTexture(0, 255, 0), red = testing::solidTexture(255, 0, 0);
    Scene scene = litScene(2);
    const uint32_t flags[4] = {0, kFlagColorTexture, kFlagColorTexture, kFlagEnvTexture};
    for (int k = 0; k < 4; ++k) addTile(scene, k + 1, -3.0f + 2.0f * k, 1, flags[k], k == 2 ? 0 : green, red);
    scene.objects[3].color = Color4{0.4f, 0.4f, 0.4f, 1};  // grey, so the red added shows
    drawFromFront(scene);
    const Picture pic = read();
    const Rgba plain = pic.at(columnOf(-3), 240), textured = pic.at(columnOf(-1), 240);
    const Rgba zeroName = pic.at(columnOf(1), 240), env = pic.at(columnOf(3), 240);
    EXPECT_TRUE(plain.r > 200 && plain.b > 200);
    EXPECT_TRUE(textured.r < 30 && textured.g > 200);
    EXPECT_TRUE(zeroName.r > 200 && zeroName.b > 200);
    EXPECT_TRUE(env.r > env.g + 80 && env.g > 80) << env.r << "," << env.g;
}

// The blended list sets no texture state of its own: it draws with what the
// opaque lists drawn before it left, here the last object's green texture.
// The environment list keeps the blended pass's depth writes off.
TEST_F(Drawing, BlendedListsInheritTextureStateAndTheEnvironmentPassWritesNoDepth) {
    const GLuint green = testing::solidTexture(0, 255, 0), red = testing::solidTexture(255, 0, 0);
    Scene scene = litScene(2);
    addTile(scene, 1, -2, 0.999f);
    addTile(scene, 2, 2, 0.5f, kFlagEnvTexture, 0, red).color = Color4{0.5f, 0.5f, 0.5f, 1};  // chrome
    addTile(scene, 3, 0, 1, kFlagColorTexture, green);
    drawFromFront(scene);

    const Picture pic = read();
    const Rgba inherited = pic.at(columnOf(-2), 240), env = pic.at(columnOf(2), 240);
    EXPECT_TRUE(inherited.g > 200 && inherited.r < 30) << inherited.r << "," << inherited.g;
    EXPECT_GT(env.r, 100);
    for (const double x : {-2.0, 0.0, 2.0})
        EXPECT_EQ(depthAt(columnOf(x), 240) < 1.0f, x == 0.0) << "depth written at x " << x;
}

// An object of colour alpha 0 (a merge's hidden source) adds nothing in the
// blended and environment passes, so its triangles are not filled there; the
// texture it binds and the normal it leaves still reach the object after it.
// Alpha 1e-6 takes the full lists and adds less than one step: the pictures
// must be the same bytes.
TEST_F(Drawing, AnObjectOfAlphaZeroLeavesThePictureAndStateAsItsFullListsWould) {
    const GLuint green = testing::solidTexture(0, 255, 0), red = testing::solidTexture(255, 0, 0);
    std::vector<uint8_t> pictures[2];
    for (const int hidden : {0, 1}) {
        clear();
        Scene scene = litScene(5);
        addTile(scene, 1, -2, 0.5f, kFlagColorTexture, green);
        SceneObject& source = addTile(scene, 2, 2, 0.5f, kFlagColorTexture | kFlagEnvTexture, red, red);
        source.color.a = hidden == 0 ? 1e-6f : 0.0f;
        for (MeshFace& f : source.mesh.faces) f.faceNormal = Vector3{0.6f, 0, 0.8f};
        // Sends no normal and names no texture: lit by the normal and drawn
        // with the texture the hidden source left.
        SceneObject& last = addTile(scene, 3, 2, 0.5f);
        for (MeshFace& f : last.mesh.faces) f.shading = 0;
        drawFromFront(scene);
        pictures[hidden] = display->readPicture();
        if (hidden == 1) {
            const Rgba inherited = read().at(columnOf(2), 240);
            EXPECT_TRUE(inherited.r > 60 && inherited.g < 10) << inherited.r << "," << inherited.g;
        }
    }
    EXPECT_EQ(pictures[0], pictures[1]);
}

TEST_F(Drawing, OpaqueIsHiddenByNearerGeometryAlphaBelowOneAddsAndNothingLeaksOut) {
    Scene scene = litScene(3);
    SceneObject& far = addObject(scene, 1, 0, 0, -2);
    addSquare(far.mesh, -3, -3, 3, 3);
    far.color = Color4{1, 0, 0, 1};
    SceneObject& wall = addObject(scene, 2, 0, 0, 0);
    addSquare(wall.mesh, -3, -3, 0, 3);
    wall.color = Color4{0, 1, 0, 1};
    SceneObject& glass = addObject(scene, 3, 0, 0, 1);
    addSquare(glass.mesh, 0, -3, 3, 3, 0.999f);
    glass.color = Color4{0, 0, 1, 1};
    addObject(scene, 4, 0, 0, 2);  // no faces: skipped in every pass
    drawFromFront(scene);
    const Picture pic = read();
    const Rgba left = pic.at(200, 240), right = pic.at(440, 240);
    EXPECT_TRUE(left.r < 30 && left.g > 200);
    EXPECT_TRUE(right.r > 200 && right.b > 200 && right.g < 30);

    // Drawn again the picture is the same, and depth writes are back on.
    clear();
    drawFromFront(scene);
    EXPECT_EQ(display->readPicture(), pic.pixels);
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);

    // Before any camera the all-zero camera matrix collapses everything.
    clear();
    drawScene(scene, CameraMatrix{});
    EXPECT_TRUE(read().allBlack());
}

// Exponential fog at eye distance 10: f = exp(-10 density), colour =
// f * lit + (1 - f) * fog colour; the density is the float after the colour.
TEST_F(Drawing, FogMixesInItsColourByTheSceneDensity) {
    for (const float density : {0.1f, 0.05f}) {
        clear();
        Scene scene = litScene(4);
        addSquare(addObject(scene, 1, 0, 0, 0).mesh, -2, -2, 2, 2);
        scene.fogEnabled = 1;
        scene.fogColor[1] = 0.5f;
        scene.fogDensity = density;
        drawFromFront(scene);
        const double f = std::exp(-10.0 * density);
        const Rgba px = read().at(320, 240);
        EXPECT_NEAR(px.r, 255 * f, 3) << density;
        EXPECT_NEAR(px.g, 255 * (f + (1 - f) * 0.5), 3) << density;
    }
}

TEST_F(Drawing, LightsTakeEveryParameterOfTheirSlot) {
    Scene scene;
    for (int k = 0; k < kSceneLightSlots; ++k) {
        SceneLight& l = scene.lights[k];
        l.enabled = k % 2 == 0;
        const float v = 0.1f * float(k + 1);
        for (int c = 0; c < 4; ++c) {  // every value distinct; positions directional or not by slot
            l.ambient[c] = v + 0.2f * float(c);
            l.diffuse[c] = 0.9f - v + 0.05f * float(c);
            l.position[c] = c == 3 ? float(k % 2) : float(k - c);
            l.spotDirection[c] = -0.3f * float(c);
        }
        l.spotExponent = 2.0f * float(k);
        l.spotCutoff = 10.0f + float(k);
        l.attenuation[0] = 1;
        l.attenuation[1] = v;
        l.attenuation[2] = v / 10;
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (int k = 0; k < kUsableLights; ++k) glEnable(GL_LIGHT0 + k);
    applyLights(scene);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING) && glIsEnabled(GL_NORMALIZE));
    for (int k = 0; k < kUsableLights; ++k) {
        const SceneLight& l = scene.lights[k];
        const GLenum name = GL_LIGHT0 + k;
        EXPECT_EQ(glIsEnabled(name), l.enabled != 0) << k;
        if (!l.enabled) continue;
        const struct {
            GLenum what;
            const float* want;
            int n;
        } params[] = {{GL_AMBIENT, l.ambient, 4},
                      {GL_DIFFUSE, l.diffuse, 4},
                      {GL_SPECULAR, l.diffuse, 4},
                      {GL_POSITION, l.position, 4},
                      {GL_SPOT_DIRECTION, l.spotDirection, 3},
                      {GL_SPOT_EXPONENT, &l.spotExponent, 1},
                      {GL_SPOT_CUTOFF, &l.spotCutoff, 1},
                      {GL_CONSTANT_ATTENUATION, &l.attenuation[0], 1},
                      {GL_LINEAR_ATTENUATION, &l.attenuation[1], 1},
                      {GL_QUADRATIC_ATTENUATION, &l.attenuation[2], 1}};
        for (const auto& p : params) {
            float got[4] = {};
            glGetLightfv(name, p.what, got);
            for (int c = 0; c < p.n; ++c) EXPECT_NEAR(got[c], p.want[c], 1e-6) << k << " " << p.what;
        }
    }
}

TEST(CameraRoll, TwoFiftyFiveIsOneFullTurnAndAQuarterTakesUpToTheSide) {
    Camera c = testing::frontCamera();
    const std::pair<float, Vector3> cases[] = {
        {0, {0, 1, 0}}, {255, {0, 1, 0}}, {255.0f / 4, {1, 0, 0}}, {255.0f / 2, {0, -1, 0}}};
    for (const auto& [roll, up] : cases) {
        c.roll = roll;
        const Vector3 u = rolledUp(c);
        EXPECT_NEAR(u.x, up.x, 1e-5) << roll;
        EXPECT_NEAR(u.y, up.y, 1e-5) << roll;
    }
}

// A lit square at (2, 1, 0); the camera slides from x = -4 to 4 over camera
// times 0..100, looking straight ahead, into the rectangle (100, 100)-(419, 339).
struct SquareView {
    Scene scene = litScene(7);
    TimelineEvent view;
    Camera* cam;
    SquareView() {
        addSquare(addObject(scene, 1, 2, 1, 0).mesh, -0.5f, -0.5f, 0.5f, 0.5f);
        compileDisplayLists(scene);
        cam = &testing::addKeyedCamera(scene, 9, {0, 0, 10}, {0, 0, 0});
        cam->tracks[kTrackEyeX] = cam->tracks[kTrackTargetX] = testing::keyedTrack({{0, -4.0f}, {100, 4.0f}});
        view = testing::sceneView(scene, cam);
        view.endTime = 1009;
        view.x1Start = view.x1End = view.y1Start = view.y1End = 100;
        view.x2Start = view.x2End = 419;
        view.y2Start = view.y2End = 339;
        view.cameraTimeEnd = 100;
    }
};

TEST_F(Drawing, SceneViewAppliesItsKeyedCameraOnceACameraHasBeenUsed) {
    SquareView v;
    // The first view of a run applies no camera, but its camera becomes current.
    player.drawTimeline(&v.view, 500);
    EXPECT_TRUE(read().allBlack());
    EXPECT_EQ(player.currentCamera(), v.cam);

    player.drawTimeline(&v.view, 500);  // camera time 500 / 1009 * 100
    const Picture pic = read();
    const double eyeX = -4 + 8 * (500.0 / 1009);
    const double f = 1 / std::tan(22.5 * std::numbers::pi / 180);
    const double wantX = 100 + (f / (320.0 / 240) * (2 - eyeX) / 10 + 1) / 2 * 320;
    const double wantY = 480 - (140 + (f / 10 + 1) / 2 * 240);
    double sx = 0, sy = 0;
    int n = 0;
    pic.forEach([&](int x, int y, Rgba p) {
        if (p.r == 0) return;
        EXPECT_TRUE(x >= 100 && x < 420 && y >= 100 && y < 340) << x << "," << y;
        sx += x;
        sy += y;
        ++n;
    });
    ASSERT_GT(n, 100);
    EXPECT_NEAR(sx / n + 0.5, wantX, 1.0);
    EXPECT_NEAR(sy / n + 0.5, wantY, 1.0);

    // A camera without keys on its eye track is not used: the current one stays.
    Camera& still = v.scene.cameras.emplace_front();
    TimelineEvent other = v.view;
    other.camera = &still;
    for (const bool emptyTrack : {false, true}) {
        if (emptyTrack) still.tracks[kTrackEyeX] = Track{};
        player.drawTimeline(&other, 0);
        EXPECT_EQ(player.currentCamera(), v.cam);
    }
}

// The scene view re-poses its scene from clip `clipId` at clip time
// lerp(clipTimeStart, clipTimeEnd, p) only while the scene's switch is set.
TEST_F(Drawing, SceneViewAnimatesOnlyWhileTheScenesSwitchIsSet) {
    SquareView v;
    v.view.camera = v.cam = &testing::addKeyedCamera(v.scene, 3, {2, 1, 10}, {2, 1, 0});
    SceneObject& square = v.scene.objects[0];
    ObjectClip& clip = square.clips.emplace_front();
    clip.clipId = 7;
    const float still[kObjectTrackCount] = {0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 0.5f, 0.25f, 1};
    for (int k = 0; k < kObjectTrackCount; ++k) clip.tracks[k] = testing::keyedTrack({{0, still[k]}});
    clip.tracks[kTrackPositionX] = testing::keyedTrack({{0, 0}, {100, 10}});
    v.view.clipId = 7;
    v.view.clipTimeStart = 20;
    v.view.clipTimeEnd = 60;
    player.drawEvent(v.view, 0.5f);  // sets the current camera

    struct Step {
        int switchId, clipId;
        float p, wantX;  // the square's drawn x afterwards
    };
    const Step steps[] = {{-1, 7, 0.5f, 2},
                          {v.scene.id + 1, 7, 0.5f, 2},
                          {v.scene.id, 7, 0.5f, 6},
                          {v.scene.id, 7, 1.0f, 8},
                          {v.scene.id, 8, 1.0f, 2}};
    for (const Step& s : steps) {
        player.animationSwitches().set(s.switchId);
        v.view.clipId = s.clipId;
        player.drawEvent(v.view, s.p);
        EXPECT_NEAR(square.drawMatrix[12], s.wantX, 1e-5) << s.switchId << " " << s.p;
        EXPECT_EQ(square.color.g, s.wantX == 2 && s.switchId != v.scene.id ? 1.0f : 0.5f);
    }

    // Another player, whose switches are all clear, draws the pose left behind.
    v.view.clipId = 7;
    clear();
    player.drawEvent(v.view, 0.5f);
    const auto animated = read().pixels;
    clear();
    EventPlayer fresh(640, 480);
    fresh.drawEvent(v.view, 0.5f);
    fresh.drawEvent(v.view, 0.5f);
    EXPECT_EQ(read().pixels, animated);
}

// The flag through GL feedback: every corner at (-0.25 (x - 13), 1.8 - 0.25 y,
// 0.25 z) with the normal's y negated, coloured by its cell's row band.
TEST_F(Drawing, ClothFlagMapsParticlesToVerticesAndColoursItsBands) {
    ClothFlag cloth;
    for (int i = 0; i < ClothFlag::kColumns; ++i) {
        for (int j = 0; j < ClothFlag::kRows; ++j) {
            cloth.at(i, j).position = Vector3{i + 0.1f * j, j - 0.05f * i, 0.3f * i - 0.2f * j};
            cloth.at(i, j).normal = Vector3{0, -1, 0};
        }
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 4, -1, 2, -4, 4);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const float none[4] = {0, 0, 0, 1}, above[4] = {0, 1, 0, 0};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
    const std::pair<GLenum, const float*> light[] = {
        {GL_AMBIENT, none}, {GL_DIFFUSE, testing::kWhite}, {GL_SPECULAR, none}, {GL_POSITION, above}};
    for (const auto& [what, value] : light) glLightfv(GL_LIGHT0, what, value);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    std::vector<GLfloat> buffer(40000);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    drawClothFlag(cloth);
    const int used = glRenderMode(GL_RENDER);
    glDisable(GL_LIGHTING);
    ASSERT_GT(used, 0);

    std::vector<std::vector<const GLfloat*>> polygons;
    for (int k = 0; k < used; k += 2 + 7 * int(buffer[k + 1])) {
        ASSERT_EQ(buffer[k], GL_POLYGON_TOKEN);
        auto& polygon = polygons.emplace_back();
        for (int c = 0; c < int(buffer[k + 1]); ++c) polygon.push_back(&buffer[k + 2 + 7 * c]);
    }
    const int cells = (ClothFlag::kColumns - 1) * (ClothFlag::kRows - 1);
    ASSERT_EQ(polygons.size() % cells, 0u);
    const size_t perCell = polygons.size() / cells;
    const float bands[3][3] = {{0, 0.6f, 0}, {1, 1, 1}, {0.8f, 0, 0}};
    for (size_t p = 0; p < polygons.size(); ++p) {
        const int cell = int(p / perCell), i = cell / 8, j = cell % 8;
        const float* band = bands[j <= 2 ? 0 : j <= 5 ? 1 : 2];
        for (const GLfloat* v : polygons[p]) {
            bool matched = false;
            for (const auto& [ci, cj] :
                 std::initializer_list<std::pair<int, int>>{{i, j}, {i + 1, j}, {i + 1, j + 1}, {i, j + 1}}) {
                const Vector3 q = cloth.at(ci, cj).position;
                const double X = -0.25 * (q.x - 13), Y = 1.8 - 0.25 * q.y, Z = 0.25 * q.z;
                matched |= std::fabs(v[0] - (X + 1) / 5 * 640) < 1e-2 && std::fabs(v[1] - (Y + 1) / 3 * 480) < 1e-2 &&
                           std::fabs(v[2] - (0.5 - Z / 8)) < 1e-4;
            }
            EXPECT_TRUE(matched) << "cell " << i << "," << j;
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(v[3 + c], band[c], 1e-3) << "cell " << i << "," << j;
        }
    }
}

TEST_F(Drawing, ClothFlagKeepsTimeWithoutACameraAndDrawsInsideItsWindowWithOne) {
    Scene flagScene = litScene(1);
    flagScene.lights[1] = flagScene.lights[0];  // the flag faces away from +z
    flagScene.lights[1].glLight = kGlLight0 + 1;
    flagScene.lights[1].position[2] = -1;
    Camera* cam = &testing::addKeyedCamera(flagScene, 0, {1.6f, 0.8f, 6}, {1.6f, 0.8f, 0});
    player.setSceneLookup([&](int id) { return id == 1 ? &flagScene : nullptr; });
    const float nothing[4] = {0, 0, 0, 0};
    TimelineEvent window = testing::imageLayer(320, 0, 639, 479, nothing, kBlendOne, kBlendOne);
    window.startTime = 422130;
    window.endTime = 451449;

    player.drawTimeline(&window, 422200);
    EXPECT_EQ(player.cloth().clock(), 422200);
    EXPECT_TRUE(read().allBlack());

    TimelineEvent view = testing::sceneView(flagScene, cam);
    view.next = &window;
    player.drawTimeline(&view, 422300);  // the first view only sets the camera
    clear();
    player.drawTimeline(&view, 425000);
    EXPECT_EQ(player.cloth().clock(), 425000);
    const Picture pic = read();
    int inside = 0, outside = 0, green = 0, red = 0;
    pic.forEach([&](int x, int, Rgba p) {
        if (p.r + p.g + p.b == 0) return;
        (x >= 320 ? inside : outside)++;
        green += p.g > 2 * p.r + 20;
        red += p.r > 2 * p.g + 20;
    });
    EXPECT_EQ(outside, 0);
    EXPECT_GT(inside, 2000);
    EXPECT_GT(green, 200);
    EXPECT_GT(red, 200);
}

// Inside the scripted rotation's window the frame draws scene 17 turned: the
// pose drawn is the turned base matrix, and the base is back afterwards.
TEST_F(Drawing, ShowFrameDrawsSceneSeventeenTurnedInsideTheWindowOnly) {
    PackLists active;
    Scene& machine = active.scenes.emplace_front(litScene(kScriptedRotationSceneId));
    SceneObject& part = addObject(machine, 42, 1, 0, 0);
    addSquare(part.mesh, -0.5f, -0.5f, 0.5f, 0.5f);
    part.parentId = 7;
    compileDisplayLists(machine);
    TimelineEvent view = testing::sceneView(machine, &testing::addKeyedCamera(machine, 0, {0, 4, 6}, {0, 0, 0}));
    active.eventsHead = active.eventsTail = &view;
    const Matrix4 base = part.matrix;

    drawShowFrame(player, active, 399499);
    drawShowFrame(player, active, 399499);
    const auto outside = read().pixels;
    EXPECT_FALSE(player.animationSwitches().isSet(17));
    EXPECT_EQ(part.parentId, 7);
    EXPECT_EQ(part.drawMatrix[12], 1.0f);

    const int t = 405000;
    drawShowFrame(player, active, t);
    EXPECT_NE(read().pixels, outside);
    EXPECT_TRUE(player.animationSwitches().isSet(17));
    EXPECT_EQ(part.parentId, -1);
    Matrix4 turn, want;
    rotation(0, 1, 0, float(t * std::numbers::pi / 700), turn);
    multiply(turn, base, want);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(part.drawMatrix[4 * c + r], want.at(r, c), 1e-5) << r << "," << c;
            EXPECT_NEAR(part.matrix.at(r, c), base.at(r, c), 1e-5) << r << "," << c;
        }
    }
}

}  // namespace
}  // namespace lumen
