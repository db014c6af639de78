#include <gtest/gtest.h>

#include "math_helpers.h"
#include "mesh/mesh_generator.h"

namespace lumen {
namespace {

using testing::vectorNear;

Mesh generate(uint32_t type, int32_t p0 = 0, int32_t p1 = 0, int32_t p2 = 0, bool invert = false) {
    MeshGeneratorInput input;
    input.type = type;
    input.params[0] = p0;
    input.params[1] = p1;
    input.params[2] = p2;
    input.invertNormals = invert;
    Mesh mesh;
    generateMesh(mesh, input);
    return mesh;
}

// Every corner indexes a vertex, and every face and used-vertex normal points
// away from the centre (towards it for sign -1).
void expectClosedSolid(const Mesh& mesh, float sign) {
    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        const MeshFace& f = mesh.faces[i];
        Vector3 sum{};
        for (int32_t c : {f.corner0, f.corner1, f.corner2}) {
            ASSERT_TRUE(c >= 0 && c < mesh.vertexCount) << "face " << i;
            sum = add(sum, mesh.vertices[c].position);
        }
        EXPECT_GT(sign * dot(f.faceNormal, sum), 0.0f) << "face " << i;
    }
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        const MeshVertex& v = mesh.vertices[i];
        if (!(v.normal == Vector3{})) {
            EXPECT_GT(sign * dot(v.normal, v.position), 0.0f) << "vertex " << i;
        }
    }
}

TEST(Primitives, CubeHasOutwardNormalsUnlessInverted) {
    Mesh cube = generate(kTypeCube);
    EXPECT_EQ(cube.vertexCount, 14);
    EXPECT_EQ(cube.faceCount, 24);
    expectClosedSolid(cube, 1.0f);
    expectClosedSolid(generate(kTypeCube, 0, 0, 0, true), -1.0f);
    // Side z = -0.5, second face (1, 2, 4): corners L1, L2 and the centre.
    const MeshFace& f = cube.faces[1];
    EXPECT_EQ(f.corner1, 2);
    EXPECT_EQ(f.uv[0], (TexCoord{1, 0}));
    EXPECT_EQ(f.uv[1], (TexCoord{1, 1}));
    EXPECT_EQ(f.uv[2], (TexCoord{0.5f, 0.5f}));
    EXPECT_EQ(f.shading, kShadingFlat);
}

TEST(Primitives, SphereCountsRadiusAndSeamCoordinates) {
    Mesh small = generate(kTypeSphere, 3, 4);
    EXPECT_EQ(small.vertexCount, 6);
    EXPECT_EQ(small.faceCount, 8);

    const int R = 7, S = 9;
    Mesh sphere = generate(kTypeSphere, R, S);
    EXPECT_EQ(sphere.vertexCount, 2 + (R - 2) * S);
    EXPECT_EQ(sphere.faceCount, 2 * S + 2 * S * (R - 3));
    expectClosedSolid(sphere, 1.0f);
    for (int32_t i = 0; i < sphere.vertexCount; ++i)
        EXPECT_NEAR(length(sphere.vertices[i].position), 0.5, 1e-6) << i;
    // The last cap face of pole 0 wraps to vertex 2 with v = 1.
    const MeshFace& cap = sphere.faces[2 * (S - 1)];
    EXPECT_EQ(cap.corner1, 2);
    EXPECT_EQ(cap.uv[1], (TexCoord{1.0f / (R - 2), 1.0f}));
    EXPECT_FLOAT_EQ(cap.uv[0].v, (S - 0.5f) / S);
    EXPECT_EQ(sphere.faces[1].uv[0].u, 1.0f);  // pole 1 at u = 1
    const MeshFace& band = sphere.faces[2 * S + 2 * (S - 1)];
    EXPECT_EQ(band.corner1, 2);
    EXPECT_EQ(band.uv[1].v, 1.0f);
}

TEST(Primitives, CylinderSeamCarriesUOneWhileItsVerticesHaveZero) {
    Mesh cylinder = generate(kTypeCylinder, 8, 1, 1);
    EXPECT_EQ(cylinder.vertexCount, 18);
    EXPECT_EQ(cylinder.faceCount, 32);
    expectClosedSolid(cylinder, 1.0f);
    for (int f = 14; f < 16; ++f) {  // the two side faces at the seam
        const MeshFace& face = cylinder.faces[f];
        const int32_t corners[3] = {face.corner0, face.corner1, face.corner2};
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(face.uv[k].u, (corners[k] == 0 || corners[k] == 8) ? 1.0f : 7.0f / 8) << f;
    }
    EXPECT_EQ(cylinder.vertices[8].uv.u, 0.0f);
    // Cap corners take planar coordinates: vertex 0 sits at z = 0.5.
    EXPECT_EQ(cylinder.faces[16].uv[1], (TexCoord{0.5f, 1.0f}));
    Mesh open = generate(kTypeCylinder, 5, 3, 0);
    EXPECT_EQ(open.vertexCount, 20);
    EXPECT_EQ(open.faceCount, 30);
}

TEST(Primitives, ConeCapIsOneFaceForThreeSegments) {
    Mesh three = generate(kTypeCone, 3, 1);
    EXPECT_EQ(three.vertexCount, 4);
    ASSERT_EQ(three.faceCount, 4);
    EXPECT_EQ(three.faces[3].corner0, 2);
    EXPECT_EQ(three.faces[3].corner1, 1);
    EXPECT_EQ(three.faces[3].corner2, 3);
    expectClosedSolid(three, 1.0f);
    Mesh four = generate(kTypeCone, 4, 1);
    EXPECT_EQ(four.vertexCount, 6);
    EXPECT_EQ(four.faceCount, 8);
    expectClosedSolid(four, 1.0f);
    EXPECT_EQ(four.faces[0].uv[0], (TexCoord{0.5f, 0.5f}));  // apex
    EXPECT_EQ(generate(kTypeCone, 4, 0).faceCount, 4);
}

TEST(Primitives, GridFacesDownWithCoordinatesFromTheVertices) {
    Mesh one = generate(kTypeGrid, 1, 1);
    EXPECT_EQ(one.vertexCount, 4);
    EXPECT_EQ(one.faceCount, 2);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(vectorNear(one.vertices[i].normal, {0, -1, 0}, 0));
    Mesh grid = generate(kTypeGrid, 4, 2);
    EXPECT_EQ(grid.vertexCount, 15);
    EXPECT_EQ(grid.faceCount, 16);
    EXPECT_EQ(grid.vertices[14].position, (Vector3{0.5f, 0, 0.5f}));
    EXPECT_EQ(grid.vertices[14].uv, (TexCoord{1, -1}));
    EXPECT_EQ(grid.faces[0].uv[0], grid.vertices[1].uv);
}

TEST(Primitives, UnusableSizesAndUnknownTypesBuildNothing) {
    struct Case { uint32_t type; int32_t p0, p1, p2; };
    const Case cases[] = {
        {kTypeSphere, 2, 8, 0},  {kTypeSphere, 8, 0, 0},   {kTypeCylinder, 0, 4, 1},
        {kTypeCylinder, 6, 0, 1}, {kTypeCone, 0, 1, 0},    {kTypeGrid, 0, 3, 0},
        {kTypeGrid, 3, -1, 0},   {kTypeArcPath, 0, 90, 0}, {kTypeLinePath, 0, 0, 0},
        {2, 5, 5, 5},            {104, 1, 1, 1},
    };
    for (const Case& c : cases) {
        Mesh mesh = generate(c.type, c.p0, c.p1, c.p2);
        EXPECT_EQ(mesh.vertexCount + mesh.faceCount, 0) << c.type << ": " << c.p0 << ", " << c.p1;
    }
}

}  // namespace
}  // namespace lumen
