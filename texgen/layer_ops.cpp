// Operations that combine the target layer with a second layer of the same
// texture, colour channel by colour channel; alpha is never touched.
#include "texgen/operations.h"

namespace lumen::texops {

namespace {

// For layers that may be one and the same, each channel of each pixel is read
// and written in turn, channels 0, 1, 2.
template <typename Combine>
void combine(Texture& texture, const TextureOp& op, Combine f) {
    uint8_t* target = texture.layers[op.layer()];
    const uint8_t* source = texture.layers[op.b[2]];
    for (size_t i = 0; i < kLayerBytes; i += 4)
        for (int c = 0; c < 3; ++c) target[i + c] = f(source[i + c], target[i + c]);
}

}  // namespace

void mix(TextureGenerator&, Texture& texture, const TextureOp& op) {
    const int weight = op.b[3];
    // Products formed left to right: (s * k255) * (255 - w), not s * (k255 * ...).
    // Each term depends on one value only, so both are tabulated.
    double sourcePart[256], targetPart[256];
    for (int v = 0; v < 256; ++v) {
        sourcePart[v] = v * k255 * (255 - weight);
        targetPart[v] = v * k255 * weight;
    }
    combine(texture, op, [&](int s, int t) { return uint8_t(int(sourcePart[s] + targetPart[t]) & 0xFF); });
}

void multiply(TextureGenerator&, Texture& texture, const TextureOp& op) {
    combine(texture, op, [](int s, int t) { return uint8_t(int(double(s * t) * k255) & 0xFF); });
}

void add(TextureGenerator&, Texture& texture, const TextureOp& op) {
    combine(texture, op, [](int s, int t) { return uint8_t(s + t > 255 ? 255 : s + t); });
}

void lighten(TextureGenerator&, Texture& texture, const TextureOp& op) {
    combine(texture, op, [](int s, int t) { return uint8_t(t > s ? t : s); });
}

void modulate(TextureGenerator&, Texture& texture, const TextureOp& op) {
    uint8_t* target = texture.layers[op.layer()];
    const uint8_t* mask = texture.layers[op.b[2]];
    const int maskCh = op.b[3];
    for (size_t i = 0; i < kLayerBytes; i += 4) {
        const int m = mask[i + maskCh];  // read once, before any channel is written
        const float g = float(m * 0.007874015748031496);
        for (int c = 0; c < 3; ++c) {
            const int t = target[i + c];
            int v;
            if (g > 1.0f)
                v = 255 - int((255 - t) * ((255 - m) * 0.007874015748031496));
            else
                v = int(t * double(g));
            target[i + c] = uint8_t(v & 0xFF);
        }
    }
}

void maskBlend(TextureGenerator&, Texture& texture, const TextureOp& op) {
    uint8_t* target = texture.layers[op.layer()];
    const uint8_t* source = texture.layers[op.b[2]];
    const uint8_t* mask = texture.layers[op.b[3]];
    const int maskCh = op.b[4];
    for (size_t i = 0; i < kLayerBytes; i += 4) {
        for (int c = 0; c < 3; ++c) {
            // Re-read per channel: a mask in the target's own colour channels sees
            // the channels already blended.
            const int m = mask[i + maskCh];
            const int s = source[i + c], t = target[i + c];
            target[i + c] = uint8_t(int(double(s * (255 - m) + t * m) * k255) & 0xFF);
        }
    }
}

}  // namespace lumen::texops
