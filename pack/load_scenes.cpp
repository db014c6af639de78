// Scene section: fog, lights and objects. Each object's mesh is built, placed,
// mapped, normal-computed and coloured the moment it has been read, so later
// objects (sweeps, merges, deformers) can use it.
#include <cstring>

#include "mesh/mesh_generator.h"
#include "pack/pack_loader.h"
#include "pack/pack_model.h"

namespace lumen {

namespace {

// Reads one light into `slot`, or past it when the scene has no slot left.
void readLight(PackReader& r, int width, SceneLight* slot) {
    SceneLight discard;
    SceneLight& light = slot ? *slot : discard;
    r.readByte("light's ignored byte");
    int kind = r.readByte("light kind");
    if (kind > kLightSpot) kind = kLightPoint;
    light.enabled = 1;
    for (int c = 0; c < 3; ++c) light.ambient[c] = colorByte(r.readByte("ambient colour"));
    for (int c = 0; c < 3; ++c) light.diffuse[c] = colorByte(r.readByte("diffuse colour"));
    for (int c = 0; c < 3; ++c) light.position[c] = r.readPackedFloat(width, "light position");
    light.position[3] = kind == kLightDirectional ? 0.0f : 1.0f;
    if (kind >= kLightPoint) {
        for (float& a : light.attenuation) a = r.readPackedFloat(width, "light attenuation");
    }
    if (kind == kLightSpot) {
        for (int c = 0; c < 3; ++c) light.spotDirection[c] = r.readPackedFloat(width, "spot direction");
        light.spotExponent = r.readPackedFloat(width, "spot exponent");
        light.spotCutoff = r.readPackedFloat(width, "spot cutoff");
    } else {
        light.spotCutoff = 180.0f;
    }
}

std::vector<int32_t> idListValues(const IdListNode* head) {
    std::vector<int32_t> values;
    for (const IdListNode* n = head; n; n = n->next) values.push_back(n->value);
    return values;
}

}  // namespace

void PackLoader::loadSceneSection(PackReader& r, int width, PackLists& active) {
    r.setSection("scene section");
    const int count = r.readByte("scene count");
    for (int i = 0; i < count; ++i) loadScene(r, width, active);
}

void PackLoader::loadScene(PackReader& r, int width, PackLists& active) {
    // Built aside and put in front of the list only once complete, so lookups
    // during its own load never find it.
    std::forward_list<Scene> pending(1);
    Scene& scene = pending.front();
    scene.id = r.readByte("scene id");
    const uint8_t fog = r.readByte("fog flag");
    if (fog) {
        scene.fogEnabled = fog;
        for (float& c : scene.fogColor) c = colorByte(r.readByte("fog colour"));
        scene.fogDensity = r.readPackedFloat(width, "fog density");
    }
    const int lights = r.readByte("light count");
    for (int l = 0; l < lights; ++l) {
        // The record has eight slots; further lights are read and dropped.
        readLight(r, width, l < kSceneLightSlots ? &scene.lights[static_cast<std::size_t>(l)] : nullptr);
    }
    const int objects = r.readSignedInt16("object count");
    for (int o = 0; o < objects; ++o) loadObject(r, width, scene, active);
    loadCamerasAndClips(r, width, scene);
    active.scenes.splice_after(active.scenes.before_begin(), pending);
}

// Reads one object record in stream order and builds it at once; the byte walk
// goes away when the loaders build from the pack model.
void PackLoader::loadObject(PackReader& r, int width, Scene& scene, PackLists& active) {
    const std::size_t index = static_cast<std::size_t>(scene.objectCount);
    appendObject(scene);
    SceneObject& o = scene.objects[index];
    o.flags = r.readUint32("object flags");
    const int type = static_cast<int>(o.type());
    o.id = r.readSignedInt16("object id");
    o.parentId = r.readSignedInt16("parent id");
    if ((o.flags & kFlagColorTexture) || type == kTypeDeformer) o.textureId = r.readByte("texture image id");
    float* color[4] = {&o.color.r, &o.color.g, &o.color.b, &o.color.a};
    for (int c = 0; c < 4; ++c) {
        if (o.flags & (kFlagColorR << c)) *color[c] = colorByte(r.readByte("colour byte"));
    }
    if (o.flags & kFlagSkipByte) r.readByte("skipped byte");
    if (o.flags & kFlagEnvTexture) o.texture2Id = r.readByte("environment image id");
    uint8_t* mapping[4] = {&o.mapScaleT, &o.mapScaleS, &o.mapOffsetT, &o.mapOffsetS};
    for (int m = 0; m < 4; ++m) {
        if ((o.flags & (kFlagMapScaleT << m)) || type == kTypeDeformer) *mapping[m] = r.readByte("mapping byte");
    }

    switch (type) {
        case kTypeSphere: case kTypeCylinder: case kTypeCone: case kTypeGrid:
            o.params[0] = r.readByte("type parameter a");
            o.params[1] = r.readByte("type parameter b");
            break;
        case kTypeArcPath:
            o.params[0] = r.readByte("arc steps");
            o.params[1] = r.readSignedInt16("arc angle");
            break;
        case kTypeSweep:
            o.params[0] = r.readSignedInt16("sweep path id");
            o.params[1] = r.readSignedInt16("sweep profile id");
            o.params[3] = scene.objectCount;
            break;
        case kTypeLinePath:
            o.params[0] = r.readByte("line steps");
            break;
        case kTypeIdListA: case kTypeIdListB: case kTypeIdListC:
            r.readByte("skipped byte");
            o.idList = idListValues(r.readIdList(idLists_));
            break;
        case kTypeDiscarded: {
            r.readByte("discarded byte");
            r.readInt16("discarded int16");
            r.readInt16("discarded int16");
            for (int i = 0; i < 12; ++i) r.readPackedFloat(width, "discarded float");
            break;
        }
        case kTypeDeformer:
            deform(r, width, scene, index, active);
            return;
        default:
            break;
    }
    if (type == kTypeCylinder) o.params[2] = r.readByte("cylinder caps byte");
    if (!isMeshType(type)) return;

    Matrix4 matrix;
    r.readMatrix(width, matrix);
    if (type == kTypeMerge) {
        o.idList = idListValues(r.readIdList(idLists_));
        o.params[2] = scene.objectCount;
    }
    if (vertexBudget_ > 0) chargeVertices(r, scene, o);
    generateObjectMesh(scene, o);
    setMatrix(o, matrix);
    if (type != kTypeMerge) {
        applyMapping(o, o.mapScaleT, o.mapScaleS, o.mapOffsetT, o.mapOffsetS, (o.flags & kFlagKeepUV) != 0,
                     (o.flags & kFlagMirrorV) != 0, (o.flags & kFlagMirrorU) != 0);
    }
    computeNormals(o.mesh, o.invertNormals());
    for (int f = 0; f < o.mesh.faceCount; ++f) o.mesh.faces[static_cast<std::size_t>(f)].color = o.color;
    if (type == kTypeMerge) return;
    if (o.flags & kFlagColorTexture) {
        if (const UploadedImage* image = findUploadedImage(active.images, o.textureId)) {
            for (int f = 0; f < o.mesh.faceCount; ++f) o.mesh.faces[static_cast<std::size_t>(f)].texture = image->glName;
        }
    }
    if (o.flags & kFlagEnvTexture) {
        if (const UploadedImage* image = findUploadedImage(active.images, o.texture2Id)) {
            for (int f = 0; f < o.mesh.faceCount; ++f) {
                o.mesh.faces[static_cast<std::size_t>(f)].envTexture = image->glName;
            }
        }
    }
}

// An upper bound of the vertices the generator will make for `object`.
void PackLoader::chargeVertices(PackReader& r, Scene& scene, const SceneObject& o) {
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
        case kTypeArcPath: case kTypeLinePath: count = a + 3; break;
        case kTypeSweep: count = verticesOf(static_cast<int32_t>(a)) * verticesOf(static_cast<int32_t>(b)); break;
        case kTypeGrid: count = (a + 1) * (b + 1); break;
        case kTypeMerge:
            for (int32_t id : o.idList) count += verticesOf(id);
            break;
        default: break;
    }
    verticesBuilt_ += count;
    if (verticesBuilt_ > vertexBudget_) {
        r.fail("object " + std::to_string(o.id) + " would bring the pack's meshes to " + std::to_string(verticesBuilt_) +
               " vertices, more than the limit of " + std::to_string(vertexBudget_));
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
