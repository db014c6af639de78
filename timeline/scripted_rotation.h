// The hand-scripted spin of the machine in scene 17: turns its parts to the
// angles for the show time before the timeline draws, and back afterwards.
#pragma once
#include <cstdint>

#include "scene/scene_records.h"
#include "timeline/animation_switches.h"

namespace lumen {

inline constexpr int32_t kScriptedRotationSceneId = 17;
inline constexpr int kScriptedRotationStart = 399500;  // ms, inclusive
inline constexpr int kScriptedRotationEnd = 416480;    // ms, inclusive

// Called with sign +1 before drawing the timeline at show time t and with -1
// after it. Outside the window it does nothing and returns false. Inside it
// sets scene 17's animation switch, rotates the base matrices of the listed
// objects of `scene` (the scene with id 17, or nullptr when there is none),
// makes them roots, and returns true. Listed ids missing from the scene are
// passed over.
bool scriptedRotation(Scene* scene, int t, float sign, SceneAnimationSwitches& switches);

}  // namespace lumen
