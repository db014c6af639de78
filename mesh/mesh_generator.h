// The mesh generator: one call builds an object's mesh from its type and four
// generator words; sweep and merge read objects built before it.
#pragma once
#include <cstdint>
#include <span>

#include "mesh/math3d.h"
#include "mesh/mesh.h"
#include "pack/pack_codes.h"

namespace lumen {

// An object created earlier in the same scene, as sweep and merge see it. The
// sweep writes world-space path points into the path mesh's `scratch`.
struct MeshSource {
    int32_t id = 0;
    Mesh* mesh = nullptr;
    const Matrix4* matrix = nullptr;
};

struct MeshGeneratorInput {
    uint32_t type = 0;
    // Sizes by type: sphere (rings, segments), cylinder (segments, stacks,
    // caps), cone (segments, cap), arc path (steps, degrees), sweep (path id,
    // profile id), line path (steps), grid (columns, rows).
    int32_t params[4] = {};
    // Merge: the object ids to copy, in list order.
    std::span<const int32_t> mergeIds;
    // Sweep and merge: the scene's objects created so far, in creation order
    // (the target itself may be among them). First match by id wins.
    std::span<const MeshSource> earlierObjects;
    // Bit 8 of the object's flags.
    bool invertNormals = false;
};

// Appends the primitive to `target` (empty on entry) and computes normals. An
// unknown type, and sizes a primitive cannot use (sphere rings < 3, segments
// < 1, cylinder stacks < 1, grid columns or rows < 1, paths with 0 steps,
// sweeps over a path or a profile of fewer than 4 vertices), leave the mesh
// empty.
void generateMesh(Mesh& target, const MeshGeneratorInput& input);

// The primitives one by one, without the final computeNormals.
void buildCube(Mesh& mesh);
void buildSphere(Mesh& mesh, int32_t rings, int32_t segments);
void buildCylinder(Mesh& mesh, int32_t segments, int32_t stacks, bool caps);
void buildCone(Mesh& mesh, int32_t segments, bool cap);
void buildGrid(Mesh& mesh, int32_t columns, int32_t rows);
void buildArcPath(Mesh& mesh, int32_t steps, int32_t degrees);
void buildLinePath(Mesh& mesh, int32_t steps);
// Extrudes the profile along the path; writes the path's `scratch`.
void buildSweep(Mesh& mesh, Mesh& path, const Matrix4& pathMatrix, const Mesh& profile, const Matrix4& profileMatrix);
// Appends a copy of `source` placed by `sourceMatrix`.
void mergeInto(Mesh& mesh, const Mesh& source, const Matrix4& sourceMatrix);

}  // namespace lumen
