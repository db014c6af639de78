#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "math_helpers.h"
#include "mesh/mesh_generator.h"

namespace lumen {
namespace {

using testing::vectorNear;

// A scene's objects as the generator sees them.
struct Built {
    int32_t id;
    Mesh mesh;
    Matrix4 matrix;
};

struct Objects {
    std::vector<Built> built;

    Built& add(int32_t id, uint32_t type, int32_t p0, int32_t p1, const Matrix4& matrix,
               std::vector<int32_t> mergeIds = {}) {
        built.reserve(16);  // sources stay put while the target is built
        built.push_back(Built{id, Mesh{}, matrix});
        std::vector<MeshSource> sources;
        for (Built& b : built) sources.push_back(MeshSource{b.id, &b.mesh, &b.matrix});
        MeshGeneratorInput input;
        input.type = type;
        input.params[0] = p0;
        input.params[1] = p1;
        input.mergeIds = mergeIds;
        input.earlierObjects = sources;
        generateMesh(built.back().mesh, input);
        return built.back();
    }
};

double degrees(double d) { return d * std::numbers::pi / 180.0; }

TEST(Paths, ArcPathHasOnePointBeyondEachEnd) {
    Mesh arc;
    buildArcPath(arc, 4, 180);
    ASSERT_EQ(arc.vertexCount, 7);
    EXPECT_EQ(arc.faceCount, 0);
    for (int i = 0; i < 7; ++i) {
        double b = degrees(-45.0 + 45.0 * i);
        EXPECT_TRUE(vectorNear(arc.vertices[i].position,
                               {float(0.5 * std::sin(b)), 0.0f, float(0.5 * std::cos(b))}, 1e-6f))
            << "vertex " << i;
    }
}

TEST(Paths, LinePathSpansTheUnitBoxAlongZ) {
    Mesh line;
    buildLinePath(line, 1);
    ASSERT_EQ(line.vertexCount, 4);
    const float z[] = {-1.5f, -0.5f, 0.5f, 1.5f};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(line.vertices[i].position, (Vector3{0, 0, z[i]}));
}

TEST(Sweep, LineAlongArcCountsAndRingPlacement) {
    const int N = 3, M = 4;
    Objects scene;
    Matrix4 pathPlace;
    translation(0, 0, 10, pathPlace);
    scene.add(1, kTypeLinePath, N, 0, pathPlace);
    scene.add(2, kTypeArcPath, M, 90, identityMatrix());
    Built& sweep = scene.add(3, kTypeSweep, 1, 2, identityMatrix());
    const Mesh& mesh = sweep.mesh;
    EXPECT_EQ(mesh.vertexCount, (N + 1) * (M + 1));
    EXPECT_EQ(mesh.faceCount, 2 * N * M);
    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        EXPECT_LT(mesh.faces[i].corner0, mesh.vertexCount);
        EXPECT_GE(mesh.faces[i].corner1, 0);
        EXPECT_LT(mesh.faces[i].corner2, mesh.vertexCount);
    }
    // Along +z the side is -x and the lift is +y: profile (px, _, pz) lands at
    // path point + (-px, pz, 0).
    const int W = M + 1;
    for (int k = 0; k <= N; ++k) {
        float z = 10.0f + float(k) / N - 0.5f;
        for (int j = 0; j < W; ++j) {
            double b = degrees(90.0 * j / M);
            Vector3 expected{float(-0.5 * std::sin(b)), float(0.5 * std::cos(b)), z};
            EXPECT_TRUE(vectorNear(mesh.vertices[k * W + j].position, expected, 1e-6f))
                << "ring " << k << " point " << j;
            EXPECT_FLOAT_EQ(mesh.vertices[k * W + j].uv.u, float(k) / N);
            EXPECT_FLOAT_EQ(mesh.vertices[k * W + j].uv.v, float(j) / M);
        }
    }
    // The path keeps its world-space points in scratch.
    const Mesh& path = scene.built[0].mesh;
    EXPECT_TRUE(vectorNear(path.vertices[0].scratch, {0, 0, 10.0f - 1.0f / N - 0.5f}, 1e-6f));
    EXPECT_TRUE(vectorNear(path.vertices[N + 2].scratch, {0, 0, 10.5f + 1.0f / N}, 1e-6f));
    EXPECT_EQ(path.vertices[1].position, (Vector3{0, 0, -0.5f}));
}

TEST(Sweep, VerticalTangentCollapsesTheRingOntoThePath) {
    Objects scene;
    Matrix4 upright;  // turns the line path's z onto y
    rotation(1, 0, 0, float(std::numbers::pi / 2), upright);
    scene.add(1, kTypeLinePath, 2, 0, upright);
    scene.add(2, kTypeArcPath, 3, 120, identityMatrix());
    const Mesh& mesh = scene.add(3, kTypeSweep, 1, 2, identityMatrix()).mesh;
    ASSERT_EQ(mesh.vertexCount, 3 * 4);
    for (int k = 0; k < 3; ++k) {
        Vector3 p = transformPoint(upright, 0, 0, float(k) / 2 - 0.5f);
        for (int j = 0; j < 4; ++j)
            EXPECT_TRUE(vectorNear(mesh.vertices[k * 4 + j].position, p, 1e-6f)) << k << "," << j;
    }
}

TEST(Sweep, MissingOrTooShortSourcesBuildNothing) {
    Objects scene;
    scene.add(1, kTypeLinePath, 2, 0, identityMatrix());
    scene.add(2, kTypeArcPath, 2, 90, identityMatrix());
    scene.add(4, kTypeCube, 0, 0, identityMatrix());
    scene.add(5, kTypeGrid, 1, 1, identityMatrix());  // 4 vertices, but 3 is too few
    EXPECT_EQ(scene.add(10, kTypeSweep, 1, 99, identityMatrix()).mesh.vertexCount, 0);
    EXPECT_EQ(scene.add(11, kTypeSweep, 99, 2, identityMatrix()).mesh.vertexCount, 0);
    // A sweep naming itself sees its own empty mesh.
    EXPECT_EQ(scene.add(12, kTypeSweep, 12, 2, identityMatrix()).mesh.vertexCount, 0);
    Mesh threePoints;
    addVertex(threePoints, 0, 0, 0);
    addVertex(threePoints, 0, 0, 1);
    addVertex(threePoints, 0, 0, 2);
    Mesh target;
    buildSweep(target, threePoints, identityMatrix(), scene.built[1].mesh, identityMatrix());
    EXPECT_EQ(target.vertexCount, 0);
    buildSweep(target, scene.built[0].mesh, identityMatrix(), threePoints, identityMatrix());
    EXPECT_EQ(target.vertexCount, 0);
}

TEST(Merge, TwoCubesOffsetTheSecondCubesIndices) {
    Objects scene;
    Matrix4 right;
    translation(3, 0, 0, right);
    scene.add(5, kTypeCube, 0, 0, identityMatrix());
    Built& second = scene.add(7, kTypeCube, 0, 0, right);
    second.mesh.faces[0].texture = 42;
    const Mesh& merged = scene.add(9, kTypeMerge, 0, 0, identityMatrix(), {5, 77, 7}).mesh;
    ASSERT_EQ(merged.vertexCount, 28);
    ASSERT_EQ(merged.faceCount, 48);
    const Mesh& cube = scene.built[0].mesh;
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(merged.faces[i].corner0, cube.faces[i].corner0);
        EXPECT_EQ(merged.faces[24 + i].corner0, cube.faces[i].corner0 + 14);
        EXPECT_EQ(merged.faces[24 + i].corner1, cube.faces[i].corner1 + 14);
        EXPECT_EQ(merged.faces[24 + i].corner2, cube.faces[i].corner2 + 14);
        EXPECT_EQ(merged.faces[24 + i].uv[1], cube.faces[i].uv[1]);
        EXPECT_EQ(merged.faces[24 + i].shading, kShadingFlat);
    }
    EXPECT_EQ(merged.faces[24].texture, 42u);
    for (int i = 0; i < 14; ++i) {
        Vector3 p = cube.vertices[i].position;
        EXPECT_EQ(merged.vertices[14 + i].position, (Vector3{p.x + 3, p.y, p.z}));
        EXPECT_EQ(merged.vertices[14 + i].restPosition, merged.vertices[14 + i].position);
    }
    // Normals are recomputed for the merged mesh: still outward per cube.
    EXPECT_TRUE(vectorNear(merged.vertices[14 + 7].normal, {1, 0, 0}, 1e-6f));
}

TEST(Merge, MergedObjectsCanBeMergedAndAnObjectCanListItself) {
    Objects scene;
    scene.add(1, kTypeGrid, 1, 1, identityMatrix());
    Matrix4 up;
    translation(0, -2, 0, up);
    scene.add(2, kTypeMerge, 0, 0, up, {1, 1});
    const Mesh& outer = scene.add(3, kTypeMerge, 0, 0, identityMatrix(), {2}).mesh;
    EXPECT_EQ(outer.vertexCount, 8);
    EXPECT_EQ(outer.faceCount, 4);
    EXPECT_FLOAT_EQ(outer.vertices[7].position.y, -2.0f);
    // Listing itself copies what it holds so far, once.
    const Mesh& self = scene.add(4, kTypeMerge, 0, 0, identityMatrix(), {1, 4}).mesh;
    EXPECT_EQ(self.vertexCount, 8);
    EXPECT_EQ(self.faceCount, 4);
    EXPECT_EQ(self.faces[3].corner2, self.faces[1].corner2 + 4);
}

}  // namespace
}  // namespace lumen
