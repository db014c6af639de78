// Scene record defaults, object array growth, placement and lookups.
#include "scene/scene_records.h"

#include <vector>

#include "mesh/mesh_generator.h"

namespace lumen {

std::array<SceneLight, kSceneLightSlots> defaultSceneLights() {
    std::array<SceneLight, kSceneLightSlots> lights{};
    for (int i = 0; i < kUsableLights; ++i) lights[i].glLight = kGlLight0 + i;
    return lights;
}

SceneObject& appendObject(Scene& scene) {
    if (scene.objectCount == scene.objectCapacity) {
        int32_t grown = 2 * scene.objectCount + 20;
        std::vector<SceneObject> larger(static_cast<std::size_t>(grown));
        for (int32_t i = 0; i < scene.objectCount; ++i) larger[i] = std::move(scene.objects[i]);
        scene.objects = std::move(larger);
        scene.objectCapacity = grown;
    }
    SceneObject& object = scene.objects[scene.objectCount];
    object = SceneObject{};
    ++scene.objectCount;
    return object;
}

void setMatrix(SceneObject& object, const Matrix4& m) {
    object.matrix = m;
    object.drawMatrix = m;
    transpose(object.drawMatrix);
}

SceneObject* findObject(Scene& scene, int32_t count, int32_t id) {
    if (count > scene.objectCount) count = scene.objectCount;
    for (int32_t i = 0; i < count; ++i)
        if (scene.objects[i].id == id) return &scene.objects[i];
    return nullptr;
}

SceneObject* findObject(Scene& scene, int32_t id) { return findObject(scene, scene.objectCount, id); }

Camera* findCamera(Scene& scene, int32_t id) {
    for (Camera& camera : scene.cameras)
        if (camera.id == id) return &camera;
    return nullptr;
}

void generateObjectMesh(Scene& scene, SceneObject& object) {
    std::vector<MeshSource> earlier;
    earlier.reserve(static_cast<std::size_t>(scene.objectCount));
    for (int32_t i = 0; i < scene.objectCount; ++i) {
        SceneObject& o = scene.objects[i];
        earlier.push_back(MeshSource{o.id, &o.mesh, &o.matrix});
    }
    MeshGeneratorInput input;
    input.type = object.type();
    for (int k = 0; k < 4; ++k) input.params[k] = object.params[k];
    input.mergeIds = object.idList;
    input.earlierObjects = earlier;
    input.invertNormals = object.invertNormals();
    generateMesh(object.mesh, input);
}

}  // namespace lumen
