// The solid primitives: cube, sphere, cylinder, cone and grid, all in the unit
// box centred on the origin. Placement comes later from the object's matrix.
#include <cmath>

#include "mesh/mesh_generator.h"

namespace lumen {

namespace {

float f(double v) { return static_cast<float>(v); }

// (k / n) of a full turn, in radians.
double turn(int32_t k, int32_t n) { return double(float(k)) / double(float(n)) * 360.0 * kDegreesToRadians; }

double ratio(int32_t a, int32_t b) { return double(float(a)) / double(float(b)); }

}  // namespace

// [SECTION] cube

void buildCube(Mesh& mesh) {
    static const float kVertices[14][3] = {
        {-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f}, {0.0f, 0.0f, -0.5f},
        {0.5f, -0.5f, 0.5f},   {0.5f, 0.5f, 0.5f},   {0.5f, 0.0f, 0.0f},  {-0.5f, 0.5f, 0.5f},  {-0.5f, -0.5f, 0.5f},
        {0.0f, 0.0f, 0.5f},    {-0.5f, 0.0f, 0.0f},  {0.0f, -0.5f, 0.0f}, {0.0f, 0.5f, 0.0f},
    };
    // Each side: the corner loop L0..L3, then the centre vertex.
    static const int32_t kSides[6][5] = {
        {0, 1, 2, 3, 4}, {1, 5, 6, 2, 7}, {5, 9, 8, 6, 10}, {9, 0, 3, 8, 11}, {9, 5, 1, 0, 12}, {3, 2, 6, 8, 13},
    };
    static const TexCoord kCornerUV[4] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};

    for (const auto& v : kVertices) addVertex(mesh, v[0], v[1], v[2]);
    for (const auto& side : kSides) {
        for (int k = 0; k < 4; ++k) {
            int next = (k + 1) % 4;
            addFace(mesh, side[k], side[next], side[4], kShadingFlat);
            setFaceUV(mesh, kCornerUV[k].u, kCornerUV[k].v, kCornerUV[next].u, kCornerUV[next].v, 0.5f, 0.5f);
        }
    }
}

// [SECTION] sphere

void buildSphere(Mesh& mesh, int32_t rings, int32_t segments) {
    const int32_t R = rings;
    const int32_t S = segments;
    if (R < 3 || S < 1) return;

    addVertex(mesh, 0.0f, -0.5f, 0.0f);
    addVertex(mesh, 0.0f, 0.5f, 0.0f);
    for (int32_t i = 1; i <= R - 2; ++i) {
        double lat = (ratio(i, R - 1) - 0.5) * 180.0 * kDegreesToRadians;
        for (int32_t j = 0; j < S; ++j) {
            double lon = turn(j, S);
            addVertex(mesh, f(0.5 * std::cos(lat) * std::cos(lon)), f(0.5 * std::sin(lat)),
                      f(0.5 * std::cos(lat) * std::sin(lon)));
            setVertexUV(mesh, f(ratio(i, R)), f(ratio(j, S)));
        }
    }

    const int32_t c = R - 2;
    const float step = f(1.0 / double(float(c)));
    for (int32_t j = 0; j < S; ++j) {
        int32_t j1 = (j + 1) % S;
        int32_t a = 2 + j;
        int32_t a1 = 2 + j1;
        int32_t z = 2 + (R - 3) * S + j;
        int32_t z1 = 2 + (R - 3) * S + j1;
        float vMid = f((double(float(j)) + 0.5) / double(float(S)));
        float v0 = f(ratio(j, S));
        float v1 = f(ratio(j + 1, S));
        addFace(mesh, 0, a1, a, kShadingSmooth);
        setFaceUV(mesh, 0.0f, vMid, step, v1, step, v0);
        addFace(mesh, 1, z, z1, kShadingSmooth);
        setFaceUV(mesh, 1.0f, vMid, f(1.0 - step), v0, f(1.0 - step), v1);
    }

    for (int32_t i = 1; i <= R - 3; ++i) {
        int32_t b = (i - 1) * S;
        int32_t n = b + S;
        float u0 = f(ratio(i, c));
        float u1 = f(ratio(i + 1, c));
        for (int32_t j = 0; j < S; ++j) {
            int32_t j1 = (j + 1) % S;
            float v0 = f(ratio(j, S));
            float v1 = f(ratio(j + 1, S));
            addFace(mesh, b + 2 + j, b + 2 + j1, n + 2 + j1, kShadingSmooth);
            setFaceUV(mesh, u0, v0, u0, v1, u1, v1);
            addFace(mesh, b + 2 + j, n + 2 + j1, n + 2 + j, kShadingSmooth);
            setFaceUV(mesh, u0, v0, u1, v1, u1, v0);
        }
    }
}

// [SECTION] cylinder

void buildCylinder(Mesh& mesh, int32_t segments, int32_t stacks, bool caps) {
    const int32_t S = segments;
    const int32_t H = stacks;
    // Zero stacks would put every ring at 0 / 0.
    if (S < 1 || H < 1) return;

    for (int32_t i = 0; i <= H; ++i) {
        for (int32_t j = 0; j < S; ++j) {
            double a = turn(j, S);
            addVertex(mesh, f(0.5 * std::sin(a)), f(ratio(i, H) - 0.5), f(0.5 * std::cos(a)));
            setVertexUV(mesh, f(ratio(j, S)), f(ratio(i, H)));
        }
    }

    for (int32_t i = 0; i < S; ++i) {
        // At the seam uR is 1 while the shared vertices carry u = 0.
        float uL = f(ratio(i, S));
        float uR = f(ratio(i + 1, S));
        for (int32_t k = 0; k < H; ++k) {
            int32_t A = k * S + (i % S);
            int32_t B = k * S + ((i + 1) % S);
            int32_t A1 = A + S;
            int32_t B1 = B + S;
            float vB = f(ratio(k, H));
            float vT = f(ratio(k + 1, H));
            addFace(mesh, B, A, B1, kShadingSmooth);
            setFaceUV(mesh, uR, vB, uL, vB, uR, vT);
            addFace(mesh, B1, A, A1, kShadingSmooth);
            setFaceUV(mesh, uR, vT, uL, vB, uL, vT);
        }
    }

    if (!caps) return;
    const int32_t bc = mesh.vertexCount;
    addVertex(mesh, 0.0f, -0.5f, 0.0f);
    setVertexUV(mesh, 0.5f, 0.5f);
    const int32_t tc = mesh.vertexCount;
    addVertex(mesh, 0.0f, 0.5f, 0.0f);
    setVertexUV(mesh, 0.5f, 0.5f);

    auto planar = [&mesh](int32_t index) {
        Vector3 p = mesh.vertices[index].position;
        return TexCoord{f(double(p.x) + 0.5), f(double(p.z) + 0.5)};
    };
    auto capFace = [&](int32_t a, int32_t b, int32_t c) {
        addFace(mesh, a, b, c, kShadingFlat);
        TexCoord ta = planar(a), tb = planar(b), tcc = planar(c);
        setFaceUV(mesh, ta.u, ta.v, tb.u, tb.v, tcc.u, tcc.v);
    };
    const int32_t top = H * S;
    for (int32_t j = 0; j < S; ++j) {
        int32_t j1 = (j + 1) % S;
        capFace(bc, j, j1);
        capFace(top + j, tc, top + j1);
    }
}

// [SECTION] cone

void buildCone(Mesh& mesh, int32_t segments, bool cap) {
    const int32_t S = segments;
    if (S < 1) return;

    addVertex(mesh, 0.0f, -0.5f, 0.0f);
    setVertexUV(mesh, 0.5f, 0.5f);
    for (int32_t i = 0; i < S; ++i) {
        double a = turn(i, S);
        addVertex(mesh, f(0.5 * std::sin(a)), 0.5f, f(0.5 * std::cos(a)));
        setVertexUV(mesh, f((std::sin(a) + 1.0) / 2.0), f((std::cos(a) + 1.0) / 2.0));
    }
    for (int32_t i = 0; i < S; ++i) addFace(mesh, 0, (i % S) + 1, ((i + 1) % S) + 1, kShadingSmooth);

    if (!cap) return;
    if (S == 3) {
        addFace(mesh, 2, 1, 3, kShadingFlat);
        return;
    }
    const int32_t c = mesh.vertexCount;
    addVertex(mesh, 0.0f, 0.5f, 0.0f);
    for (int32_t i = 0; i < S; ++i) addFace(mesh, (i % S) + 1, c, ((i + 1) % S) + 1, kShadingFlat);
}

// [SECTION] grid

void buildGrid(Mesh& mesh, int32_t columns, int32_t rows) {
    const int32_t C = columns;
    const int32_t R = rows;
    if (C < 1 || R < 1) return;

    for (int32_t i = 0; i <= R; ++i) {
        for (int32_t j = 0; j <= C; ++j) {
            addVertex(mesh, f(ratio(j, C) - 0.5), 0.0f, f(ratio(i, R) - 0.5));
            setVertexUV(mesh, f(ratio(j, C)), f(-ratio(i, R)));
        }
    }
    auto V = [C](int32_t i, int32_t j) { return i * (C + 1) + j; };
    for (int32_t j = 0; j < C; ++j) {
        for (int32_t i = 0; i < R; ++i) {
            addFace(mesh, V(i, j + 1), V(i, j), V(i + 1, j + 1), kShadingSmooth);
            addFace(mesh, V(i + 1, j + 1), V(i, j), V(i + 1, j), kShadingSmooth);
        }
    }
}

}  // namespace lumen
