// Scene evaluation: keyframe tracks, animation clips and the object hierarchy
// that turns base and animation matrices into the matrices objects draw with.
#pragma once
#include <cstdint>
#include <optional>

#include "scene/scene_records.h"

namespace lumen {

// Cubic Hermite between the keys around t, with the stored per-unit tangents.
// No keys gives 0; before the first key or after the last, the end value.
// Key times compare as unsigned 32-bit numbers.
float evaluateTrack(const Track& track, float t);
// An absent track evaluates like one without keys.
float evaluateTrack(const std::optional<Track>& track, float t);

// Rewrites animMatrix, the animated values and the colour of every object from
// clip `clipId` at time t; objects without that clip become unanimated.
void evaluateClip(Scene& scene, float t, int32_t clipId);

// Computes drawMatrix for every object below parentId, depth first; call with
// (-1, nullptr) for the whole scene, right after evaluateClip (non-root
// animMatrix values are replaced on the way). Objects of type 100 and above,
// orphans and anything only reachable through a cycle keep their drawMatrix;
// no object is posed twice in one call.
void propagate(Scene& scene, int32_t parentId, SceneObject* parent);

}  // namespace lumen
