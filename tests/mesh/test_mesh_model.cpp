#include <gtest/gtest.h>

#include "math_helpers.h"
#include "mesh/mesh.h"

namespace lumen {
namespace {

using testing::vectorNear;

TEST(MeshModel, ArraysGrowTo20Then60Then140KeepingEarlierEntries) {
    Mesh mesh;
    int capacities[141];
    for (int i = 0; i < 141; ++i) {
        addVertex(mesh, float(i), float(-i), 0.5f);
        setVertexUV(mesh, float(i), 1);
        addFace(mesh, i, i, i, kShadingFlat);
        capacities[i] = mesh.vertexCapacity;
        EXPECT_EQ(mesh.faceCapacity, mesh.vertexCapacity);
    }
    EXPECT_EQ(capacities[19], 20);
    EXPECT_EQ(capacities[20], 60);
    EXPECT_EQ(capacities[60], 140);
    EXPECT_EQ(capacities[140], 300);
    for (int i = 0; i < 141; ++i) {
        EXPECT_EQ(mesh.vertices[i].restPosition, (Vector3{float(i), float(-i), 0.5f}));
        EXPECT_EQ(mesh.vertices[i].scratch, mesh.vertices[i].position);
        EXPECT_EQ(mesh.vertices[i].baseUV, (TexCoord{float(i), 1}));
        EXPECT_EQ(mesh.faces[i].uv[2], (TexCoord{float(i), 1}));
        EXPECT_EQ(mesh.faces[i].color, (Color4{1, 1, 1, 1}));
    }
    EXPECT_EQ(mesh.vertices[141].position, Vector3{});  // never written
    EXPECT_EQ(mesh.faces[141].color, Color4{});
}

TEST(MeshModel, AddFaceCopiesVertexCoordinatesAtCallTime) {
    Mesh mesh;
    for (float u : {0.1f, 0.3f, 0.5f}) {
        addVertex(mesh, u, 0, 0);
        setVertexUV(mesh, u, u + 0.1f);
    }
    addFace(mesh, 2, 0, 1, kShadingSmooth);
    setVertexUV(mesh, 0.9f, 0.9f);  // vertex 2, corner 0 of the face
    EXPECT_EQ(mesh.faces[0].uv[0], (TexCoord{0.5f, 0.6f}));
    EXPECT_EQ(mesh.faces[0].baseUV[1], (TexCoord{0.1f, 0.2f}));
    setFaceUV(mesh, 1, 2, 3, 4, 5, 6);
    EXPECT_EQ(mesh.faces[0].uv[2], (TexCoord{5, 6}));
    EXPECT_EQ(mesh.faces[0].baseUV[1], (TexCoord{3, 4}));
}

// Two triangles sharing the edge 0-1, folded; vertex 4 is used by no face.
Mesh foldedPair() {
    Mesh mesh;
    addVertex(mesh, 0, 0, 0);
    addVertex(mesh, 1, 0, 0);
    addVertex(mesh, 0, 0, 1);
    addVertex(mesh, 0, 2, 0);
    addVertex(mesh, 5, 5, 5);
    addFace(mesh, 0, 2, 1, kShadingFlat);    // in y = 0, normal (0, -1, 0)
    addFace(mesh, 0, 3, 1, kShadingSmooth);  // in z = 0, twice the area
    addFace(mesh, 3, 3, 1, kShadingSmooth);  // degenerate
    return mesh;
}

TEST(MeshModel, NormalsWeighFacesByAreaAndSkipDegenerateOnes) {
    Mesh mesh = foldedPair();
    computeNormals(mesh, false);
    computeNormals(mesh, false);  // starts from zero each time
    EXPECT_EQ(mesh.faces[0].faceNormal, (Vector3{0, -1, 0}));
    EXPECT_EQ(mesh.faces[1].faceNormal, (Vector3{0, 0, 2}));
    EXPECT_EQ(mesh.faces[2].faceNormal, Vector3{});
    EXPECT_TRUE(vectorNear(mesh.vertices[3].normal, {0, 0, 1}, 0));
    EXPECT_TRUE(vectorNear(mesh.vertices[1].normal, {0, -0.4472136f, 0.8944272f}, 1e-6f));
    EXPECT_EQ(mesh.vertices[4].normal, Vector3{});
}

TEST(MeshModel, InvertBitAndFlipByteEachNegate) {
    Mesh mesh = foldedPair();
    mesh.faces[1].flip = 1;
    computeNormals(mesh, false);
    EXPECT_EQ(mesh.faces[1].faceNormal, (Vector3{0, 0, -2}));
    computeNormals(mesh, true);
    EXPECT_EQ(mesh.faces[0].faceNormal, (Vector3{0, 1, 0}));
    EXPECT_EQ(mesh.faces[1].faceNormal, (Vector3{0, 0, 2}));
    EXPECT_TRUE(vectorNear(mesh.vertices[2].normal, {0, 1, 0}, 0));
}

TEST(MeshModel, CornersOutsideTheMeshAndEmptyMeshesAreHandledSafely) {
    Mesh mesh = foldedPair();
    addFace(mesh, 0, 7, -1, kShadingSmooth);
    EXPECT_EQ(mesh.faces[3].uv[1], TexCoord{});
    computeNormals(mesh, false);
    EXPECT_EQ(mesh.faces[3].faceNormal, Vector3{});
    EXPECT_TRUE(vectorNear(mesh.vertices[3].normal, {0, 0, 1}, 0));

    Mesh empty;
    setVertexUV(empty, 1, 1);
    setFaceUV(empty, 1, 1, 1, 1, 1, 1);
    EXPECT_EQ(empty.vertexCapacity, 0);
}

}  // namespace
}  // namespace lumen
