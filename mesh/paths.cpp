// Meshes made from other meshes: the two path polylines, the sweep that
// extrudes a profile along a path, and the merge that copies placed meshes.
#include <cmath>

#include "mesh/mesh_generator.h"

namespace lumen {

namespace {

float f(double v) { return static_cast<float>(v); }

double ratio(int32_t a, int32_t b) { return double(float(a)) / double(float(b)); }

}  // namespace

// [SECTION] paths
// Both paths carry one extra point beyond each end, used only as a direction
// neighbour by the sweep.

void buildArcPath(Mesh& mesh, int32_t steps, int32_t degrees) {
    const int32_t N = steps;
    if (N < 1) return;
    for (int32_t i = -1; i <= N + 1; ++i) {
        double b = ratio(i, N) * double(float(degrees)) * kDegreesToRadians;
        addVertex(mesh, f(0.5 * std::sin(b)), 0.0f, f(0.5 * std::cos(b)));
    }
}

void buildLinePath(Mesh& mesh, int32_t steps) {
    const int32_t N = steps;
    if (N < 1) return;
    for (int32_t i = -1; i <= N + 1; ++i) addVertex(mesh, 0.0f, 0.0f, f(ratio(i, N) - 0.5));
}

// [SECTION] sweep

void buildSweep(Mesh& mesh, Mesh& path, const Matrix4& pathMatrix, const Mesh& profile, const Matrix4& profileMatrix) {
    const int32_t P = path.vertexCount;
    const int32_t Q = profile.vertexCount;
    // Fewer than 4 points leave no span for the texture coordinates (P - 3 or
    // Q - 3 would be zero).
    if (P < 4 || Q < 4) return;
    const Vector3 up{0.0f, -1.0f, 0.0f};
    const int32_t W = Q - 2;

    // Indices only, never references, across addVertex: the target's arrays
    // may move while it grows.
    auto pathPoint = [&](int32_t k) {
        Vector3 p = path.vertices[k].position;
        Vector3 world = transformPoint(pathMatrix, p.x, p.y, p.z);
        path.vertices[k].scratch = world;
        return world;
    };

    for (int32_t i = 1; i <= P - 2; ++i) {
        Vector3 prev = pathPoint(i - 1);
        Vector3 here = pathPoint(i);
        Vector3 next = pathPoint(i + 1);
        Vector3 d1 = normalize(subtract(here, prev));
        Vector3 d2 = normalize(subtract(next, here));
        Vector3 t = normalize(add(d1, d2));
        // A vertical tangent makes side zero and collapses the ring.
        Vector3 side = cross(up, t);
        Vector3 lift = cross(side, t);
        float u = f(ratio(i - 1, P - 3));
        for (int32_t j = 1; j <= Q - 2; ++j) {
            Vector3 p = profile.vertices[j].position;
            Vector3 q = transformPoint(profileMatrix, p.x, p.y, p.z);
            Vector3 v = add(add(here, scale(side, q.x)), scale(lift, q.z));
            addVertex(mesh, v.x, v.y, v.z);
            setVertexUV(mesh, u, f(ratio(j - 1, Q - 3)));
        }
    }

    // The profile is open: nothing joins its last point to its first.
    for (int32_t s = 1; s <= W - 1; ++s) {
        for (int32_t k = 0; k <= P - 4; ++k) {
            int32_t a = s + k * W;
            int32_t b = a + W;
            addFace(mesh, a, a - 1, b, kShadingSmooth);
            addFace(mesh, b, a - 1, b - 1, kShadingSmooth);
        }
    }
}

// [SECTION] merge

void mergeInto(Mesh& mesh, const Mesh& source, const Matrix4& sourceMatrix) {
    // Counts are taken first and entries copied by value, so a mesh may be
    // merged into itself.
    const int32_t base = mesh.vertexCount;
    const int32_t vertexCount = source.vertexCount;
    const int32_t faceCount = source.faceCount;

    for (int32_t i = 0; i < vertexCount; ++i) {
        MeshVertex v = source.vertices[i];
        Vector3 position = transformPoint(sourceMatrix, v.position.x, v.position.y, v.position.z);
        Vector3 normal = transformDirection(sourceMatrix, v.normal.x, v.normal.y, v.normal.z);
        addVertex(mesh, 0.0f, 0.0f, 0.0f);
        MeshVertex& copy = mesh.vertices[mesh.vertexCount - 1];
        copy = v;
        copy.baseUV = v.uv;
        copy.position = position;
        copy.normal = normal;
        copy.restPosition = position;
    }

    for (int32_t i = 0; i < faceCount; ++i) {
        MeshFace face = source.faces[i];
        Vector3 n = transformDirection(sourceMatrix, face.faceNormal.x, face.faceNormal.y, face.faceNormal.z);
        addFace(mesh, 0, 0, 0, face.shading);
        MeshFace& copy = mesh.faces[mesh.faceCount - 1];
        copy = face;
        copy.corner0 += base;
        copy.corner1 += base;
        copy.corner2 += base;
        for (int k = 0; k < 3; ++k) copy.baseUV[k] = face.uv[k];
        copy.faceNormal = n;
    }
}

// [SECTION] generator

namespace {

const MeshSource* findSource(std::span<const MeshSource> objects, int32_t id) {
    for (const MeshSource& s : objects)
        if (s.id == id && s.mesh != nullptr && s.matrix != nullptr) return &s;
    return nullptr;
}

}  // namespace

void generateMesh(Mesh& target, const MeshGeneratorInput& in) {
    const int32_t* p = in.params;
    switch (in.type) {
        case kTypeCube: buildCube(target); break;
        case kTypeSphere: buildSphere(target, p[0], p[1]); break;
        case kTypeCylinder: buildCylinder(target, p[0], p[1], p[2] != 0); break;
        case kTypeCone: buildCone(target, p[0], p[1] != 0); break;
        case kTypeArcPath: buildArcPath(target, p[0], p[1]); break;
        case kTypeLinePath: buildLinePath(target, p[0]); break;
        case kTypeGrid: buildGrid(target, p[0], p[1]); break;
        case kTypeSweep: {
            const MeshSource* path = findSource(in.earlierObjects, p[0]);
            const MeshSource* profile = findSource(in.earlierObjects, p[1]);
            if (path != nullptr && profile != nullptr)
                buildSweep(target, *path->mesh, *path->matrix, *profile->mesh, *profile->matrix);
            break;
        }
        case kTypeMerge:
            for (int32_t id : in.mergeIds) {
                const MeshSource* source = findSource(in.earlierObjects, id);
                if (source != nullptr) mergeInto(target, *source->mesh, *source->matrix);
            }
            break;
        default: break;
    }
    computeNormals(target, in.invertNormals);
}

}  // namespace lumen
