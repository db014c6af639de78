// Object display lists: every object of a loaded scene compiled once into an
// opaque list, an additive blended list and a sphere-mapped environment list.
#pragma once

#include "scene/scene_records.h"

namespace lumen {

enum DisplayPass : int { kPassOpaque = 0, kPassBlended = 1, kPassEnvironment = 2 };

// One triangle's corners (normal, texture coordinate, vertex) inside an open
// GL_TRIANGLES batch: flat faces send the face normal once, smooth faces the
// vertex normals, any other shading none. Corners outside the mesh are skipped.
void emitFace(const SceneObject& object, int faceIndex);

// Builds the three lists of one object (also for an object without faces).
// Compiling leaves the current GL state as it found it.
void compileObjectDisplayLists(SceneObject& object);

// Every object of the scene, in array order.
void compileDisplayLists(Scene& scene);

}  // namespace lumen
