// The triangle mesh every drawable object carries: growable vertex and face
// arrays, the four append/set operations that fill them, and the normals.
#pragma once
#include <cstdint>
#include <vector>

#include "mesh/math3d.h"

namespace lumen {

struct TexCoord {
    float u = 0.0f;
    float v = 0.0f;

    friend bool operator==(const TexCoord&, const TexCoord&) = default;
};

struct Color4 {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;

    friend bool operator==(const Color4&, const Color4&) = default;
};

// Face shading: flat faces draw with the face normal, smooth ones with the
// vertex normals.
inline constexpr int32_t kShadingFlat = 1;
inline constexpr int32_t kShadingSmooth = 2;

struct MeshVertex {
    Vector3 scratch;       // the sweep leaves a path point in world space here
    Vector3 position;      // drawn and used for normals
    Vector3 restPosition;  // undisplaced position the deformers start from
    Vector3 normal;
    TexCoord baseUV;  // as generated
    TexCoord uv;      // in use, after the texture-coordinate transform
};

// Faces keep their own corner texture coordinates, so a seam needs no extra
// vertex.
struct MeshFace {
    int32_t corner0 = 0;
    int32_t corner1 = 0;
    int32_t corner2 = 0;
    Vector3 faceNormal;  // not normalised: its length is twice the area
    Color4 color;        // alpha exactly 1 draws in the opaque pass
    TexCoord uv[3];
    TexCoord baseUV[3];
    int32_t shading = 0;
    uint8_t flip = 0;
    uint32_t texture = 0;     // GL texture name for the colour passes, 0 = none
    uint32_t envTexture = 0;  // GL texture name for the environment pass
};

// Arrays hold `capacity` entries; slots past the count are zero-filled. When
// full they grow to 2 * count + 20 entries, so the first growth gives 20.
struct Mesh {
    std::vector<MeshVertex> vertices;
    int32_t vertexCapacity = 0;
    int32_t vertexCount = 0;
    std::vector<MeshFace> faces;
    int32_t faceCapacity = 0;
    int32_t faceCount = 0;
};

// New vertex with position, restPosition and scratch at (x, y, z).
void addVertex(Mesh& mesh, float x, float y, float z);
// New face (colour 1, 1, 1, 1) whose corner coordinates copy the vertices'
// current `uv`. A corner index outside the mesh reads as coordinate (0, 0).
void addFace(Mesh& mesh, int32_t a, int32_t b, int32_t c, int32_t shading);
// Both `uv` and `baseUV` of the newest vertex; no effect on an empty mesh.
void setVertexUV(Mesh& mesh, float u, float v);
// Both corner `uv` and `baseUV` of the newest face; no effect without faces.
void setFaceUV(Mesh& mesh, float u0, float v0, float u1, float v1, float u2, float v2);
// Face normals cross(p2 - p0, p1 - p0), negated when the face's flip byte
// differs from invertNormals; vertex normals are the normalised sums of the
// normals of the faces that use them. Faces with a corner outside the mesh get
// a zero normal and add nothing.
void computeNormals(Mesh& mesh, bool invertNormals);

}  // namespace lumen
