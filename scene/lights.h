// Scene lighting: the eight light slots of a scene handed to fixed-function GL.
#pragma once

#include "scene/scene_records.h"

namespace lumen {

// Switches lighting and normal rescaling on and sets every enabled slot (the
// specular colour repeats the diffuse); disabled slots are switched off.
// Positions go through the model-view matrix current at the call. The eighth
// slot has no light name and is skipped.
void applyLights(const Scene& scene);

}  // namespace lumen
