// The texture operations behind the dispatcher, one family per source file.
// Each runs one record on the texture over all 65 536 pixels; the dispatcher has
// already checked the record's layer, channel, font and slot bytes against
// the operation's row in texgen/texture_op_table.cpp.
#pragma once
#include "texgen/texture.h"

namespace lumen::texops {

using Op = void (*)(TextureGenerator& gen, Texture& texture, const TextureOp& op);

// Generators.
void noise(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void sinePlasma(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void cells(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void radialSpot(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void noiseOctave(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void clear(TextureGenerator& gen, Texture& texture, const TextureOp& op);

// Text.
void text(TextureGenerator& gen, Texture& texture, const TextureOp& op);

// Distortions and neighbourhood filters.
void sineWarp(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void offset(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void twirl(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void blur(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void displace(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void smear(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void emboss(TextureGenerator& gen, Texture& texture, const TextureOp& op);

// Colour and channel operations.
void copyChannel(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void contrast(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void invert(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void brightness(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void sineMap(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void range(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void hueSaturation(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void gradientMap(TextureGenerator& gen, Texture& texture, const TextureOp& op);

// Layer combinations.
void mix(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void multiply(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void add(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void lighten(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void modulate(TextureGenerator& gen, Texture& texture, const TextureOp& op);
void maskBlend(TextureGenerator& gen, Texture& texture, const TextureOp& op);

// Smear's inner loop: the sums of channels 0..2 over the samples at
// here + step[1..length], none of which wraps. The vector sibling must give
// exactly the scalar one's sums; a test pins the two together.
struct SmearSums {
    uint32_t c[3];
};
using SmearSumsFn = SmearSums (*)(const uint8_t* here, const int32_t* step, int length);
SmearSums smearSumsScalar(const uint8_t* here, const int32_t* step, int length);
SmearSums smearSumsVector(const uint8_t* here, const int32_t* step, int length);

// Shared numeric constants.
constexpr double k255 = 0.00392156862745098;
constexpr double kWave = 0.024543692609375;
constexpr double kDeg = 0.017453292;

// Pixel addressing within a layer-shaped buffer; coordinates wrap modulo 256.
inline size_t pixelIndex(int x, int y) { return (size_t(y & 255) * kTextureSize + size_t(x & 255)) * 4; }

// A seed from four record bytes, the first most significant.
inline uint32_t seedFrom(uint8_t p, uint8_t q, uint8_t r, uint8_t s) {
    return (uint32_t(p) << 24) | (uint32_t(q) << 16) | (uint32_t(r) << 8) | uint32_t(s);
}

// Every pixel of the scratch image back into the layer as whole 4-byte pixels:
// the channels the operation did not write carry the scratch image's values.
void copyBack(const TextureGenerator& gen, uint8_t* layer);

}  // namespace lumen::texops
