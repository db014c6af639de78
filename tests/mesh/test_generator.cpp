// The mesh generator: every primitive over a sweep of sizes, paths, sweeps and
// merges.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "mesh/math3d.h"
#include "mesh/mesh_generator.h"
#include "mesh/near_test_helper.h"
#include "support/golden.h"

namespace lumen {
namespace {

// A scene's objects as the generator sees them, built one after another.
struct Objects {
    struct Built {
        int32_t id;
        Mesh mesh;
        Matrix4 matrix;
    };
    std::vector<Built> built;
    Objects() { built.reserve(16); }  // sources stay put while targets are built

    Mesh& add(int32_t id, uint32_t type, std::vector<int32_t> params, const Matrix4& matrix = identityMatrix(),
              std::vector<int32_t> mergeIds = {}, bool invert = false) {
        built.push_back(Built{id, Mesh{}, matrix});
        std::vector<MeshSource> sources;
        for (Built& b : built) sources.push_back(MeshSource{b.id, &b.mesh, &b.matrix});
        MeshGeneratorInput input;
        input.type = type;
        for (size_t k = 0; k < params.size(); ++k) input.params[k] = params[k];
        input.mergeIds = mergeIds;
        input.earlierObjects = sources;
        input.invertNormals = invert;
        generateMesh(built.back().mesh, input);
        return built.back().mesh;
    }
};

void addMesh(testing::Checksum& sum, const Mesh& m) {
    for (int i = 0; i < m.vertexCount; ++i) {
        const MeshVertex& v = m.vertices[i];
        for (const Vector3& p : {v.scratch, v.position, v.restPosition, v.normal}) sum.add(p);
        sum.add(v.baseUV);
        sum.add(v.uv);
    }
    for (int i = 0; i < m.faceCount; ++i) {
        const MeshFace& f = m.faces[i];
        for (int32_t x : {f.corner0, f.corner1, f.corner2, f.shading}) sum.add(x);
        sum.add(f.faceNormal);
        sum.add(f.uv);
        sum.add(f.baseUV);
    }
}

// Every face normal, and every used vertex normal, points away from the
// centre (towards it for sign -1).
void expectClosedSolid(const Mesh& mesh, float sign) {
    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        const MeshFace& f = mesh.faces[i];
        Vector3 sum{};
        for (int32_t c : {f.corner0, f.corner1, f.corner2}) {
            ASSERT_TRUE(c >= 0 && c < mesh.vertexCount) << "face " << i;
            sum = add(sum, mesh.vertices[c].position);
        }
        ASSERT_GT(sign * dot(f.faceNormal, sum), 0.0f) << "face " << i;
    }
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        const MeshVertex& v = mesh.vertices[i];
        if (!(v.normal == Vector3{})) {
            ASSERT_GT(sign * dot(v.normal, v.position), 0.0f) << "vertex " << i;
        }
    }
}

TEST(Primitives, SizesGiveTheirCountsSolidsCloseAndTheSweepIsPinned) {
    struct Case {
        uint32_t type;
        std::vector<int32_t> params;
        int vertices, faces;
        bool solid;
    };
    std::vector<Case> cases = {{kTypeCube, {}, 14, 24, true},
                               {kTypeCone, {3, 1}, 4, 4, true},
                               {kTypeCone, {4, 0}, 5, 4, false},
                               {kTypeGrid, {1, 1}, 4, 2, false}};
    for (int r = 3; r <= 9; r += 2)
        for (int s = 1; s <= 9; s += 4) cases.push_back({kTypeSphere, {r, s}, 2 + (r - 2) * s, 2 * s * (r - 2), s > 2});
    for (int s = 3; s <= 12; s += 3) {
        for (int k = 1; k <= 3; ++k) {
            cases.push_back({kTypeCylinder, {s, k, 1}, s * (k + 1) + 2, 2 * s * k + 2 * s, true});
            cases.push_back({kTypeCylinder, {s, k, 0}, s * (k + 1), 2 * s * k, false});
            cases.push_back({kTypeGrid, {s, k}, (s + 1) * (k + 1), 2 * s * k, false});
        }
        if (s > 3) cases.push_back({kTypeCone, {s, 1}, s + 2, 2 * s, true});
        cases.push_back({kTypeArcPath, {s, 30 * s}, s + 3, 0, false});
        cases.push_back({kTypeLinePath, {s}, s + 3, 0, false});
    }
    testing::Checksum sum;
    for (const Case& c : cases) {
        for (const bool invert : {false, true}) {
            Objects scene;
            const Mesh& mesh = scene.add(1, c.type, c.params, identityMatrix(), {}, invert);
            EXPECT_EQ(mesh.vertexCount, c.vertices) << c.type << " " << c.params[0];
            EXPECT_EQ(mesh.faceCount, c.faces) << c.type << " " << c.params[0];
            if (c.solid) expectClosedSolid(mesh, invert ? -1.0f : 1.0f);
            addMesh(sum, mesh);
        }
    }
    EXPECT_TRUE(testing::matchesGolden("mesh.primitive_sweep", sum.value()));
}

TEST(Primitives, UnusableSizesAndUnknownTypesBuildNothing) {
    struct Case {
        uint32_t type;
        std::vector<int32_t> params;
    };
    const Case cases[] = {{kTypeSphere, {2, 8}},
                          {kTypeSphere, {8, 0}},
                          {kTypeCylinder, {0, 4, 1}},
                          {kTypeCylinder, {6, 0, 1}},
                          {kTypeCone, {0, 1}},
                          {kTypeGrid, {0, 3}},
                          {kTypeGrid, {3, -1}},
                          {kTypeArcPath, {0, 90}},
                          {kTypeLinePath, {0}},
                          {2, {5, 5, 5}},
                          {104, {1, 1, 1}}};
    for (const Case& c : cases) {
        Objects scene;
        const Mesh& mesh = scene.add(1, c.type, c.params);
        EXPECT_EQ(mesh.vertexCount + mesh.faceCount, 0) << c.type << ": " << c.params[0];
    }
}

Vector3 onCircle(double degrees) {
    const double b = degrees * std::numbers::pi / 180.0;
    return {float(0.5 * std::sin(b)), 0.0f, float(0.5 * std::cos(b))};
}

TEST(Sweep, PlacesTheProfileRingAtEachPathPointAndKeepsWorldPointsInScratch) {
    const int N = 3, M = 4, W = M + 1;
    Objects scene;
    Matrix4 pathPlace;
    translation(0, 0, 10, pathPlace);
    const Mesh& path = scene.add(1, kTypeLinePath, {N}, pathPlace);
    const Mesh& arc = scene.add(2, kTypeArcPath, {M, 90});
    for (int i = 0; i < W + 2; ++i) EXPECT_TRUE(near(arc.vertices[i].position, onCircle(-22.5 + 22.5 * i)));
    const Mesh& mesh = scene.add(3, kTypeSweep, {1, 2});
    ASSERT_EQ(mesh.vertexCount, (N + 1) * W);
    EXPECT_EQ(mesh.faceCount, 2 * N * M);
    // Along +z the side is -x and the lift +y: profile point (px, _, pz) lands
    // at the path point + (-px, pz, 0).
    for (int k = 0; k <= N; ++k) {
        for (int j = 0; j < W; ++j) {
            const Vector3 q = onCircle(90.0 * j / M);
            const MeshVertex& v = mesh.vertices[k * W + j];
            EXPECT_TRUE(near(v.position, {-q.x, q.z, 9.5f + float(k) / N})) << k << j;
            EXPECT_EQ(v.uv, (TexCoord{float(k) / N, float(j) / M}));
        }
    }
    EXPECT_EQ(mesh.faces[0].corner0, 1);  // (a, a - 1, b) with a = 1, b = 1 + W
    EXPECT_EQ(mesh.faces[0].corner2, 1 + W);
    EXPECT_TRUE(near(path.vertices[N + 2].scratch, {0, 0, 10.5f + 1.0f / N}));

    // A vertical tangent collapses the ring onto the path.
    Matrix4 upright;
    rotation(1, 0, 0, float(std::numbers::pi / 2), upright);
    scene.add(4, kTypeLinePath, {2}, upright);
    const Mesh& collapsed = scene.add(5, kTypeSweep, {4, 2});
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < W; ++j)
            EXPECT_TRUE(near(collapsed.vertices[k * W + j].position, transformPoint(upright, 0, 0, k / 2.0f - 0.5f)));
    // Missing, self-referring or too-short sources build nothing.
    Mesh three;
    for (int i = 0; i < 3; ++i) addVertex(three, 0, 0, float(i));
    for (const std::vector<int32_t>& ids : {std::vector<int32_t>{1, 99}, {99, 2}, {12, 2}})
        EXPECT_EQ(scene.add(12, kTypeSweep, ids).vertexCount, 0);
    Mesh target;
    buildSweep(target, three, identityMatrix(), arc, identityMatrix());
    buildSweep(target, scene.built[0].mesh, identityMatrix(), three, identityMatrix());
    EXPECT_EQ(target.vertexCount, 0);
}

TEST(Merge, CopiesPlacedMeshesInListOrderSkippingUnknownIds) {
    Objects scene;
    Matrix4 right;
    translation(3, 0, 0, right);
    const Mesh& cube = scene.add(5, kTypeCube, {});
    scene.add(7, kTypeCube, {}, right).faces[0].texture = 42;
    const Mesh& merged = scene.add(9, kTypeMerge, {}, identityMatrix(), {5, 77, 7});
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
    const Vector3 p = cube.vertices[9].position;
    EXPECT_EQ(merged.vertices[14 + 9].position, (Vector3{p.x + 3, p.y, p.z}));
    EXPECT_EQ(merged.vertices[14 + 9].restPosition, merged.vertices[14 + 9].position);
    EXPECT_TRUE(near(merged.vertices[14 + 7].normal, {1, 0, 0}));

    // Merged objects merge again; an object listing itself copies its mesh so far.
    scene.add(1, kTypeGrid, {1, 1});
    Matrix4 down;
    translation(0, -2, 0, down);
    scene.add(2, kTypeMerge, {}, down, {1, 1});
    const Mesh& outer = scene.add(3, kTypeMerge, {}, identityMatrix(), {2});
    EXPECT_EQ(outer.vertexCount, 8);
    EXPECT_EQ(outer.vertices[7].position.y, -2.0f);
    const Mesh& self = scene.add(4, kTypeMerge, {}, identityMatrix(), {1, 4});
    EXPECT_EQ(self.vertexCount, 8);
    EXPECT_EQ(self.faces[3].corner2, self.faces[1].corner2 + 4);
}

}  // namespace
}  // namespace lumen
