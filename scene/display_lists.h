// Object display lists: every object of a loaded scene compiled once into an
// opaque list, an additive blended list and a sphere-mapped environment list.
#pragma once

#include "scene/scene_records.h"

namespace lumen {

enum DisplayPass : int { kPassOpaque = 0, kPassBlended = 1, kPassEnvironment = 2 };

// The blended and environment lists again with their state changes and no
// triangles. Both passes blend SRC_ALPHA, ONE without depth writes and take
// their alpha from the object's material alone, so an object whose colour
// alpha is exactly 0 adds nothing there (a merge's hidden sources): drawing
// these instead leaves the same picture and the same state for the objects
// after it, without filling its faces.
inline constexpr int kPassBlendedStateOnly = 3;
inline constexpr int kPassEnvironmentStateOnly = 4;
inline constexpr int kPassListCount = 5;

// One triangle's corners (normal, texture coordinate, vertex) inside an open
// GL_TRIANGLES batch: flat faces send the face normal once, smooth faces the
// vertex normals, any other shading none. Corners outside the mesh are skipped.
void emitFace(const SceneObject& object, int faceIndex);

// Builds the lists of one object (also for an object without faces).
// Compiling leaves the current GL state as it found it.
void compileObjectDisplayLists(SceneObject& object);

// Every object of the scene, in array order.
void compileDisplayLists(Scene& scene);

}  // namespace lumen
