// Texture and image sections: texture programs run operation by operation with
// progress after each, then the chosen layers become uploaded images.
#include <cstring>

#include "pack/pack_loader.h"

namespace lumen {

PackLoader::PackLoader(TextureGenerator& generator)
    : generator_(generator), displacement_(new uint8_t[kLayerBytes]()) {}

void PackLoader::buildTextures(const PackModel& model, PackLists& active) {
    const int count = static_cast<int>(model.textures.size());
    for (int i = 1; i <= count; ++i) {
        const TextureProgramRecord& program = model.textures[static_cast<std::size_t>(i - 1)];
        auto owned = createTexture();
        Texture* texture = owned.get();
        active.textureStore.push_back(std::move(owned));
        texture->id = program.id;
        texture->next = active.textures;
        active.textures = texture;

        const int ops = static_cast<int>(program.ops.size());
        for (int k = 0; k < ops; ++k) {
            const TextureOpRecord& record = program.ops[static_cast<std::size_t>(k)];
            TextureOp op;
            std::memcpy(op.b, record.b.data(), sizeof op.b);
            // Slot k exists only for the first 100 records; a text further on
            // is dropped and its operation finds an empty slot. The slot starts
            // zero-filled and L < 256, so the text ends there.
            if (op.code() == kOpText && k < kTextSlotCount && !record.text.empty()) {
                std::memcpy(texture->textSlots[k], record.text.data(), record.text.size());
            }
            generator_.applyTextureOp(*texture, op);
            if (progress_) {
                const float share = 1.0f / static_cast<float>(count);
                float p = static_cast<float>(k) * share / static_cast<float>(ops) +
                          static_cast<float>(i - 1) / static_cast<float>(count);
                progress_(p);
            }
        }
    }
}

void PackLoader::buildImages(const PackModel& model, PackLists& active) {
    for (const ImageRecord& record : model.images) {
        auto owned = createUploadedImage();
        UploadedImage* image = owned.get();
        active.imageStore.push_back(std::move(owned));
        image->next = active.images;
        active.images = image;
        image->sourceTexture = record.sourceTexture;
        image->sourceLayer = record.sourceLayer;
        std::memcpy(image->ignored, record.ignored.data(), 3);
        image->imageId = record.imageId;
        if (uploadImages_) {
            uploadImage(*image, active.textures);
        } else {
            const Texture* source = findTexture(active.textures, image->sourceTexture);
            if (source && image->sourceLayer < kLayerCount) {
                copyLayerOpaque(source->layers[image->sourceLayer], image->pixels);
            } else {
                for (std::size_t i = 3; i < kLayerBytes; i += 4) image->pixels[i] = 255;
            }
        }
    }
}

std::size_t PackLoader::loadTexturesOnly(std::span<const uint8_t> bytes, PackLists& active) {
    const PackModel model = readPackModel(bytes, PackScope::kTexturesOnly);
    buildTextures(model, active);
    return model.textureSection.end;
}

void PackLoader::loadPack(std::span<const uint8_t> pack, PackLists& active) { buildPack(readPackModel(pack), active); }

void PackLoader::buildPack(const PackModel& model, PackLists& active) {
    // A new pack's scenes replace the set's; the old ones are kept alive for
    // anything that still points at them.
    active.retiredScenes.splice_after(active.retiredScenes.before_begin(), active.scenes);
    verticesBuilt_ = 0;
    buildTextures(model, active);
    buildImages(model, active);
    buildScenes(model, active);
    buildTimeline(model, active);
}

}  // namespace lumen
