#include <gtest/gtest.h>

#include "math_helpers.h"
#include "mesh/mesh.h"

namespace lumen {
namespace {

using testing::vectorNear;

TEST(MeshModel, VertexArrayGrowsTo20Then60Then140KeepingEarlierVertices) {
    Mesh mesh;
    EXPECT_EQ(mesh.vertexCapacity, 0);
    const int expectedCapacity[] = {20, 60, 140};
    int stage = 0;
    for (int i = 0; i < 141; ++i) {
        addVertex(mesh, float(i), float(-i), 0.5f);
        setVertexUV(mesh, float(i) / 10, 1.0f);
        if (i == 0 || i == 20 || i == 60) {
            EXPECT_EQ(mesh.vertexCapacity, expectedCapacity[stage++]);
        }
    }
    EXPECT_EQ(mesh.vertexCount, 141);
    EXPECT_EQ(mesh.vertexCapacity, 2 * 140 + 20);
    ASSERT_EQ(int(mesh.vertices.size()), mesh.vertexCapacity);
    for (int i = 0; i < 141; ++i) {
        const MeshVertex& v = mesh.vertices[i];
        EXPECT_EQ(v.position, (Vector3{float(i), float(-i), 0.5f}));
        EXPECT_EQ(v.restPosition, v.position);
        EXPECT_EQ(v.scratch, v.position);
        EXPECT_EQ(v.uv, (TexCoord{float(i) / 10, 1.0f}));
        EXPECT_EQ(v.baseUV, v.uv);
    }
    // Slots past the count have never been written.
    for (int i = 141; i < mesh.vertexCapacity; ++i) {
        EXPECT_EQ(mesh.vertices[i].position, Vector3{});
        EXPECT_EQ(mesh.vertices[i].uv, TexCoord{});
    }
}

TEST(MeshModel, FaceArrayGrowsByTheSameRuleAndFacesStartWhite) {
    Mesh mesh;
    addVertex(mesh, 0, 0, 0);
    for (int i = 0; i < 21; ++i) addFace(mesh, 0, 0, 0, kShadingFlat);
    EXPECT_EQ(mesh.faceCapacity, 60);
    EXPECT_EQ(mesh.faceCount, 21);
    EXPECT_EQ(mesh.faces[20].color, (Color4{1, 1, 1, 1}));
    EXPECT_EQ(mesh.faces[20].shading, kShadingFlat);
    EXPECT_EQ(mesh.faces[21].color, Color4{});
}

TEST(MeshModel, AddFaceCopiesVertexCoordinatesAtCallTime) {
    Mesh mesh;
    addVertex(mesh, 0, 0, 0);
    setVertexUV(mesh, 0.1f, 0.2f);
    addVertex(mesh, 1, 0, 0);
    setVertexUV(mesh, 0.3f, 0.4f);
    addVertex(mesh, 0, 1, 0);
    setVertexUV(mesh, 0.5f, 0.6f);
    addFace(mesh, 2, 0, 1, kShadingSmooth);
    const MeshFace& face = mesh.faces[0];
    EXPECT_EQ(face.uv[0], (TexCoord{0.5f, 0.6f}));
    EXPECT_EQ(face.uv[1], (TexCoord{0.1f, 0.2f}));
    EXPECT_EQ(face.uv[2], (TexCoord{0.3f, 0.4f}));
    EXPECT_EQ(face.baseUV[0], face.uv[0]);

    setVertexUV(mesh, 0.9f, 0.9f);  // the newest vertex, corner 0 of the face
    EXPECT_EQ(mesh.faces[0].uv[0], (TexCoord{0.5f, 0.6f}));

    setFaceUV(mesh, 1, 2, 3, 4, 5, 6);
    EXPECT_EQ(mesh.faces[0].uv[2], (TexCoord{5, 6}));
    EXPECT_EQ(mesh.faces[0].baseUV[1], (TexCoord{3, 4}));
}

TEST(MeshModel, SettersOnAnEmptyMeshDoNothing) {
    Mesh mesh;
    setVertexUV(mesh, 1, 1);
    setFaceUV(mesh, 1, 1, 1, 1, 1, 1);
    EXPECT_EQ(mesh.vertexCount, 0);
    EXPECT_EQ(mesh.faceCount, 0);
}

// Two triangles sharing an edge, folded; vertex 4 is used by no face.
Mesh foldedPair() {
    Mesh mesh;
    addVertex(mesh, 0, 0, 0);
    addVertex(mesh, 1, 0, 0);
    addVertex(mesh, 0, 0, 1);
    addVertex(mesh, 0, 2, 0);
    addVertex(mesh, 5, 5, 5);
    addFace(mesh, 0, 2, 1, kShadingFlat);    // in y = 0
    addFace(mesh, 0, 3, 1, kShadingSmooth);  // in z = 0, twice the area
    return mesh;
}

TEST(MeshModel, NormalsWeighFacesByAreaAndFlatFacesStillCount) {
    Mesh mesh = foldedPair();
    computeNormals(mesh, false);
    // cross(p2 - p0, p1 - p0)
    EXPECT_EQ(mesh.faces[0].faceNormal, (Vector3{0, -1, 0}));
    EXPECT_EQ(mesh.faces[1].faceNormal, (Vector3{0, 0, 2}));
    EXPECT_TRUE(vectorNear(mesh.vertices[2].normal, {0, -1, 0}, 0));
    EXPECT_TRUE(vectorNear(mesh.vertices[3].normal, {0, 0, 1}, 0));
    // Shared vertices: (0, -1, 2) normalised.
    EXPECT_TRUE(vectorNear(mesh.vertices[0].normal, {0, -0.4472136f, 0.8944272f}, 1e-6f));
    EXPECT_EQ(mesh.vertices[4].normal, Vector3{});
}

TEST(MeshModel, InvertBitAndFlipByteEachNegateAndCancelEachOther) {
    Mesh inverted = foldedPair();
    computeNormals(inverted, true);
    EXPECT_EQ(inverted.faces[0].faceNormal, (Vector3{0, 1, 0}));
    EXPECT_TRUE(vectorNear(inverted.vertices[0].normal, {0, 0.4472136f, -0.8944272f}, 1e-6f));

    Mesh flipped = foldedPair();
    flipped.faces[1].flip = 1;
    computeNormals(flipped, false);
    EXPECT_EQ(flipped.faces[1].faceNormal, (Vector3{0, 0, -2}));
    computeNormals(flipped, true);
    EXPECT_EQ(flipped.faces[1].faceNormal, (Vector3{0, 0, 2}));
    EXPECT_EQ(flipped.faces[0].faceNormal, (Vector3{0, 1, 0}));
}

TEST(MeshModel, DegenerateFaceAddsNothingAndRecomputingStartsFromZero) {
    Mesh mesh = foldedPair();
    addFace(mesh, 3, 3, 1, kShadingSmooth);
    computeNormals(mesh, false);
    computeNormals(mesh, false);
    EXPECT_EQ(mesh.faces[2].faceNormal, Vector3{});
    EXPECT_TRUE(vectorNear(mesh.vertices[3].normal, {0, 0, 1}, 0));
    EXPECT_TRUE(vectorNear(mesh.vertices[1].normal, {0, -0.4472136f, 0.8944272f}, 1e-6f));
}

TEST(MeshModel, CornersOutsideTheMeshAreReadSafely) {
    Mesh mesh = foldedPair();
    addFace(mesh, 0, 7, -1, kShadingSmooth);
    EXPECT_EQ(mesh.faces[2].uv[1], TexCoord{});
    computeNormals(mesh, false);
    EXPECT_EQ(mesh.faces[2].faceNormal, Vector3{});
    EXPECT_TRUE(vectorNear(mesh.vertices[3].normal, {0, 0, 1}, 0));
}

}  // namespace
}  // namespace lumen
