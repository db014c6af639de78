// Operations that create content from their parameters alone: value noise, the
// sine plasma, cells, the radial spot and Clear.
#include <bit>
#include <cmath>
#include <cstring>

#include "texgen/operations.h"

namespace lumen::texops {

namespace {

// The interpolating cubic of the noise octaves (not Catmull-Rom). Every term is
// a dyadic fraction with a small numerator, so the double sum is exact.
inline uint8_t cubic(int p0, int p1, int p2, int p3, double t) {
    int P = (p3 - p2) - (p0 - p1);
    int Q = (p0 - p1) - P;
    int R = p2 - p0;
    double v = P * t * t * t + Q * t * t + R * t + p1;
    int iv = int(v);
    if (iv < 0) iv = 0;
    if (iv > 255) iv = 255;
    return uint8_t(iv);
}

// One octave of tileable value noise into channel ch of the scratch image, grid
// spacing 2^s. Draws (256 >> s)^2 values, rows of the grid first.
void octave(TextureGenerator& gen, int s, int ch) {
    uint8_t* scratch = gen.scratch();
    const int n = kTextureSize >> s;
    const int step = 1 << s;
    auto g = [step](int k) { return (k * step) & 255; };
    RuntimeRandom& random = gen.random();

    for (int gy = 0; gy < n; ++gy)
        for (int gx = 0; gx < n; ++gx) scratch[pixelIndex(g(gx), g(gy)) + ch] = uint8_t(random.rand() & 0xFF);
    if (step == 1) return;  // every pixel is a grid point

    double t[128];
    for (int l = 0; l < step; ++l) t[l] = double(l) / double(step);

    // Down each grid column, reading only grid rows.
    for (int gx = 0; gx < n; ++gx) {
        const int c = g(gx);
        for (int gy = 0; gy < n; ++gy) {
            int p0 = scratch[pixelIndex(c, g(gy - 1)) + ch];
            int p1 = scratch[pixelIndex(c, g(gy)) + ch];
            int p2 = scratch[pixelIndex(c, g(gy + 1)) + ch];
            int p3 = scratch[pixelIndex(c, g(gy + 2)) + ch];
            const int y0 = g(gy);
            for (int l = 1; l < step; ++l) scratch[pixelIndex(c, y0 + l) + ch] = cubic(p0, p1, p2, p3, t[l]);
        }
    }
    // Along every row, reading only grid columns.
    for (int y = 0; y < kTextureSize; ++y) {
        uint8_t* row = scratch + size_t(y) * kTextureSize * 4 + ch;
        for (int gx = 0; gx < n; ++gx) {
            int p0 = row[g(gx - 1) * 4];
            int p1 = row[g(gx) * 4];
            int p2 = row[g(gx + 1) * 4];
            int p3 = row[g(gx + 2) * 4];
            const int x0 = g(gx);
            for (int l = 1; l < step; ++l) row[(x0 + l) * 4] = cubic(p0, p1, p2, p3, t[l]);
        }
    }
}

}  // namespace

void noise(TextureGenerator& gen, Texture& texture, const TextureOp& op) {
    const int ch = op.b[2];
    uint8_t* target = texture.layers[op.layer()];
    uint8_t* scratch = gen.scratch();
    gen.random().srand(seedFrom(op.b[4], op.b[5], op.b[6], op.b[7]));
    for (size_t i = size_t(ch); i < kLayerBytes; i += 4) target[i] = scratch[i] = 0;
    for (int s = 1; s <= 7; ++s) {
        octave(gen, s, ch);
        const int shift = 8 - s;
        for (size_t i = size_t(ch); i < kLayerBytes; i += 4) target[i] = uint8_t(target[i] + (scratch[i] >> shift));
    }
}

void noiseOctave(TextureGenerator& gen, Texture& texture, const TextureOp& op) {
    const uint8_t gridSize = op.b[3];
    if (gridSize == 0) return;
    const int ch = op.b[2];
    const int s = std::countr_zero(unsigned(gridSize));
    gen.random().srand(seedFrom(op.b[4], op.b[5], op.b[6], op.b[7]));
    octave(gen, s, ch);
    uint8_t* target = texture.layers[op.layer()];
    const uint8_t* scratch = gen.scratch();
    for (size_t i = size_t(ch); i < kLayerBytes; i += 4) target[i] = scratch[i];
}

void sinePlasma(TextureGenerator&, Texture& texture, const TextureOp& op) {
    const int fx = op.b[2], fy = op.b[3], phaseX = op.b[4], phaseY = op.b[5], ch = op.b[8];
    uint8_t* target = texture.layers[op.layer()];
    // Each term depends on one coordinate only; the sum is formed per pixel.
    double waveX[kTextureSize], waveY[kTextureSize];
    for (int i = 0; i < kTextureSize; ++i) {
        waveX[i] = std::sin(double((phaseX + i) * fx) * kWave);
        waveY[i] = std::sin(double((phaseY + i) * fy) * kWave);
    }
    for (int y = 0; y < kTextureSize; ++y)
        for (int x = 0; x < kTextureSize; ++x)
            target[pixelIndex(x, y) + ch] = uint8_t(int((waveX[x] + waveY[y]) * 63.5 + 127) & 0xFF);
}

void cells(TextureGenerator& gen, Texture& texture, const TextureOp& op) {
    const int ch = op.b[2], count = op.b[3];
    const double scale = op.b[4] * 5.0;
    gen.random().srand(seedFrom(op.b[5], op.b[6], op.b[7], op.b[8]));
    int px[255], py[255];
    for (int k = 0; k < count; ++k) {
        px[k] = gen.random().rand() & 0xFF;
        py[k] = gen.random().rand() & 0xFF;
    }

    // "if v < m then m = float(v)" keeps m = min(m, float(v)) exactly, because
    // rounding to float is monotonic and m is always a float; so the points can
    // be visited for a whole row at a time. Each distance row is doubled so a
    // wrapped run of columns is contiguous.
    float rowTwice[2 * kTextureSize];
    float m[kTextureSize];
    uint8_t* target = texture.layers[op.layer()];
    for (int y = 0; y < kTextureSize; ++y) {
        for (int x = 0; x < kTextureSize; ++x) m[x] = 255.0f;
        for (int k = 0; k < count; ++k) {
            const int dy = (py[k] + y) & 255;
            for (int x = 0; x < kTextureSize; ++x) rowTwice[x] = rowTwice[x + kTextureSize] = gen.distance(x, dy);
            const float* d = rowTwice + px[k];
            for (int x = 0; x < kTextureSize; ++x) {
                float v = float(scale * double(d[x]));
                m[x] = v < m[x] ? v : m[x];
            }
        }
        for (int x = 0; x < kTextureSize; ++x) {
            float v = m[x];
            if (v < 0.0f) v = 0.0f;
            if (v > 255.0f) v = 255.0f;
            target[pixelIndex(x, y) + ch] = uint8_t(int(v));
        }
    }
}

void radialSpot(TextureGenerator& gen, Texture& texture, const TextureOp& op) {
    uint8_t* target = texture.layers[op.layer()];
    if (op.b[2] == 0) {
        for (int y = 0; y < kTextureSize; ++y) {
            for (int x = 0; x < kTextureSize; ++x) {
                double d = gen.distance(x, y);
                uint8_t v = d > 1.0 ? 0 : uint8_t(int(255 - d * 255));
                uint8_t* p = target + pixelIndex(x, y);
                p[0] = p[1] = p[2] = v;
            }
        }
        return;
    }
    const int ch = op.b[3];
    const double r = 1 - op.b[4] * 0.001953125;
    for (int y = 0; y < kTextureSize; ++y) {
        for (int x = 0; x < kTextureSize; ++x) {
            double d = gen.distance(x, y);
            target[pixelIndex(x, y) + ch] = d > r ? 0 : uint8_t(int(255 - (d / r) * 255));
        }
    }
}

void clear(TextureGenerator&, Texture& texture, const TextureOp& op) {
    std::memset(texture.layers[op.layer()], 0, kLayerBytes);
}

}  // namespace lumen::texops
