#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "math_helpers.h"
#include "mesh/mesh_generator.h"

namespace lumen {
namespace {

using testing::vectorNear;

// A scene's objects as the generator sees them, built one after another.
struct Objects {
    struct Built {
        int32_t id;
        Mesh mesh;
        Matrix4 matrix;
    };
    std::vector<Built> built;

    Objects() { built.reserve(16); }  // sources stay put while targets are built

    Mesh& add(int32_t id, uint32_t type, int32_t p0, int32_t p1, const Matrix4& matrix,
              std::vector<int32_t> mergeIds = {}) {
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
        return built.back().mesh;
    }
};

Vector3 onCircle(double degrees) {
    double b = degrees * std::numbers::pi / 180.0;
    return {float(0.5 * std::sin(b)), 0.0f, float(0.5 * std::cos(b))};
}

TEST(Paths, ArcAndLinePathsReachOneStepBeyondEachEnd) {
    Mesh arc, line;
    buildArcPath(arc, 4, 180);
    ASSERT_EQ(arc.vertexCount, 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(vectorNear(arc.vertices[i].position, onCircle(-45.0 + 45.0 * i), 1e-6f)) << i;
    buildLinePath(line, 1);
    ASSERT_EQ(line.vertexCount, 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(line.vertices[i].position, (Vector3{0, 0, i - 1.5f}));
    EXPECT_EQ(arc.faceCount + line.faceCount, 0);
}

TEST(Sweep, LineAlongArcCountsAndRingPlacement) {
    const int N = 3, M = 4, W = M + 1;
    Objects scene;
    Matrix4 pathPlace;
    translation(0, 0, 10, pathPlace);
    scene.add(1, kTypeLinePath, N, 0, pathPlace);
    scene.add(2, kTypeArcPath, M, 90, identityMatrix());
    const Mesh& mesh = scene.add(3, kTypeSweep, 1, 2, identityMatrix());
    EXPECT_EQ(mesh.vertexCount, (N + 1) * (M + 1));
    EXPECT_EQ(mesh.faceCount, 2 * N * M);
    // Along +z the side is -x and the lift +y: a profile point (px, _, pz)
    // lands at the path point + (-px, pz, 0).
    for (int k = 0; k <= N; ++k) {
        for (int j = 0; j < W; ++j) {
            Vector3 q = onCircle(90.0 * j / M);
            const MeshVertex& v = mesh.vertices[k * W + j];
            EXPECT_TRUE(vectorNear(v.position, {-q.x, q.z, 9.5f + float(k) / N}, 1e-6f)) << k << j;
            EXPECT_EQ(v.uv, (TexCoord{float(k) / N, float(j) / M}));
        }
    }
    EXPECT_EQ(mesh.faces[0].corner0, 1);  // (a, a - 1, b) with a = 1, b = 1 + W
    EXPECT_EQ(mesh.faces[0].corner2, 1 + W);
    // The path keeps its world-space points in scratch.
    const Mesh& path = scene.built[0].mesh;
    EXPECT_TRUE(vectorNear(path.vertices[N + 2].scratch, {0, 0, 10.5f + 1.0f / N}, 1e-6f));
    EXPECT_FLOAT_EQ(path.vertices[N + 2].position.z, 0.5f + 1.0f / N);
}

TEST(Sweep, VerticalTangentCollapsesTheRingOntoThePath) {
    Objects scene;
    Matrix4 upright;  // turns the line path's z onto y
    rotation(1, 0, 0, float(std::numbers::pi / 2), upright);
    scene.add(1, kTypeLinePath, 2, 0, upright);
    scene.add(2, kTypeArcPath, 3, 120, identityMatrix());
    const Mesh& mesh = scene.add(3, kTypeSweep, 1, 2, identityMatrix());
    ASSERT_EQ(mesh.vertexCount, 3 * 4);
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 4; ++j)
            EXPECT_TRUE(vectorNear(mesh.vertices[k * 4 + j].position,
                                   transformPoint(upright, 0, 0, k / 2.0f - 0.5f), 1e-6f));
}

TEST(Sweep, MissingOrTooShortSourcesBuildNothing) {
    Objects scene;
    scene.add(1, kTypeLinePath, 2, 0, identityMatrix());
    scene.add(2, kTypeArcPath, 2, 90, identityMatrix());
    EXPECT_EQ(scene.add(10, kTypeSweep, 1, 99, identityMatrix()).vertexCount, 0);
    EXPECT_EQ(scene.add(11, kTypeSweep, 99, 2, identityMatrix()).vertexCount, 0);
    EXPECT_EQ(scene.add(12, kTypeSweep, 12, 2, identityMatrix()).vertexCount, 0);  // itself
    Mesh three, target;
    for (int i = 0; i < 3; ++i) addVertex(three, 0, 0, float(i));
    buildSweep(target, three, identityMatrix(), scene.built[1].mesh, identityMatrix());
    buildSweep(target, scene.built[0].mesh, identityMatrix(), three, identityMatrix());
    EXPECT_EQ(target.vertexCount, 0);
}

TEST(Merge, TwoCubesOffsetTheSecondCubesIndicesAndSkipUnknownIds) {
    Objects scene;
    Matrix4 right;
    translation(3, 0, 0, right);
    const Mesh& cube = scene.add(5, kTypeCube, 0, 0, identityMatrix());
    scene.add(7, kTypeCube, 0, 0, right).faces[0].texture = 42;
    const Mesh& merged = scene.add(9, kTypeMerge, 0, 0, identityMatrix(), {5, 77, 7});
    ASSERT_EQ(merged.vertexCount, 28);
    ASSERT_EQ(merged.faceCount, 48);
    for (int i = 0; i < 24; ++i) {
        const MeshFace& copy = merged.faces[24 + i];
        EXPECT_EQ(merged.faces[i].corner0, cube.faces[i].corner0);
        EXPECT_EQ(copy.corner0, cube.faces[i].corner0 + 14);
        EXPECT_EQ(copy.corner1, cube.faces[i].corner1 + 14);
        EXPECT_EQ(copy.corner2, cube.faces[i].corner2 + 14);
        EXPECT_EQ(copy.baseUV[1], cube.faces[i].uv[1]);
    }
    EXPECT_EQ(merged.faces[24].texture, 42u);
    Vector3 p = cube.vertices[9].position;
    EXPECT_EQ(merged.vertices[14 + 9].position, (Vector3{p.x + 3, p.y, p.z}));
    EXPECT_EQ(merged.vertices[14 + 9].restPosition, merged.vertices[14 + 9].position);
    EXPECT_TRUE(vectorNear(merged.vertices[14 + 7].normal, {1, 0, 0}, 1e-6f));
}

TEST(Merge, MergedObjectsMergeAgainAndAnObjectListingItselfCopiesItsMeshSoFar) {
    Objects scene;
    scene.add(1, kTypeGrid, 1, 1, identityMatrix());
    Matrix4 up;
    translation(0, -2, 0, up);
    scene.add(2, kTypeMerge, 0, 0, up, {1, 1});
    const Mesh& outer = scene.add(3, kTypeMerge, 0, 0, identityMatrix(), {2});
    EXPECT_EQ(outer.vertexCount, 8);
    EXPECT_EQ(outer.vertices[7].position.y, -2.0f);
    const Mesh& self = scene.add(4, kTypeMerge, 0, 0, identityMatrix(), {1, 4});
    EXPECT_EQ(self.vertexCount, 8);
    EXPECT_EQ(self.faceCount, 4);
    EXPECT_EQ(self.faces[3].corner2, self.faces[1].corner2 + 4);
}

}  // namespace
}  // namespace lumen
