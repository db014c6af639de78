// Point operations on one layer: tone curves, channel remaps, channel copies,
// hue and saturation, and the two-colour gradient map.
#include <cmath>

#include "texgen/operations.h"

namespace lumen::texops {

namespace {

// Applies f to the colour channels of every pixel through a 256-entry table:
// each of these curves depends on the value alone.
template <typename Curve>
void colourCurve(uint8_t* layer, Curve curve) {
    uint8_t table[256];
    for (int v = 0; v < 256; ++v) table[v] = curve(v);
    for (size_t i = 0; i < kLayerBytes; i += 4) {
        layer[i] = table[layer[i]];
        layer[i + 1] = table[layer[i + 1]];
        layer[i + 2] = table[layer[i + 2]];
    }
}

template <typename Curve>
void channelCurve(uint8_t* layer, int ch, Curve curve) {
    uint8_t table[256];
    for (int v = 0; v < 256; ++v) table[v] = curve(v);
    for (size_t i = size_t(ch); i < kLayerBytes; i += 4) layer[i] = table[layer[i]];
}

inline uint8_t clampByte(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

}  // namespace

void copyChannel(TextureGenerator&, Texture& texture, const TextureOp& op) {
    uint8_t* target = texture.layers[op.layer()];
    const uint8_t* source = texture.layers[op.b[3]];
    const int targetCh = op.b[2], sourceCh = op.b[4];
    for (size_t i = 0; i < kLayerBytes; i += 4) target[i + targetCh] = source[i + sourceCh];
}

void contrast(TextureGenerator&, Texture& texture, const TextureOp& op) {
    const int factor = op.b[2];
    colourCurve(texture.layers[op.layer()],
                [factor](int v) { return clampByte(int(double((v - 128) * factor) * 0.03125 + 128)); });
}

void invert(TextureGenerator&, Texture& texture, const TextureOp& op) {
    colourCurve(texture.layers[op.layer()], [](int v) { return uint8_t(255 - v); });
}

void brightness(TextureGenerator&, Texture& texture, const TextureOp& op) {
    const int level = op.b[2];
    colourCurve(texture.layers[op.layer()], [level](int v) {
        if (level <= 128) return uint8_t(int(double(v * level) * 0.0078125));
        return uint8_t(255 - int(double((255 - v) * (255 - level)) * 0.0078125));
    });
}

void sineMap(TextureGenerator&, Texture& texture, const TextureOp& op) {
    const int frequency = op.b[3];
    // Negative sines store the low 8 bits of a negative integer: the map folds.
    channelCurve(texture.layers[op.layer()], op.b[2], [frequency](int v) {
        return uint8_t(int(std::sin(double(v * frequency) * 0.0123627485) * 255) & 0xFF);
    });
}

void range(TextureGenerator&, Texture& texture, const TextureOp& op) {
    const int low = op.b[3], high = op.b[4];
    const double factor = (high - low) * k255;
    channelCurve(texture.layers[op.layer()], op.b[2],
                 [low, factor](int v) { return uint8_t(int(v * factor + low) & 0xFF); });
}

void gradientMap(TextureGenerator&, Texture& texture, const TextureOp& op) {
    uint8_t* layer = texture.layers[op.layer()];
    const int ch = op.b[2];
    // One ramp per colour channel, indexed by the driving value.
    uint8_t ramp[3][256];
    for (int c = 0; c < 3; ++c) {
        const int from = op.b[3 + 2 * c], to = op.b[4 + 2 * c];
        for (int g = 0; g < 256; ++g) ramp[c][g] = uint8_t(int(double((to - from) * g) * k255 + from) & 0xFF);
    }
    for (size_t i = 0; i < kLayerBytes; i += 4) {
        const uint8_t g = layer[i + ch];  // read before the driving channel may be overwritten
        layer[i] = ramp[0][g];
        layer[i + 1] = ramp[1][g];
        layer[i + 2] = ramp[2][g];
    }
}

namespace {

// H bounded to 0 <= H < 360 in single precision.
inline float wrapHue(float h) {
    while (h < 0) h = float(double(h) + 360);
    while (h >= 360) h = float(double(h) - 360);
    return h;
}

inline uint8_t hsvByte(double v) {
    int i = int(v);
    return uint8_t(i > 255 ? 255 : i);
}

}  // namespace

// One pass through HSV and back per pixel; the steps share their single-
// precision temporaries, so they stay in one body in the order they round.
void hueSaturation(TextureGenerator&, Texture& texture, const TextureOp& op) {
    uint8_t* layer = texture.layers[op.layer()];
    const int hueTurn = op.b[2], desaturation = op.b[3];
    // A row at a time in two passes, hue and saturation first, then the
    // colours: two short loops overlap better than one long chain per pixel.
    constexpr size_t kRowBytes = size_t(kTextureSize) * 4;
    float hues[kTextureSize], saturations[kTextureSize], values[kTextureSize];
    for (uint8_t* row = layer; row < layer + kLayerBytes; row += kRowBytes) {
        for (int x = 0; x < kTextureSize; ++x) {
            const uint8_t* pixel = row + size_t(x) * 4;
            const int R = pixel[0], G = pixel[1], B = pixel[2];
            const int mx = R > G ? (R > B ? R : B) : (G > B ? G : B);
            const int mn = R < G ? (R < B ? R : B) : (G < B ? G : B);
            float S = mx == 0 ? 0.0f : float(double(mx - mn) / double(mx));
            // The sextant position stays in double; the hue in degrees is the
            // first single-precision value. The colour differences are small
            // integers, exact in any precision, and a base of 0 adds nothing,
            // so the three cases share one expression without jumps.
            const int rc = mx - R, gc = mx - G, bc = mx - B;
            const int base = R == mx ? 0 : G == mx ? 2 : 4;
            const int numerator = R == mx ? bc - gc : G == mx ? rc - bc : gc - rc;
            const int d = mx - mn;
            const double sextant = base + double(numerator) / double(d == 0 ? 1 : d);
            float H = S == 0 ? -1.0f : wrapHue(float(sextant * 60));

            H = float(double(H) + hueTurn * 1.4117647058823528);
            S = float(double(255 - desaturation) * double(S) * k255);

            hues[x] = wrapHue(H);
            saturations[x] = S;
            values[x] = float(mx);
        }
        for (int x = 0; x < kTextureSize; ++x) {
            const float H = hues[x], S = saturations[x], V = values[x];
            uint8_t out[3];
            if (S == 0) {
                out[0] = out[1] = out[2] = hsvByte(V);
            } else {
                const float h = float(double(H) * 0.016666666666666666);
                const double fl = double(int(h));  // floor: h is never negative here
                // Keeps the switch within its six sextants whatever the rounding does.
                const int sextant = int(fl) % 6;
                const float f = float(double(h) - fl);
                const double p = double(V) * (1 - double(S));
                const float q = float(double(V) * (1 - double(f) * double(S)));
                const float t = float(double(V) * (1 - (1 - double(f)) * double(S)));
                double rgb[3];
                switch (sextant) {
                    case 0: rgb[0] = V, rgb[1] = t, rgb[2] = p; break;
                    case 1: rgb[0] = q, rgb[1] = V, rgb[2] = p; break;
                    case 2: rgb[0] = p, rgb[1] = V, rgb[2] = t; break;
                    case 3: rgb[0] = p, rgb[1] = q, rgb[2] = V; break;
                    case 4: rgb[0] = t, rgb[1] = p, rgb[2] = V; break;
                    default: rgb[0] = V, rgb[1] = p, rgb[2] = q; break;
                }
                for (int c = 0; c < 3; ++c) out[c] = hsvByte(rgb[c]);
            }
            uint8_t* pixel = row + size_t(x) * 4;
            pixel[0] = out[0];
            pixel[1] = out[1];
            pixel[2] = out[2];
            pixel[3] = 0;  // the operation clears alpha across the layer
        }
    }
}

}  // namespace lumen::texops
