// Drawing a scene: fog, lights, then every object's opaque, blended and
// environment lists in three passes under the camera and its drawMatrix.
#pragma once

#include "scene/camera.h"
#include "scene/scene_records.h"

namespace lumen {

// Draws the scene with the camera matrix of the last applyCamera. Leaves no
// state behind except identity projection and model-view matrices.
void drawScene(const Scene& scene, const CameraMatrix& camera);

}  // namespace lumen
