// The camera as the scene drawer applies it: perspective projection, the view
// with its roll about the line of sight, and the view matrix kept for drawing.
#pragma once

#include "scene/scene_records.h"

namespace lumen {

// The model-view matrix read back after the last applyCamera, in OpenGL's
// column order. All zero until a camera is first applied, so a scene drawn
// before that collapses to the origin and shows nothing.
struct CameraMatrix {
    float m[16] = {};
};

// The roll as a rotation of `up` about the view direction (eye to target);
// roll is in 1/255 of a turn.
Vector3 rolledUp(const Camera& camera);

// Sets the projection (fov, aspect, near 0.1, far 500) and the view from the
// camera's eye, target and rolled up vector, then stores the view in `out`.
// Leaves the model-view matrix current.
void applyCamera(const Camera& camera, float aspect, CameraMatrix& out);

}  // namespace lumen
