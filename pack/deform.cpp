// Deformer objects: displace the meshes of earlier objects by one channel of a
// generated picture, sampled at each vertex's texture coordinate.
#include <climits>
#include <cmath>
#include <cstring>

#include "pack/pack_loader.h"
#include "pack/pack_model.h"

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
    const int value = channel >= 0 && channel < kDeformChannelAverage ? pixel[channel]
                                                                      : (pixel[0] + pixel[1] + pixel[2]) / 3;
    return static_cast<float>(value * 0.003921569);
}

// Long because it reads the deformer's fields from the bytes and then applies
// them; the read half goes away when the loaders build from the pack model.
void PackLoader::deform(PackReader& r, int width, Scene& scene, std::size_t deformerIndex, PackLists& active) {
    SceneObject& deformer = scene.objects[deformerIndex];
    const std::size_t at = r.offset();
    const int mode = r.readByte("deformer mode");
    deformer.texture2Id = static_cast<uint8_t>(mode);  // the deformMode byte
    float x = 0, y = 0, z = 0, w = 0;
    if (mode <= kDeformRotate) {
        x = r.readPackedFloat(width, "deformer x");
        y = r.readPackedFloat(width, "deformer y");
        z = r.readPackedFloat(width, "deformer z");
    }
    if (mode == kDeformRotate) w = r.readPackedFloat(width, "deformer angle");

    // The picture must exist: a deformer naming a missing image, texture or
    // layer is refused rather than read through nothing.
    const UploadedImage* image = findUploadedImage(active.images, deformer.textureId);
    const Texture* texture = image ? findTexture(active.textures, image->sourceTexture) : nullptr;
    if (!image) {
        throw PackError(r.section(), at, "deformer " + std::to_string(deformer.id) + " names image " +
                                             std::to_string(deformer.textureId) + ", which does not exist");
    }
    if (!texture || image->sourceLayer >= kLayerCount) {
        throw PackError(r.section(), at, "deformer " + std::to_string(deformer.id) + ": image " +
                                             std::to_string(image->imageId) + " has no source layer (texture " +
                                             std::to_string(image->sourceTexture) + ", layer " +
                                             std::to_string(image->sourceLayer) + ")");
    }
    std::memcpy(displacement_.get(), texture->layers[image->sourceLayer], kLayerBytes);
    const IdListNode* targets = r.readIdList(idLists_);
    for (const IdListNode* n = targets; n; n = n->next) deformer.idList.push_back(n->value);

    const uint32_t flags = deformer.flags;
    const bool clamp = (flags & kFlagInvertNormals) != 0;
    const int channel = static_cast<int>((flags >> kDeformChannelShift) & kDeformChannelMask);
    const uint8_t map[4] = {deformer.mapScaleT, deformer.mapScaleS, deformer.mapOffsetT, deformer.mapOffsetS};
    for (const IdListNode* n = targets; n; n = n->next) {
        SceneObject* target = findObject(scene, scene.objectCount, n->value);
        if (!target) {
            throw PackError(r.section(), at, "deformer " + std::to_string(deformer.id) + " names target " +
                                                 std::to_string(n->value) + ", which is no earlier object");
        }
        // Bit 28 is taken the other way round here: clear keeps u and v.
        applyMapping(*target, map[0], map[1], map[2], map[3], (flags & kFlagKeepUV) == 0, (flags & kFlagMirrorV) != 0,
                     (flags & kFlagMirrorU) != 0);
        Mesh& mesh = target->mesh;
        if (mode <= kDeformRotate) {
            for (int i = 0; i < mesh.vertexCount; ++i) {
                MeshVertex& vertex = mesh.vertices[static_cast<std::size_t>(i)];
                const float h = sampleDisplacement(displacement_.get(), vertex.uv.u, vertex.uv.v, channel, clamp);
                Matrix4 m;
                if (mode == kDeformMove) {
                    translation(static_cast<float>(h * static_cast<double>(x)), static_cast<float>(h * static_cast<double>(y)),
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
