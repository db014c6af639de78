// The texture generator: textures of four 256 x 256 RGBA layers built by short
// programs of 9-byte operation records, and the upload of chosen layers to GL.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/runtime_random.h"
#include "pack/pack_codes.h"
#include "texgen/texture_op_table.h"

namespace lumen {

namespace platform {
class FontRasterizer;
}

constexpr int kTextureSize = 256;
constexpr int kLayerCount = kOpLayerCount;
constexpr size_t kLayerBytes = size_t(kTextureSize) * kTextureSize * 4;
constexpr int kTextSlotCount = kOpTextSlotCount;
constexpr int kTextSlotBytes = 256;
constexpr int kFontCount = kOpFontCount;

// One generated texture. Layers are row-major, 1024 bytes per row, pixel bytes
// R, G, B, A; row 0 is the first row handed to OpenGL.
struct Texture {
    uint8_t layers[kLayerCount][kLayerBytes];
    // Slot k holds the zero-terminated text of the program's record k.
    char textSlots[kTextSlotCount][kTextSlotBytes];
    Texture* next;
    int32_t id;
};

// A new texture: every layer black with alpha 0, text slots empty, unlinked.
std::unique_ptr<Texture> createTexture();

// One operation record as stored in a pack: b[0] the code, b[1] the target layer,
// b[2..8] the operation's parameters.
struct TextureOp {
    uint8_t b[9];

    uint8_t code() const { return b[0]; }
    uint8_t layer() const { return b[1]; }
};

// One layer made into an OpenGL texture. The first six fields are the pack's
// upload entry as stored.
struct UploadedImage {
    uint8_t sourceTexture;
    uint8_t sourceLayer;
    uint8_t ignored[3];
    uint8_t imageId;
    uint32_t glName;
    // The copy of the layer that was uploaded, alpha forced to 255.
    uint8_t pixels[kLayerBytes];
    UploadedImage* next;
};

// A new uploaded-image record, all zero and unlinked.
std::unique_ptr<UploadedImage> createUploadedImage();

// The generator-wide state shared by every texture of both packs: the scratch
// image (zero at start, never cleared: later results depend on what the last
// writer left, its alpha in particular), the distance table and the font table.
// The program owns exactly one; tests make fresh ones.
class TextureGenerator {
public:
    // The random generator is the program's shared one: operations reseed it
    // before drawing, but what they leave behind is seen by its later users.
    explicit TextureGenerator(RuntimeRandom& random);
    ~TextureGenerator();
    TextureGenerator(const TextureGenerator&) = delete;
    TextureGenerator& operator=(const TextureGenerator&) = delete;

    // Runs one record on the texture. Unknown codes, and records whose layer,
    // channel, font or text-slot bytes are out of range, leave everything as is.
    void applyTextureOp(Texture& texture, const TextureOp& op);

    // Scratch image: a layer-shaped 256 x 256 x 4 buffer.
    uint8_t* scratch() { return scratch_.get(); }
    const uint8_t* scratch() const { return scratch_.get(); }

    // D[y][x]: the distance from pixel (127, 127) in units of 128 pixels.
    float distance(int x, int y) const { return distance_[size_t(y) * kTextureSize + x]; }

    const char* fontName(int index) const { return fontTable_[index]; }

    RuntimeRandom& random() { return random_; }

    // Where Text operations render their glyphs. Made on first use; tests may
    // install their own. Warnings about missing fonts go once to stderr.
    void setFontRasterizer(std::unique_ptr<platform::FontRasterizer> rasterizer);
    platform::FontRasterizer* fontRasterizer();

private:
    RuntimeRandom& random_;
    std::unique_ptr<uint8_t[]> scratch_;
    std::unique_ptr<float[]> distance_;
    const char* fontTable_[kFontCount];
    std::unique_ptr<platform::FontRasterizer> fonts_;
    bool fontsTried_ = false;
};

// Fills the distance table and font table of a fresh generator; the scratch image
// starts zero. Call once per program before any pack is loaded.
std::unique_ptr<TextureGenerator> initTextureGenerator(RuntimeRandom& random);

// Free-function form of the dispatcher, for callers that hold the generator.
void applyTextureOp(TextureGenerator& generator, Texture& texture, const TextureOp& op);

// Linear searches from a list head (newest first); the first match wins; null
// when nothing matches.
Texture* findTexture(Texture* head, int id);
const Texture* findTexture(const Texture* head, int id);
UploadedImage* findUploadedImage(UploadedImage* head, int imageId);
const UploadedImage* findUploadedImage(const UploadedImage* head, int imageId);

// Copies layer sourceLayer of texture sourceTexture (searched from texturesHead)
// into image.pixels with every alpha set to 255 and uploads it as a mipmapped
// 256 x 256 RGBA GL texture into image.glName. Needs a current GL context.
// Returns false, leaving pixels black and opaque, when the texture is missing or
// the layer byte is not 0..3; the GL texture is still made so callers binding
// glName see a defined picture.
bool uploadImage(UploadedImage& image, const Texture* texturesHead);

// Copies a layer with its alpha forced to 255 (the pixels uploadImage hands to GL).
void copyLayerOpaque(const uint8_t* layer, uint8_t* out);

}  // namespace lumen
