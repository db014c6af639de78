// Texture and image sections: texture programs run operation by operation with
// progress after each, then the chosen layers become uploaded images.
#include <cstring>

#include "pack/pack_loader.h"

namespace lumen {

PackLoader::PackLoader(TextureGenerator& generator)
    : generator_(generator), displacement_(new uint8_t[kLayerBytes]()) {}

void PackLoader::loadTextureSection(PackReader& r, PackLists& active) {
    r.setSection("texture section");
    const int count = r.readSignedByte("texture count");
    for (int i = 1; i <= count; ++i) {
        auto owned = createTexture();
        Texture* texture = owned.get();
        active.textureStore.push_back(std::move(owned));
        texture->id = r.readByte("texture id");
        texture->next = active.textures;
        active.textures = texture;

        const int ops = r.readSignedByte("operation count");
        for (int k = 0; k < ops; ++k) {
            TextureOp op;
            r.readBytes(op.b, sizeof op.b, "operation record");
            if (op.code() == kOpText) {
                uint8_t length = r.readByte("text length");
                uint8_t text[256];
                r.readBytes(text, length, "text");
                // Slot k exists only for the first 100 records; a text further
                // on is read past and its operation finds an empty slot. The
                // slot starts zero-filled and L < 256, so the text ends there.
                if (k < kTextSlotCount) std::memcpy(texture->textSlots[k], text, length);
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

void PackLoader::loadImageSection(PackReader& r, PackLists& active) {
    r.setSection("image section");
    const int count = r.readSignedByte("image count");
    for (int n = 0; n < count; ++n) {
        auto owned = createUploadedImage();
        UploadedImage* image = owned.get();
        active.imageStore.push_back(std::move(owned));
        image->next = active.images;
        active.images = image;
        uint8_t b[6];
        r.readBytes(b, 6, "image record");
        image->sourceTexture = b[0];
        image->sourceLayer = b[1];
        std::memcpy(image->ignored, b + 2, 3);
        image->imageId = b[5];
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
    PackReader r(bytes);
    r.setSection("header");
    uint8_t width = r.readByte("float width");
    if (width < 1 || width > 4) r.fail("float width " + std::to_string(width) + " is not 1 to 4");
    loadTextureSection(r, active);
    return r.offset();
}

void PackLoader::loadPack(std::span<const uint8_t> pack, PackLists& active) {
    // A new pack's scenes replace the set's; the old ones are kept alive for
    // anything that still points at them.
    active.retiredScenes.splice_after(active.retiredScenes.before_begin(), active.scenes);
    verticesBuilt_ = 0;
    PackReader r(pack);
    r.setSection("header");
    const uint8_t width = r.readByte("float width");
    if (width < 1 || width > 4) {
        throw PackError("header", 0, "float width " + std::to_string(width) + " is not 1 to 4");
    }
    loadTextureSection(r, active);
    loadImageSection(r, active);
    loadSceneSection(r, width, active);
    loadTimelineSection(r, width, active);
}

}  // namespace lumen
