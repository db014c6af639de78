// The scene records shared by the pack loader, the mesh generator, scene
// evaluation, drawing and the timeline: scenes, lights, objects, cameras, clips.
#pragma once
#include <array>
#include <cstdint>
#include <forward_list>
#include <optional>
#include <vector>

#include "mesh/math3d.h"
#include "mesh/mesh.h"
#include "pack/pack_codes.h"

namespace lumen {

// GL_LIGHT0. Records stay free of GL headers; the drawer hands the stored
// light name to glLight* as it is.
inline constexpr int32_t kGlLight0 = 0x4000;
inline constexpr int kSceneLightSlots = 8;
// Only the first seven slots get a GL light name; the eighth keeps 0.
inline constexpr int kUsableLights = 7;

struct SceneLight {
    int32_t glLight = 0;
    uint8_t enabled = 0;
    float ambient[4] = {};
    float diffuse[4] = {};
    float position[4] = {};
    float spotDirection[4] = {};  // the fourth float stays 0
    float spotExponent = 0.0f;
    float spotCutoff = 0.0f;
    float attenuation[3] = {};  // constant, linear, quadratic
};

// Keys are sorted by ascending time; the tangents are fixed when loading.
struct TrackKey {
    float value = 0.0f;
    float tangentOut = 0.0f;
    float tangentIn = 0.0f;
    int32_t time = 0;
};

struct Track {
    std::vector<TrackKey> keys;

    int32_t keyCount() const { return static_cast<int32_t>(keys.size()); }
};

// Object track order within a clip.
enum ObjectTrack : int {
    kTrackPositionX,
    kTrackPositionY,
    kTrackPositionZ,
    kTrackAxisX,
    kTrackAxisY,
    kTrackAxisZ,
    kTrackAngle,
    kTrackScaleX,
    kTrackScaleY,
    kTrackScaleZ,
    kTrackColorR,
    kTrackColorG,
    kTrackColorB,
    kTrackColorA,
    kObjectTrackCount
};

// One per object and clip id; either all fourteen tracks exist or none does.
struct ObjectClip {
    int32_t clipId = 0;
    std::array<std::optional<Track>, kObjectTrackCount> tracks;
};

// Camera track order, the order of the fields they drive.
enum CameraTrack : int {
    kTrackEyeX,
    kTrackEyeY,
    kTrackEyeZ,
    kTrackTargetX,
    kTrackTargetY,
    kTrackTargetZ,
    kTrackFov,
    kTrackRoll,
    kCameraTrackCount
};

struct Camera {
    int32_t id = 0;
    Vector3 eye;
    Vector3 target;
    Vector3 up{0.0f, -1.0f, 0.0f};  // -y is up on screen
    float fov = 0.0f;               // degrees
    float roll = 0.0f;              // 1/255 of a turn
    std::array<std::optional<Track>, kCameraTrackCount> tracks;
};

struct SceneObject {
    uint32_t flags = 0;  // bits 0-7 type, bit 8 invert normals, 10/18 textures
    int32_t id = 0;
    int32_t parentId = 0;  // -1 = root
    uint8_t textureId = 0;
    uint8_t texture2Id = 0;
    Color4 color{1.0f, 1.0f, 1.0f, 1.0f};
    uint8_t mapScaleT = 1;
    uint8_t mapScaleS = 1;
    uint8_t mapOffsetT = 0;
    uint8_t mapOffsetS = 0;
    int32_t params[4] = {};
    // The id list read with the object, in list order: the merge list of a
    // merge object, the target list of a deformer.
    std::vector<int32_t> idList;
    Matrix4 matrix;       // base placement in world space; evaluation never changes it
    Matrix4 animMatrix;   // current clip; replaced for children while propagating
    Matrix4 savedMatrix;  // scratch copy of `matrix` while propagating
    Matrix4 drawMatrix;   // world matrix, stored transposed for OpenGL
    Mesh mesh;
    Vector3 animPosition;
    Vector3 animAxis;
    float animAngle = 0.0f;  // degrees
    Vector3 animScale;
    // Head first: a new clip record is pushed to the front.
    std::forward_list<ObjectClip> clips;
    // opaque, blended, environment, then the last two as state changes alone
    uint32_t displayLists[5] = {};

    uint32_t type() const { return flags & kObjectTypeMask; }
    bool invertNormals() const { return (flags & kFlagInvertNormals) != 0; }
};

std::array<SceneLight, kSceneLightSlots> defaultSceneLights();

struct Scene {
    // `objectCapacity` entries; slots past `objectCount` hold new-object
    // defaults. Grows to 2 * count + 20 when full, which moves the objects:
    // references into it are stable only once the scene has loaded.
    std::vector<SceneObject> objects;
    int32_t id = 0;
    std::array<SceneLight, kSceneLightSlots> lights = defaultSceneLights();
    uint8_t fogEnabled = 0;
    float fogColor[3] = {};
    float fogDensity = 0.0f;
    int32_t objectCapacity = 0;
    int32_t objectCount = 0;
    // Head first: a new camera is pushed to the front. Cameras never move.
    std::forward_list<Camera> cameras;
};

// Appends an object with the new-object defaults and returns it.
SceneObject& appendObject(Scene& scene);
// matrix = m and drawMatrix = transpose(m), so an object never animated is
// drawn at its base placement.
void setMatrix(SceneObject& object, const Matrix4& m);
// First object among the first `count` (clamped to the scene) with that id.
SceneObject* findObject(Scene& scene, int32_t count, int32_t id);
SceneObject* findObject(Scene& scene, int32_t id);
// First camera in list order with that id.
Camera* findCamera(Scene& scene, int32_t id);

// Runs the mesh generator on `object`, which must be the newest object of
// `scene`: type and sizes from the object, the scene's objects so far as
// sweep and merge sources, the invert bit from the flags. Ends with normals.
void generateObjectMesh(Scene& scene, SceneObject& object);

}  // namespace lumen
