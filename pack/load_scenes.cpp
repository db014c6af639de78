// Scene section: fog, lights and objects built from their records. Each
// object's mesh is built, placed, mapped, normal-computed and coloured in
// record order, so later objects (sweeps, merges, deformers) can use it.
#include <algorithm>

#include "mesh/mesh_generator.h"
#include "pack/pack_loader.h"
#include "pack/pack_model.h"
#include "pack/record_values.h"

namespace lumen {

namespace {

// Fills one light slot from its record.
void buildLight(const LightRecord& record, int width, SceneLight& light) {
    const int kind = record.kind > kLightSpot ? kLightPoint : record.kind;
    light.enabled = 1;
    for (int c = 0; c < 3; ++c) light.ambient[c] = colorByte(record.ambient[static_cast<std::size_t>(c)]);
    for (int c = 0; c < 3; ++c) light.diffuse[c] = colorByte(record.diffuse[static_cast<std::size_t>(c)]);
    for (int c = 0; c < 3; ++c) light.position[c] = floatOf(record.position[static_cast<std::size_t>(c)], width);
    light.position[3] = kind == kLightDirectional ? 0.0f : 1.0f;
    if (kind >= kLightPoint) {
        for (int c = 0; c < 3; ++c)
            light.attenuation[c] = floatOf(record.attenuation[static_cast<std::size_t>(c)], width);
    }
    if (kind == kLightSpot) {
        for (int c = 0; c < 3; ++c) light.spotDirection[c] = floatOf(record.spot[static_cast<std::size_t>(c)], width);
        light.spotExponent = floatOf(record.spot[3], width);
        light.spotCutoff = floatOf(record.spot[4], width);
    } else {
        light.spotCutoff = 180.0f;
    }
}

// The type parameters of an object record, as the mesh generator takes them.
void setTypeParameters(const ObjectRecord& record, const Scene& scene, SceneObject& o) {
    switch (record.type()) {
        case kTypeSphere:
        case kTypeCylinder:
        case kTypeCone:
        case kTypeGrid:
            o.params[0] = record.byteA;
            o.params[1] = record.byteB;
            break;
        case kTypeArcPath:
            o.params[0] = record.byteA;
            o.params[1] = record.words[0];
            break;
        case kTypeSweep:
            o.params[0] = record.words[0];
            o.params[1] = record.words[1];
            o.params[3] = scene.objectCount;
            break;
        case kTypeLinePath: o.params[0] = record.byteA; break;
        case kTypeIdListA:
        case kTypeIdListB:
        case kTypeIdListC: o.idList = idListValues(record.list); break;
        default: break;
    }
    if (record.type() == kTypeCylinder) o.params[2] = record.extra;
}

void setFaceTexture(SceneObject& o, const UploadedImage* image, bool environment) {
    if (!image) return;
    for (int f = 0; f < o.mesh.faceCount; ++f) {
        MeshFace& face = o.mesh.faces[static_cast<std::size_t>(f)];
        (environment ? face.envTexture : face.texture) = image->glName;
    }
}

}  // namespace

void PackLoader::buildScenes(const PackModel& model, PackLists& active) {
    for (const SceneRecord& record : model.scenes) buildScene(record, model.width, active);
}

void PackLoader::buildScene(const SceneRecord& record, int width, PackLists& active) {
    // Built aside and put in front of the list only once complete, so lookups
    // during its own build never find it.
    std::forward_list<Scene> pending(1);
    Scene& scene = pending.front();
    scene.id = record.id;
    if (record.fog) {
        scene.fogEnabled = record.fog;
        for (int c = 0; c < 3; ++c) scene.fogColor[c] = colorByte(record.fogColor[static_cast<std::size_t>(c)]);
        scene.fogDensity = floatOf(record.fogDensity, width);
    }
    // The record has eight slots; further lights are dropped.
    const std::size_t lights = std::min<std::size_t>(record.lights.size(), kSceneLightSlots);
    for (std::size_t l = 0; l < lights; ++l) buildLight(record.lights[l], width, scene.lights[l]);
    for (const ObjectRecord& object : record.objects) buildObject(object, width, scene, active);
    buildCamerasAndClips(record, width, scene);
    active.scenes.splice_after(active.scenes.before_begin(), pending);
}

void PackLoader::buildObject(const ObjectRecord& record, int width, Scene& scene, PackLists& active) {
    const std::size_t index = static_cast<std::size_t>(scene.objectCount);
    appendObject(scene);
    SceneObject& o = scene.objects[index];
    o.flags = record.flags;
    const int type = static_cast<int>(o.type());
    o.id = record.id;
    o.parentId = record.parentId;
    if ((o.flags & kFlagColorTexture) || type == kTypeDeformer) o.textureId = record.textureId;
    float* color[4] = {&o.color.r, &o.color.g, &o.color.b, &o.color.a};
    for (int c = 0; c < 4; ++c) {
        if (o.flags & (kFlagColorR << c)) *color[c] = colorByte(record.color[static_cast<std::size_t>(c)]);
    }
    if (o.flags & kFlagEnvTexture) o.texture2Id = record.texture2Id;
    uint8_t* mapping[4] = {&o.mapScaleT, &o.mapScaleS, &o.mapOffsetT, &o.mapOffsetS};
    for (int m = 0; m < 4; ++m) {
        if ((o.flags & (kFlagMapScaleT << m)) || type == kTypeDeformer)
            *mapping[m] = record.mapping[static_cast<std::size_t>(m)];
    }
    if (type == kTypeDeformer) {
        deform(record, width, scene, index, active);
        return;
    }
    setTypeParameters(record, scene, o);
    if (!isMeshType(type)) return;

    const Matrix4 matrix = matrixOf(record.matrix, width);
    if (type == kTypeMerge) {
        o.idList = idListValues(record.list);
        o.params[2] = scene.objectCount;
    }
    if (vertexBudget_ > 0) chargeVertices(record, scene, o);
    generateObjectMesh(scene, o);
    setMatrix(o, matrix);
    if (type != 15) {
        applyMapping(o, o.mapScaleT, o.mapScaleS, o.mapOffsetT, o.mapOffsetS, (o.flags & kFlagKeepUV) != 0,
                     (o.flags & kFlagMirrorV) != 0, (o.flags & kFlagMirrorU) != 0);
    }
    computeNormals(o.mesh, o.invertNormals());
    for (int f = 0; f < o.mesh.faceCount; ++f) o.mesh.faces[static_cast<std::size_t>(f)].color = o.color;
    if (type == kTypeMerge) return;
    if (o.flags & kFlagColorTexture) setFaceTexture(o, findUploadedImage(active.images, o.textureId), false);
    if (o.flags & kFlagEnvTexture) setFaceTexture(o, findUploadedImage(active.images, o.texture2Id), true);
}

// An upper bound of the vertices the generator will make for `object`.
void PackLoader::chargeVertices(const ObjectRecord& record, Scene& scene, const SceneObject& o) {
    const long a = o.params[0], b = o.params[1];
    long count = 0;
    auto verticesOf = [&](int32_t id) -> long {
        const SceneObject* source = findObject(scene, scene.objectCount, id);
        return source ? source->mesh.vertexCount : 0;
    };
    switch (o.type()) {
        case kTypeCube: count = 14; break;
        case kTypeSphere: count = 2 + (a > 2 ? a - 2 : 0) * b; break;
        case kTypeCylinder: count = (b + 1) * a + 2; break;
        case kTypeCone: count = a + 2; break;
        case kTypeArcPath:
        case kTypeLinePath: count = a + 3; break;
        case kTypeSweep: count = verticesOf(static_cast<int32_t>(a)) * verticesOf(static_cast<int32_t>(b)); break;
        case kTypeGrid: count = (a + 1) * (b + 1); break;
        case kTypeMerge:
            for (int32_t id : o.idList) count += verticesOf(id);
            break;
        default: break;
    }
    verticesBuilt_ += count;
    if (verticesBuilt_ > vertexBudget_) {
        throw PackError("scene section", record.offset.at,
                        "object " + std::to_string(o.id) + " would bring the pack's meshes to " +
                            std::to_string(verticesBuilt_) + " vertices, more than the limit of " +
                            std::to_string(vertexBudget_));
    }
}

void applyMapping(SceneObject& object, uint8_t scaleV, uint8_t scaleU, uint8_t offsetV, uint8_t offsetU, bool keepUV,
                  bool mirrorV, bool mirrorU) {
    auto map = [&](const TexCoord& base, TexCoord& out) {
        float u = static_cast<float>(offsetU / 255.0 + scaleU * static_cast<double>(base.u));
        float v = static_cast<float>(offsetV / 255.0 + scaleV * static_cast<double>(base.v));
        if (mirrorV) v = static_cast<float>(1.0 - v);
        if (mirrorU) u = static_cast<float>(1.0 - u);
        if (keepUV) {
            out = TexCoord{u, v};
        } else {
            out = TexCoord{v, u};
        }
    };
    Mesh& mesh = object.mesh;
    for (int i = 0; i < mesh.vertexCount; ++i) {
        MeshVertex& vertex = mesh.vertices[static_cast<std::size_t>(i)];
        map(vertex.baseUV, vertex.uv);
    }
    for (int i = 0; i < mesh.faceCount; ++i) {
        MeshFace& face = mesh.faces[static_cast<std::size_t>(i)];
        for (int c = 0; c < 3; ++c) map(face.baseUV[c], face.uv[c]);
    }
}

}  // namespace lumen
