#include <gtest/gtest.h>

#include <cmath>

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

Vector3 centroid(const Mesh& mesh, const MeshFace& face) {
    Vector3 sum = add(add(mesh.vertices[face.corner0].position, mesh.vertices[face.corner1].position),
                      mesh.vertices[face.corner2].position);
    return scale(sum, 1.0f / 3.0f);
}

void expectCornersInRange(const Mesh& mesh) {
    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        const MeshFace& face = mesh.faces[i];
        for (int32_t c : {face.corner0, face.corner1, face.corner2}) {
            ASSERT_GE(c, 0) << "face " << i;
            ASSERT_LT(c, mesh.vertexCount) << "face " << i;
        }
    }
}

// Every face normal points away from the centre (or towards it when inverted),
// and so does every vertex normal of a used vertex.
void expectNormalsFacing(const Mesh& mesh, float sign) {
    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        const MeshFace& face = mesh.faces[i];
        EXPECT_GT(sign * dot(face.faceNormal, centroid(mesh, face)), 0.0f) << "face " << i;
    }
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        const MeshVertex& v = mesh.vertices[i];
        if (v.normal == Vector3{}) continue;
        EXPECT_GT(sign * dot(v.normal, v.position), 0.0f) << "vertex " << i;
    }
}

TEST(Cube, FourteenVerticesTwentyFourFlatFacesWithOutwardNormals) {
    Mesh cube = generate(kTypeCube);
    EXPECT_EQ(cube.vertexCount, 14);
    EXPECT_EQ(cube.faceCount, 24);
    expectCornersInRange(cube);
    expectNormalsFacing(cube, 1.0f);
    for (int32_t i = 0; i < cube.faceCount; ++i) {
        EXPECT_EQ(cube.faces[i].shading, kShadingFlat);
        EXPECT_FLOAT_EQ(float(length(cube.faces[i].faceNormal)), 0.5f) << "face " << i;
    }
    // The side z = -0.5: (0, 1, 4), (1, 2, 4), (2, 3, 4), (3, 0, 4).
    EXPECT_EQ(cube.faces[1].corner0, 1);
    EXPECT_EQ(cube.faces[1].corner1, 2);
    EXPECT_EQ(cube.faces[1].corner2, 4);
    EXPECT_EQ(cube.faces[1].uv[0], (TexCoord{1, 0}));
    EXPECT_EQ(cube.faces[1].uv[1], (TexCoord{1, 1}));
    EXPECT_EQ(cube.faces[1].uv[2], (TexCoord{0.5f, 0.5f}));
    EXPECT_EQ(cube.faces[3].uv[1], (TexCoord{0, 0}));
    EXPECT_EQ(cube.vertices[5].uv, TexCoord{});
}

TEST(Cube, InvertBitTurnsEveryNormalInward) {
    expectNormalsFacing(generate(kTypeCube, 0, 0, 0, true), -1.0f);
}

TEST(Sphere, ThreeRingsFourSegmentsIsTwoCapsOnly) {
    Mesh sphere = generate(kTypeSphere, 3, 4);
    EXPECT_EQ(sphere.vertexCount, 6);
    EXPECT_EQ(sphere.faceCount, 8);
    expectCornersInRange(sphere);
}

TEST(Sphere, CountsRadiusNormalsAndSeamCoordinates) {
    const int R = 7, S = 9;
    Mesh sphere = generate(kTypeSphere, R, S);
    EXPECT_EQ(sphere.vertexCount, 2 + (R - 2) * S);
    EXPECT_EQ(sphere.faceCount, 2 * S + 2 * S * (R - 3));
    expectCornersInRange(sphere);
    for (int32_t i = 0; i < sphere.vertexCount; ++i)
        EXPECT_NEAR(length(sphere.vertices[i].position), 0.5, 1e-6) << "vertex " << i;
    EXPECT_EQ(sphere.vertices[0].position, (Vector3{0, -0.5f, 0}));
    expectNormalsFacing(sphere, 1.0f);

    // The first cap's last face wraps to segment 0 but uses v = 1.
    const MeshFace& capSeam = sphere.faces[2 * (S - 1)];
    EXPECT_EQ(capSeam.corner1, 2);
    EXPECT_FLOAT_EQ(capSeam.uv[1].v, 1.0f);
    EXPECT_FLOAT_EQ(capSeam.uv[1].u, 1.0f / (R - 2));
    EXPECT_FLOAT_EQ(capSeam.uv[0].v, (S - 0.5f) / S);
    // The second cap reaches u = 1 at its pole.
    EXPECT_FLOAT_EQ(sphere.faces[1].uv[0].u, 1.0f);
    // Last band face of the first band: corners at the seam carry v = 1.
    const MeshFace& bandSeam = sphere.faces[2 * S + 2 * (S - 1)];
    EXPECT_EQ(bandSeam.corner1, 2);
    EXPECT_FLOAT_EQ(bandSeam.uv[1].v, 1.0f);
    EXPECT_EQ(bandSeam.shading, kShadingSmooth);
}

TEST(Cylinder, EightSegmentsOneStackWithCaps) {
    Mesh cylinder = generate(kTypeCylinder, 8, 1, 1);
    EXPECT_EQ(cylinder.vertexCount, 18);
    EXPECT_EQ(cylinder.faceCount, 32);
    expectCornersInRange(cylinder);
    expectNormalsFacing(cylinder, 1.0f);
    // Side faces at the seam (i = 7): corners on vertices 0 and 8 carry u = 1.
    for (int f = 14; f < 16; ++f) {
        const MeshFace& face = cylinder.faces[f];
        const int32_t corners[3] = {face.corner0, face.corner1, face.corner2};
        for (int k = 0; k < 3; ++k) {
            if (corners[k] == 0 || corners[k] == 8) {
                EXPECT_EQ(face.uv[k].u, 1.0f) << "face " << f;
            } else {
                EXPECT_EQ(face.uv[k].u, 7.0f / 8) << "face " << f;
            }
        }
    }
    EXPECT_EQ(cylinder.vertices[0].uv.u, 0.0f);
    // Cap corners take planar coordinates from their positions.
    const MeshFace& cap = cylinder.faces[16];
    EXPECT_EQ(cap.shading, kShadingFlat);
    EXPECT_EQ(cap.corner0, 16);
    EXPECT_EQ(cap.uv[0], (TexCoord{0.5f, 0.5f}));
    EXPECT_FLOAT_EQ(cap.uv[1].v, 1.0f);  // vertex 0 at z = 0.5
}

TEST(Cylinder, WithoutCapsOnlySides) {
    Mesh cylinder = generate(kTypeCylinder, 5, 3, 0);
    EXPECT_EQ(cylinder.vertexCount, 20);
    EXPECT_EQ(cylinder.faceCount, 30);
    EXPECT_FLOAT_EQ(cylinder.vertices[19].position.y, 0.5f);
}

TEST(Cone, ThreeSegmentsCapIsOneFace) {
    Mesh cone = generate(kTypeCone, 3, 1);
    EXPECT_EQ(cone.vertexCount, 4);
    ASSERT_EQ(cone.faceCount, 4);
    EXPECT_EQ(cone.faces[3].corner0, 2);
    EXPECT_EQ(cone.faces[3].corner1, 1);
    EXPECT_EQ(cone.faces[3].corner2, 3);
    EXPECT_EQ(cone.faces[3].shading, kShadingFlat);
    expectNormalsFacing(cone, 1.0f);
}

TEST(Cone, FourSegmentsCapHasACentre) {
    Mesh cone = generate(kTypeCone, 4, 1);
    EXPECT_EQ(cone.vertexCount, 6);
    EXPECT_EQ(cone.faceCount, 8);
    expectCornersInRange(cone);
    expectNormalsFacing(cone, 1.0f);
    EXPECT_EQ(cone.vertices[0].uv, (TexCoord{0.5f, 0.5f}));
    EXPECT_EQ(cone.vertices[5].uv, TexCoord{});
    EXPECT_EQ(cone.faces[0].uv[0], (TexCoord{0.5f, 0.5f}));
    EXPECT_EQ(generate(kTypeCone, 4, 0).faceCount, 4);
}

TEST(Grid, OneByOneFacesDown) {
    Mesh grid = generate(kTypeGrid, 1, 1);
    EXPECT_EQ(grid.vertexCount, 4);
    EXPECT_EQ(grid.faceCount, 2);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(vectorNear(grid.vertices[i].normal, {0, -1, 0}, 0));
}

TEST(Grid, CountsAndCoordinates) {
    Mesh grid = generate(kTypeGrid, 4, 2);
    EXPECT_EQ(grid.vertexCount, 15);
    EXPECT_EQ(grid.faceCount, 16);
    expectCornersInRange(grid);
    // Vertex (row 2, column 4) is the far corner.
    EXPECT_EQ(grid.vertices[14].position, (Vector3{0.5f, 0, 0.5f}));
    EXPECT_EQ(grid.vertices[14].uv, (TexCoord{1.0f, -1.0f}));
    EXPECT_EQ(grid.faces[0].uv[0], grid.vertices[1].uv);
    for (int32_t i = 0; i < grid.faceCount; ++i)
        EXPECT_LT(grid.faces[i].faceNormal.y, 0.0f) << "face " << i;
}

TEST(Generator, SizesThePrimitivesCannotUseBuildNothing) {
    struct Case { uint32_t type; int32_t p0, p1, p2; };
    const Case cases[] = {
        {kTypeSphere, 2, 8, 0},   {kTypeSphere, 8, 0, 0},    {kTypeSphere, -3, -3, 0},
        {kTypeCylinder, 0, 4, 1}, {kTypeCylinder, 6, 0, 1},  {kTypeCone, 0, 1, 0},
        {kTypeCone, -2, 1, 0},    {kTypeGrid, 0, 3, 0},      {kTypeGrid, 3, -1, 0},
        {kTypeArcPath, 0, 90, 0}, {kTypeLinePath, 0, 0, 0},  {kTypeLinePath, -5, 0, 0},
        {2, 5, 5, 5},             {4, 5, 5, 5},              {104, 1, 1, 1},
    };
    for (const Case& c : cases) {
        Mesh mesh = generate(c.type, c.p0, c.p1, c.p2);
        EXPECT_EQ(mesh.vertexCount, 0) << "type " << c.type << " " << c.p0 << " " << c.p1;
        EXPECT_EQ(mesh.faceCount, 0) << "type " << c.type;
    }
}

}  // namespace
}  // namespace lumen
