// The built size of every object of a pack, for `pack info`: the one part of
// that command that needs the loader (meshes, sweeps, merges) rather than the
// format library alone. Nothing here touches GL.
#pragma once
#include <functional>
#include <vector>

#include "pack/pack_model.h"

namespace lumenkit {

struct BuiltObjectSize {
    int vertices = 0;
    int faces = 0;
};

// Builds the pack of `model` without uploading, within a vertex budget, and
// returns the sizes scene by scene and object by object in pack order.
// `progress` sees the texture programs' progress. Throws lumen::PackError.
std::vector<std::vector<BuiltObjectSize>> buildObjectSizes(const lumen::PackModel& model, long vertexBudget,
                                                           const std::function<void(float)>& progress);

}  // namespace lumenkit
