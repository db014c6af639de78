// Mesh arrays: growth, the append/set operations, and normal computation.
#include "mesh/mesh.h"

#include <cstddef>

namespace lumen {

namespace {

// Grows a full array to 2 * count + 20 zero-filled entries, keeping the old ones.
template <typename T>
void growIfFull(std::vector<T>& items, int32_t count, int32_t& capacity) {
    if (count != capacity) return;
    int32_t grown = 2 * count + 20;
    std::vector<T> larger(static_cast<std::size_t>(grown));
    for (int32_t i = 0; i < count; ++i) larger[i] = items[i];
    items = std::move(larger);
    capacity = grown;
}

bool validCorner(const Mesh& mesh, int32_t index) { return index >= 0 && index < mesh.vertexCount; }

TexCoord cornerUV(const Mesh& mesh, int32_t index) {
    return validCorner(mesh, index) ? mesh.vertices[index].uv : TexCoord{};
}

}  // namespace

void addVertex(Mesh& mesh, float x, float y, float z) {
    growIfFull(mesh.vertices, mesh.vertexCount, mesh.vertexCapacity);
    MeshVertex& v = mesh.vertices[mesh.vertexCount];
    v = MeshVertex{};
    v.position = v.restPosition = v.scratch = Vector3{x, y, z};
    ++mesh.vertexCount;
}

void addFace(Mesh& mesh, int32_t a, int32_t b, int32_t c, int32_t shading) {
    growIfFull(mesh.faces, mesh.faceCount, mesh.faceCapacity);
    MeshFace& face = mesh.faces[mesh.faceCount];
    face = MeshFace{};
    face.corner0 = a;
    face.corner1 = b;
    face.corner2 = c;
    const int32_t corners[3] = {a, b, c};
    for (int k = 0; k < 3; ++k) face.uv[k] = face.baseUV[k] = cornerUV(mesh, corners[k]);
    face.color = Color4{1.0f, 1.0f, 1.0f, 1.0f};
    face.shading = shading;
    ++mesh.faceCount;
}

void setVertexUV(Mesh& mesh, float u, float v) {
    if (mesh.vertexCount == 0) return;
    MeshVertex& vertex = mesh.vertices[mesh.vertexCount - 1];
    vertex.uv = vertex.baseUV = TexCoord{u, v};
}

void setFaceUV(Mesh& mesh, float u0, float v0, float u1, float v1, float u2, float v2) {
    if (mesh.faceCount == 0) return;
    MeshFace& face = mesh.faces[mesh.faceCount - 1];
    const TexCoord corners[3] = {{u0, v0}, {u1, v1}, {u2, v2}};
    for (int k = 0; k < 3; ++k) face.uv[k] = face.baseUV[k] = corners[k];
}

void computeNormals(Mesh& mesh, bool invertNormals) {
    for (int32_t i = 0; i < mesh.vertexCount; ++i) mesh.vertices[i].normal = Vector3{};

    const uint8_t invert = invertNormals ? 1 : 0;
    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        MeshFace& face = mesh.faces[i];
        if (!validCorner(mesh, face.corner0) || !validCorner(mesh, face.corner1) || !validCorner(mesh, face.corner2)) {
            face.faceNormal = Vector3{};
            continue;
        }
        Vector3 p0 = mesh.vertices[face.corner0].position;
        Vector3 p1 = mesh.vertices[face.corner1].position;
        Vector3 p2 = mesh.vertices[face.corner2].position;
        // Clockwise corners seen from outside give an outward normal.
        Vector3 n = cross(subtract(p2, p0), subtract(p1, p0));
        if ((face.flip ^ invert) != 0) n = scale(n, -1.0f);
        face.faceNormal = n;
    }

    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        const MeshFace& face = mesh.faces[i];
        if (!validCorner(mesh, face.corner0) || !validCorner(mesh, face.corner1) || !validCorner(mesh, face.corner2))
            continue;
        for (int32_t corner : {face.corner0, face.corner1, face.corner2}) {
            Vector3& sum = mesh.vertices[corner].normal;
            sum = add(sum, face.faceNormal);
        }
    }

    for (int32_t i = 0; i < mesh.vertexCount; ++i) mesh.vertices[i].normal = normalize(mesh.vertices[i].normal);
}

}  // namespace lumen
