// The texture object, the generator-wide state, the dispatcher and the finders.
#include "texgen/texture.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/log.h"
#include "platform/font_rasterizer.h"
#include "texgen/operations.h"
#include "texgen/texture_op_rows.h"
#include "texgen/texture_op_table.h"

namespace lumen {

namespace {

// The operation functions by code, from the same rows as the format's table.
struct DispatchTable {
    texops::Op run[256] = {};
    DispatchTable() {
        using namespace texops;
#define LUMEN_OP_FUNCTION(code, name, function, ...) run[code] = function;
        LUMEN_TEXTURE_OPS(LUMEN_OP_FUNCTION)
#undef LUMEN_OP_FUNCTION
    }
};

const DispatchTable& dispatchTable() {
    static const DispatchTable table;
    return table;
}

constexpr const char* kFontTable[kFontCount] = {
    "Arial", "Courier New", "Fixedsys", "Impact", "Symbol", "Tahoma", "Times New Roman", "Verdana",
};

}  // namespace

std::unique_ptr<Texture> createTexture() {
    // Value-initialisation zeroes the layers, the slots, the link and the id.
    return std::unique_ptr<Texture>(new Texture());
}

std::unique_ptr<UploadedImage> createUploadedImage() { return std::unique_ptr<UploadedImage>(new UploadedImage()); }

TextureGenerator::TextureGenerator(RuntimeRandom& random)
    : random_(random), scratch_(new uint8_t[kLayerBytes]()), distance_(new float[size_t(kTextureSize) * kTextureSize]) {
    for (int y = 0; y < kTextureSize; ++y) {
        for (int x = 0; x < kTextureSize; ++x) {
            // Squares as single-precision values, their sum and root in double,
            // the scaled root stored as a float.
            float dx2 = float((127 - x) * (127 - x));
            float dy2 = float((127 - y) * (127 - y));
            double sum = double(dx2) + double(dy2);
            distance_[size_t(y) * kTextureSize + x] = float(std::sqrt(sum) * 0.0078125);
        }
    }
    for (int i = 0; i < kFontCount; ++i) fontTable_[i] = kFontTable[i];
}

TextureGenerator::~TextureGenerator() = default;

void TextureGenerator::setFontRasterizer(std::unique_ptr<platform::FontRasterizer> rasterizer) {
    fonts_ = std::move(rasterizer);
    fontsTried_ = true;
}

platform::FontRasterizer* TextureGenerator::fontRasterizer() {
    if (!fontsTried_) {
        fontsTried_ = true;
        std::string error;
        fonts_ = platform::FontRasterizer::create(&error);
        if (!fonts_) {
            logMessage(LogLevel::Warning, "lumen: text in textures will be missing: " + error);
        }
    }
    return fonts_.get();
}

void TextureGenerator::applyTextureOp(Texture& texture, const TextureOp& op) {
    const texops::Op run = dispatchTable().run[op.code()];
    // Out-of-range indices would read or write outside the texture; such a
    // record is invalid pack data and does nothing.
    if (!run || !textureOpIndicesValid(*findTextureOp(op.code()), op.b)) return;
    run(*this, texture, op);
}

std::unique_ptr<TextureGenerator> initTextureGenerator(RuntimeRandom& random) {
    return std::make_unique<TextureGenerator>(random);
}

void applyTextureOp(TextureGenerator& generator, Texture& texture, const TextureOp& op) {
    generator.applyTextureOp(texture, op);
}

Texture* findTexture(Texture* head, int id) {
    for (Texture* t = head; t; t = t->next)
        if (t->id == id) return t;
    return nullptr;
}

const Texture* findTexture(const Texture* head, int id) { return findTexture(const_cast<Texture*>(head), id); }

UploadedImage* findUploadedImage(UploadedImage* head, int imageId) {
    for (UploadedImage* i = head; i; i = i->next)
        if (i->imageId == imageId) return i;
    return nullptr;
}

const UploadedImage* findUploadedImage(const UploadedImage* head, int imageId) {
    return findUploadedImage(const_cast<UploadedImage*>(head), imageId);
}

namespace texops {

void copyBack(const TextureGenerator& gen, uint8_t* layer) { std::memcpy(layer, gen.scratch(), kLayerBytes); }

}  // namespace texops

}  // namespace lumen
