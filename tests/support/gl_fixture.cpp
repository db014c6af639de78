// The drawing fixture and its builders.
#include "support/gl_fixture.h"

#include "base/runtime_random.h"
#include "scene/display_lists.h"
#include "scene/draw_scene.h"

namespace lumen::testing {

GlTest::GlTest(int w, int h) : width(w), height(h), display(openHeadlessDisplay(w, h)), player(w, h) {
    if (!display) return;
    glEnable(GL_DEPTH_TEST);
    clear();
    player.createRenderTargets();
    RuntimeRandom random;
    player.fillJitter(random);
}

void GlTest::clear() const {
    glClearColor(0, 0, 0, 0);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void GlTest::drawFromFront(Scene& scene) {
    compileDisplayLists(scene);
    glViewport(0, 0, width, height);
    applyCamera(frontCamera(), float(width) / float(height), camera);
    drawScene(scene, camera);
}

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

void addSquare(Mesh& mesh, float x0, float y0, float x1, float y1, float alpha) {
    const int base = mesh.vertexCount;
    addVertex(mesh, x0, y0, 0);
    addVertex(mesh, x1, y0, 0);
    addVertex(mesh, x1, y1, 0);
    addVertex(mesh, x0, y1, 0);
    addFace(mesh, base, base + 1, base + 2, kShadingFlat);
    addFace(mesh, base, base + 2, base + 3, kShadingFlat);
    for (int f = mesh.faceCount - 2; f < mesh.faceCount; ++f) {
        mesh.faces[f].faceNormal = Vector3{0, 0, 1};
        mesh.faces[f].color.a = alpha;
    }
}

Scene litScene(int id) {
    Scene scene;
    scene.id = id;
    SceneLight& l = scene.lights[0];
    l.enabled = 1;
    for (int c = 0; c < 4; ++c) {
        l.ambient[c] = c == 3 ? 1.0f : 0.0f;
        l.diffuse[c] = 1;
        l.position[c] = c == 2 ? 1.0f : 0.0f;
    }
    l.spotDirection[2] = -1;
    l.spotCutoff = 180;
    l.attenuation[0] = 1;
    return scene;
}

SceneObject& addObject(Scene& scene, int id, float x, float y, float z) {
    SceneObject& o = appendObject(scene);
    o.id = id;
    o.parentId = -1;
    Matrix4 m;
    translation(x, y, z, m);
    setMatrix(o, m);
    identity(o.animMatrix);
    return o;
}

Track keyedTrack(std::initializer_list<std::pair<int, float>> keys) {
    Track t;
    for (const auto& [time, value] : keys) {
        TrackKey k;
        k.time = time;
        k.value = value;
        t.keys.push_back(k);
    }
    const int n = t.keyCount();
    for (int i = 0; i < n && n >= 2; ++i) {
        const int prev = i == 0 ? n - 2 : i - 1;
        const int next = i == n - 1 ? 1 : i + 1;
        t.keys[i].tangentIn = t.keys[i].tangentOut =
            n == 2 ? t.keys[1].value - t.keys[0].value : (t.keys[next].value - t.keys[prev].value) / 2;
    }
    return t;
}

Camera frontCamera() {
    Camera c;
    c.eye = Vector3{0, 0, 10};
    c.up = Vector3{0, 1, 0};
    c.fov = 45;
    return c;
}

Camera& addKeyedCamera(Scene& scene, int id, Vector3 eye, Vector3 target) {
    Camera& c = scene.cameras.emplace_front(frontCamera());
    c.id = id;
    const float values[8] = {eye.x, eye.y, eye.z, target.x, target.y, target.z, 45, 0};
    for (int k = 0; k < 8; ++k) c.tracks[k] = keyedTrack({{0, values[k]}});
    return c;
}

TimelineEvent imageLayer(int x1, int y1, int x2, int y2, const float color[4], int src, int dst) {
    TimelineEvent e;
    e.type = kEventImageLayer;
    e.startTime = 0;
    e.endTime = 9;
    e.x1Start = e.x1End = x1;
    e.y1Start = e.y1End = y1;
    e.x2Start = e.x2End = x2;
    e.y2Start = e.y2End = y2;
    for (int c = 0; c < 4; ++c) e.colorStart[c] = e.colorEnd[c] = color[c];
    e.blendSrc = src;
    e.blendDst = dst;
    return e;
}

TimelineEvent fullScreen(int type, int targetIndex, const float color[4]) {
    TimelineEvent e = imageLayer(0, 0, 639, 479, color);
    e.type = type;
    e.targetIndex = targetIndex;
    return e;
}

TimelineEvent sceneView(Scene& scene, Camera* camera) {
    TimelineEvent e = fullScreen(kEventSceneView);
    e.endTime = 999999;
    e.scene = &scene;
    e.sceneId = scene.id;
    e.camera = camera;
    return e;
}

}  // namespace lumen::testing
