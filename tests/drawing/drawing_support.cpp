#include "drawing_support.h"

#include "platform/gl.h"

namespace lumen::testing {

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

void addCube(Mesh& mesh, float h) {
    const int base = mesh.vertexCount;
    for (int k = 0; k < 8; ++k)
        addVertex(mesh, (k & 1) ? h : -h, (k & 2) ? h : -h, (k & 4) ? h : -h);
    // Each side: four corners in order round the side, and its outward normal.
    struct Side {
        int c[4];
        Vector3 n;
    };
    const Side sides[6] = {{{0, 2, 6, 4}, {-1, 0, 0}}, {{1, 3, 7, 5}, {1, 0, 0}},
                           {{0, 1, 5, 4}, {0, -1, 0}}, {{2, 3, 7, 6}, {0, 1, 0}},
                           {{0, 1, 3, 2}, {0, 0, -1}}, {{4, 5, 7, 6}, {0, 0, 1}}};
    for (const Side& s : sides) {
        addFace(mesh, base + s.c[0], base + s.c[1], base + s.c[2], kShadingFlat);
        mesh.faces[mesh.faceCount - 1].faceNormal = s.n;
        addFace(mesh, base + s.c[0], base + s.c[2], base + s.c[3], kShadingFlat);
        mesh.faces[mesh.faceCount - 1].faceNormal = s.n;
    }
}

Scene litScene(int id) {
    Scene scene;
    scene.id = id;
    SceneLight& l = scene.lights[0];
    l.enabled = 1;
    const float ambient[4] = {0, 0, 0, 1}, diffuse[4] = {1, 1, 1, 1}, position[4] = {0, 0, 1, 0};
    for (int c = 0; c < 4; ++c) {
        l.ambient[c] = ambient[c];
        l.diffuse[c] = diffuse[c];
        l.position[c] = position[c];
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
        const float tangent = n == 2 ? t.keys[1].value - t.keys[0].value
                                     : (t.keys[next].value - t.keys[prev].value) / 2;
        t.keys[i].tangentIn = t.keys[i].tangentOut = tangent;
    }
    return t;
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

Camera frontCamera() {
    Camera c;
    c.eye = Vector3{0, 0, 10};
    c.target = Vector3{0, 0, 0};
    c.up = Vector3{0, 1, 0};
    c.fov = 45;
    return c;
}

}  // namespace lumen::testing
