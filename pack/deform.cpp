// Deformer objects: displace the meshes of earlier objects by one channel of a
// generated picture, sampled at each vertex's texture coordinate.
#include <climits>
#include <cmath>
#include <cstring>

#include "pack/pack_loader.h"
#include "pack/pack_model.h"
#include "pack/record_values.h"

namespace lumen {

namespace {

// Truncation toward zero; a value with no int (NaN, or out of range) gives
// INT_MIN, the x87 "integer indefinite" the show's data was made with: it
// wraps to index 0 and is out of range when clamped.
int truncateToInt(double x) {
    if (!(x > -2147483649.0 && x < 2147483648.0)) return INT_MIN;
    return static_cast<int>(x);
}

}  // namespace

float sampleDisplacement(const uint8_t* image, float u, float v, int channel, bool clamp) {
    int i = truncateToInt(u * 255.0);
    int j = truncateToInt(v * 255.0);
    if (!clamp) {
        i %= 256;
        if (i < 0) i += 256;
        j %= 256;
        if (j < 0) j += 256;
    }
    if (i < 0 || i > 255 || j < 0 || j > 255) return 0.0f;
    const uint8_t* pixel = image + (static_cast<std::size_t>(i) * 256 + static_cast<std::size_t>(j)) * 4;
    int value;
    switch (channel) {
        case 0: value = pixel[0]; break;
        case 1: value = pixel[1]; break;
        case 2: value = pixel[2]; break;
        default: value = (pixel[0] + pixel[1] + pixel[2]) / 3; break;
    }
    return static_cast<float>(value * 0.003921569);
}

void PackLoader::deform(const ObjectRecord& record, int width, Scene& scene, std::size_t deformerIndex,
                        PackLists& active) {
    SceneObject& deformer = scene.objects[deformerIndex];
    const std::size_t at = record.offset.at;
    const int mode = record.byteA;
    deformer.texture2Id = static_cast<uint8_t>(mode);  // the deformMode byte
    float x = 0, y = 0, z = 0, w = 0;
    if (mode <= 2) {
        x = floatOf(record.values[0], width);
        y = floatOf(record.values[1], width);
        z = floatOf(record.values[2], width);
    }
    if (mode == kDeformRotate) w = floatOf(record.values[3], width);

    // The picture must exist: a deformer naming a missing image, texture or
    // layer is refused rather than read through nothing.
    const UploadedImage* image = findUploadedImage(active.images, deformer.textureId);
    const Texture* texture = image ? findTexture(active.textures, image->sourceTexture) : nullptr;
    if (!image) {
        throw PackError("scene section", at,
                        "deformer " + std::to_string(deformer.id) + " names image " +
                            std::to_string(deformer.textureId) + ", which does not exist");
    }
    if (!texture || image->sourceLayer >= kLayerCount) {
        throw PackError("scene section", at,
                        "deformer " + std::to_string(deformer.id) + ": image " + std::to_string(image->imageId) +
                            " has no source layer (texture " + std::to_string(image->sourceTexture) + ", layer " +
                            std::to_string(image->sourceLayer) + ")");
    }
    std::memcpy(displacement_.get(), texture->layers[image->sourceLayer], kLayerBytes);
    // Targets in the order the loader links them: reverse stream order.
    deformer.idList = idListValues(record.list);

    const uint32_t flags = deformer.flags;
    const bool clamp = (flags & kFlagInvertNormals) != 0;
    const int channel = static_cast<int>((flags >> kDeformChannelShift) & 3);
    const uint8_t map[4] = {deformer.mapScaleT, deformer.mapScaleS, deformer.mapOffsetT, deformer.mapOffsetS};
    for (const int32_t id : deformer.idList) {
        SceneObject* target = findObject(scene, scene.objectCount, id);
        if (!target) {
            throw PackError("scene section", at,
                            "deformer " + std::to_string(deformer.id) + " names target " + std::to_string(id) +
                                ", which is no earlier object");
        }
        // Bit 28 is taken the other way round here: clear keeps u and v.
        applyMapping(*target, map[0], map[1], map[2], map[3], (flags & kFlagKeepUV) == 0, (flags & kFlagMirrorV) != 0,
                     (flags & kFlagMirrorU) != 0);
        Mesh& mesh = target->mesh;
        if (mode <= 2) {
            for (int i = 0; i < mesh.vertexCount; ++i) {
                MeshVertex& vertex = mesh.vertices[static_cast<std::size_t>(i)];
                const float h = sampleDisplacement(displacement_.get(), vertex.uv.u, vertex.uv.v, channel, clamp);
                Matrix4 m;
                if (mode == kDeformMove) {
                    translation(static_cast<float>(h * static_cast<double>(x)),
                                static_cast<float>(h * static_cast<double>(y)),
                                static_cast<float>(h * static_cast<double>(z)), m);
                } else if (mode == kDeformScale) {
                    scaling(static_cast<float>(1.0 + h * (static_cast<double>(x) - 1.0)),
                            static_cast<float>(1.0 + h * (static_cast<double>(y) - 1.0)),
                            static_cast<float>(1.0 + h * (static_cast<double>(z) - 1.0)), m);
                } else {
                    rotation(x, y, z, static_cast<float>(h * static_cast<double>(w)), m);
                }
                const Vector3& rest = vertex.restPosition;
                vertex.position = transformPoint(m, rest.x, rest.y, rest.z);
            }
        }
        for (int i = 0; i < mesh.vertexCount; ++i) {
            MeshVertex& vertex = mesh.vertices[static_cast<std::size_t>(i)];
            vertex.restPosition = vertex.position;
            vertex.uv = vertex.baseUV;
        }
        const uint32_t tf = target->flags;
        applyMapping(*target, target->mapScaleT, target->mapScaleS, target->mapOffsetT, target->mapOffsetS,
                     (tf & kFlagKeepUV) != 0, (tf & kFlagMirrorV) != 0, (tf & kFlagMirrorU) != 0);
        computeNormals(mesh, target->invertNormals());
        setMatrix(*target, target->matrix);
    }
}

}  // namespace lumen
