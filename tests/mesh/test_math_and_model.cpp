// Matrix maths and the mesh model: growth, corner coordinates and normals.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "base/runtime_random.h"
#include "mesh/mesh.h"
#include "mesh/near_test_helper.h"

namespace lumen {
namespace {

// A random placement: scale, then an axis-angle turn, then a translation.
Matrix4 randomAffine(RuntimeRandom& random) {
    auto uniform = [&](float lo, float hi) {
        return lo + (hi - lo) * float(random.rand()) / float(RuntimeRandom::kMax);
    };
    Matrix4 s, r, t, m;
    scaling(uniform(0.2f, 3), uniform(0.2f, 3), uniform(0.2f, 3), s);
    rotation(uniform(-1, 1), uniform(-1, 1), uniform(-1, 1), uniform(-6, 6), r);
    translation(uniform(-50, 50), uniform(-50, 50), uniform(-50, 50), t);
    multiply(t, r, m);
    multiply(m, s, m);
    return m;
}

TEST(MatrixMath, RotationTurnsCounterClockwiseAboutTheNormalisedAxis) {
    struct Case {
        Vector3 axis, in, out;
    };
    const float quarter = float(std::numbers::pi / 2);
    for (const Case c : {Case{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, Case{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                         Case{{0, 2, 0}, {0, 0, 1}, {1, 0, 0}}}) {
        Matrix4 m;
        rotation(c.axis.x, c.axis.y, c.axis.z, quarter, m);
        EXPECT_TRUE(near(transformPoint(m, c.in.x, c.in.y, c.in.z), c.out));
    }
    Matrix4 a, b;
    rotation(1, 2, -2, 0.7f, a);
    rotation(1.0f / 3, 2.0f / 3, -2.0f / 3, 0.7f, b);
    EXPECT_TRUE(near(a, b, 1e-6f));
    // A zero axis (normalised to exactly zero) leaves cos on the diagonal.
    EXPECT_EQ(normalize({0, 0, 0}), (Vector3{0, 0, 0}));
    rotation(0, 0, 0, 0.5f, a);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(a[i], (i == 0 || i == 5 || i == 10) ? float(std::cos(0.5)) : (i == 15 ? 1.0f : 0.0f)) << i;
}

TEST(MatrixMath, ProductsInverseAndTransforms) {
    Matrix4 t, s, ts, inv, product;
    translation(1, 2, 3, t);
    scaling(2, 2, 2, s);
    multiply(t, s, ts);  // the right operand acts first
    EXPECT_EQ(transformPoint(ts, 1, 1, 1), (Vector3{3, 4, 5}));
    EXPECT_EQ(transformDirection(t, 1, 2, 3), (Vector3{1, 2, 3}));
    inverse(t, inv);
    translation(-1, -2, -3, s);
    EXPECT_TRUE(near(inv, s, 0));

    RuntimeRandom random(7);
    for (int n = 0; n < 50; ++n) {
        const Matrix4 a = randomAffine(random), b = randomAffine(random);
        inverse(a, inv);
        multiply(inv, a, product);
        EXPECT_TRUE(near(product, identityMatrix(), 2e-4f)) << "matrix " << n;
        // The output may be either input.
        Matrix4 separate, square, intoA = a, intoB = b, both = a;
        multiply(a, b, separate);
        multiply(a, a, square);
        multiply(intoA, b, intoA);
        multiply(a, intoB, intoB);
        multiply(both, both, both);
        EXPECT_TRUE(intoA == separate && intoB == separate && both == square) << n;
    }
    // A singular matrix zeroes rows 0 to 2 and leaves row 3 as it was.
    scaling(1, 0, 1, s);
    for (int i = 0; i < 16; ++i) inv[i] = float(100 + i);
    inverse(s, inv);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(inv[i], i < 12 ? 0.0f : float(100 + i)) << i;
}

TEST(MeshModel, ArraysGrowTo20Then60Then140AndFacesCopyCornerCoordinatesAtCallTime) {
    Mesh mesh;
    for (int i = 0; i < 141; ++i) {
        addVertex(mesh, float(i), float(-i), 0.5f);
        setVertexUV(mesh, float(i), 1);
        addFace(mesh, i, i, i, kShadingFlat);
        EXPECT_EQ(mesh.vertexCapacity, i < 20 ? 20 : i < 60 ? 60 : i < 140 ? 140 : 300) << i;
        EXPECT_EQ(mesh.faceCapacity, mesh.vertexCapacity);
    }
    for (int i = 0; i < 141; ++i) {
        EXPECT_EQ(mesh.vertices[i].restPosition, (Vector3{float(i), float(-i), 0.5f}));
        EXPECT_EQ(mesh.vertices[i].scratch, mesh.vertices[i].position);
        EXPECT_EQ(mesh.faces[i].uv[2], (TexCoord{float(i), 1}));
        EXPECT_EQ(mesh.faces[i].color, (Color4{1, 1, 1, 1}));
    }
    EXPECT_EQ(mesh.vertices[141].position, Vector3{});  // never written
    setVertexUV(mesh, 0.9f, 0.9f);                      // changes no face made before
    EXPECT_EQ(mesh.faces[140].uv[0], (TexCoord{140, 1}));
    setFaceUV(mesh, 1, 2, 3, 4, 5, 6);
    EXPECT_EQ(mesh.faces[140].uv[2], (TexCoord{5, 6}));
    EXPECT_EQ(mesh.faces[140].baseUV[1], (TexCoord{3, 4}));
    Mesh empty;
    setVertexUV(empty, 1, 1);
    setFaceUV(empty, 1, 1, 1, 1, 1, 1);
    EXPECT_EQ(empty.vertexCapacity, 0);
}

// Two triangles sharing the edge 0-1, folded; vertex 4 is used by no face.
TEST(MeshModel, NormalsWeighFacesByAreaSkipBadOnesAndFlipWithTheInvertBitOrFlipByte) {
    Mesh mesh;
    for (const Vector3 p : {Vector3{0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, 2, 0}, {5, 5, 5}})
        addVertex(mesh, p.x, p.y, p.z);
    addFace(mesh, 0, 2, 1, kShadingFlat);     // in y = 0, normal (0, -1, 0)
    addFace(mesh, 0, 3, 1, kShadingSmooth);   // in z = 0, twice the area
    addFace(mesh, 3, 3, 1, kShadingSmooth);   // degenerate
    addFace(mesh, 0, 7, -1, kShadingSmooth);  // corners outside the mesh
    EXPECT_EQ(mesh.faces[3].uv[1], TexCoord{});
    struct Case {
        bool invert;
        uint8_t flip;
        Vector3 face0, face1, vertex1;
    };
    for (const Case c : {Case{false, 0, {0, -1, 0}, {0, 0, 2}, {0, -0.4472136f, 0.8944272f}},
                         Case{false, 1, {0, -1, 0}, {0, 0, -2}, {0, -0.4472136f, -0.8944272f}},
                         Case{true, 1, {0, 1, 0}, {0, 0, 2}, {0, 0.4472136f, 0.8944272f}}}) {
        mesh.faces[1].flip = c.flip;
        computeNormals(mesh, c.invert);
        computeNormals(mesh, c.invert);  // starts from zero each time
        EXPECT_EQ(mesh.faces[0].faceNormal, c.face0);
        EXPECT_EQ(mesh.faces[1].faceNormal, c.face1);
        for (int f : {2, 3}) EXPECT_EQ(mesh.faces[f].faceNormal, Vector3{}) << f;
        EXPECT_TRUE(near(mesh.vertices[1].normal, c.vertex1));
        EXPECT_EQ(mesh.vertices[4].normal, Vector3{});
    }
}

}  // namespace
}  // namespace lumen
