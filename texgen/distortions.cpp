// Operations that move pixels or filter a neighbourhood: SineWarp, Offset,
// Twirl, Blur, Displace, Smear and Emboss. All but Blur build their result in
// the scratch image and copy it back whole.
#include <cmath>
#include <cstring>

#include "texgen/operations.h"

namespace lumen::texops {

namespace {

// Bilinear sample of the colour channels of a layer at (u, v), wrapping.
inline void bilinear(const uint8_t* layer, float u, float v, uint8_t* out) {
    double flU = std::floor(double(u)), flV = std::floor(double(v));
    int iu = int(flU) & 255, iv = int(flV) & 255;
    float fu = float(double(u) - flU), fv = float(double(v) - flV);
    int iu1 = (iu + 1) & 255, iv1 = (iv + 1) & 255;
    float a = float(1.0 - double(fu));
    float w00 = float((1.0 - double(fv)) * double(a));
    float w01 = float((1.0 - double(fv)) * double(fu));
    float w10 = float(double(fv) * double(a));
    float w11 = float(double(fv) * double(fu));
    const uint8_t* p00 = layer + pixelIndex(iu, iv);
    const uint8_t* p01 = layer + pixelIndex(iu1, iv);
    const uint8_t* p10 = layer + pixelIndex(iu, iv1);
    const uint8_t* p11 = layer + pixelIndex(iu1, iv1);
    for (int c = 0; c < 3; ++c) {
        double value = ((p11[c] * double(w11) + p01[c] * double(w01)) + p00[c] * double(w00)) +
                       p10[c] * double(w10);
        out[c] = uint8_t(int(value));
    }
}

}  // namespace

void sineWarp(TextureGenerator& gen, Texture& texture, const TextureOp& op) {
    const int fh = op.b[2], fv = op.b[3], ah = op.b[4], av = op.b[5], ph = op.b[6], pv = op.b[7];
    uint8_t* layer = texture.layers[op.layer()];
    uint8_t* scratch = gen.scratch();
    // The horizontal shift depends on the row only, the vertical on the column.
    double shiftH[kTextureSize], shiftV[kTextureSize];
    for (int i = 0; i < kTextureSize; ++i) {
        shiftH[i] = ah * std::cos(double((i + ph) * fh) * kWave);
        shiftV[i] = av * std::cos(double((i + pv) * fv) * kWave);
    }
    for (int y = 0; y < kTextureSize; ++y) {
        for (int x = 0; x < kTextureSize; ++x) {
            float u = float(shiftH[y] + x);
            float v = float(shiftV[x] + y);
            bilinear(layer, u, v, scratch + pixelIndex(x, y));
        }
    }
    copyBack(gen, layer);
}

void offset(TextureGenerator& gen, Texture& texture, const TextureOp& op) {
    const int down = op.b[2], right = op.b[3];
    uint8_t* layer = texture.layers[op.layer()];
    uint8_t* scratch = gen.scratch();
    for (int y = 0; y < kTextureSize; ++y) {
        const uint8_t* src = layer + pixelIndex(0, y - down);
        uint8_t* dst = scratch + pixelIndex(0, y);
        // Columns x >= right come from x - right; the first `right` columns wrap.
        std::memcpy(dst + size_t(right) * 4, src, size_t(kTextureSize - right) * 4);
        std::memcpy(dst, src + size_t(kTextureSize - right) * 4, size_t(right) * 4);
    }
    copyBack(gen, layer);
}

void twirl(TextureGenerator& gen, Texture& texture, const TextureOp& op) {
    const float turn = float((op.b[2] - 128) * 16);
    uint8_t* layer = texture.layers[op.layer()];
    uint8_t* scratch = gen.scratch();
    for (int y = 0; y < kTextureSize; ++y) {
        for (int x = 0; x < kTextureSize; ++x) {
            float dx = float(x - 128), dy = float(y - 128);
            float dy2 = dy * dy, dx2 = dx * dx;  // exact: small integers
            double r = std::sqrt(double(dy2) + double(dx2)) * 0.0078125;
            if (r > 1) r = 1;
            float c = float(std::cos(r * 1.570796327));
            double angle = double(c) * double(c) * double(turn) * kDeg;
            float co = float(std::cos(angle));
            float si = float(std::sin(angle));
            float u = float(double(si) * dy + double(co) * dx + 128);
            float v = float(double(co) * dy - double(si) * dx + 128);
            if (u < 0) u = 0;
            if (u > 255) u = 255;
            if (v < 0) v = 0;
            if (v > 255) v = 255;
            bilinear(layer, u, v, scratch + pixelIndex(x, y));
        }
    }
    copyBack(gen, layer);
}

void blur(TextureGenerator&, Texture& texture, const TextureOp& op) {
    uint8_t* layer = texture.layers[op.layer()];
    // trunc(S * 0.1111111111111111) for every possible sum of nine bytes.
    static const auto ninth = [] {
        struct Table {
            uint8_t v[9 * 255 + 1];
        } t{};
        for (int s = 0; s <= 9 * 255; ++s) t.v[s] = uint8_t(int(s * 0.1111111111111111));
        return t;
    }();
    for (int pass = 0; pass < op.b[2]; ++pass) {
        // In place: earlier pixels of the scan already hold their new values.
        for (int y = 0; y < kTextureSize; ++y) {
            uint8_t* above = layer + pixelIndex(0, y - 1);
            uint8_t* here = layer + pixelIndex(0, y);
            uint8_t* below = layer + pixelIndex(0, y + 1);
            for (int x = 0; x < kTextureSize; ++x) {
                const size_t l = size_t((x - 1) & 255) * 4, m = size_t(x) * 4, r = size_t((x + 1) & 255) * 4;
                for (int c = 0; c < 3; ++c) {
                    int s = above[l + c] + above[m + c] + above[r + c] + here[l + c] + here[m + c] +
                            here[r + c] + below[l + c] + below[m + c] + below[r + c];
                    here[m + c] = ninth.v[s];
                }
            }
        }
    }
}

void displace(TextureGenerator& gen, Texture& texture, const TextureOp& op) {
    const uint8_t* rowMap = texture.layers[op.b[2]];
    const int rowChannel = op.b[3], rowAmount = op.b[4];
    const uint8_t* colMap = texture.layers[op.b[5]];
    const int colChannel = op.b[6], colAmount = op.b[7];
    uint8_t* layer = texture.layers[op.layer()];
    uint8_t* scratch = gen.scratch();
    for (int y = 0; y < kTextureSize; ++y) {
        for (int x = 0; x < kTextureSize; ++x) {
            const size_t i = pixelIndex(x, y);
            int row = int(double(rowMap[i + rowChannel] * rowAmount) * k255 + y) & 255;
            int col = int(double(colMap[i + colChannel] * colAmount) * k255 + x) & 255;
            std::memcpy(scratch + i, layer + pixelIndex(col, row), 4);
        }
    }
    copyBack(gen, layer);
}

void smear(TextureGenerator& gen, Texture& texture, const TextureOp& op) {
    const uint8_t* map = texture.layers[op.b[2]];
    const int mapChannel = op.b[3], length = op.b[4];
    uint8_t* layer = texture.layers[op.layer()];
    uint8_t* scratch = gen.scratch();
    // The direction depends only on the map value.
    float cosOf[256], sinOf[256];
    for (int m = 0; m < 256; ++m) {
        int degrees = 270 + int(m * 1.40625);
        cosOf[m] = float(std::cos(degrees * kDeg));
        sinOf[m] = float(std::sin(degrees * kDeg));
    }
    for (int y = 0; y < kTextureSize; ++y) {
        for (int x = 0; x < kTextureSize; ++x) {
            const size_t i = pixelIndex(x, y);
            const int m = map[i + mapChannel];
            const double co = cosOf[m], si = sinOf[m];
            int s0 = 0, s1 = 0, s2 = 0;
            for (int k = 1; k <= length; ++k) {
                int row = int(k * co + y) & 255;
                int col = int(k * si + x) & 255;
                const uint8_t* p = layer + pixelIndex(col, row);
                s0 += p[0];
                s1 += p[1];
                s2 += p[2];
            }
            // Dividing by the count plus one also darkens by length / (length + 1).
            uint8_t* out = scratch + i;
            out[0] = uint8_t(s0 / (length + 1));
            out[1] = uint8_t(s1 / (length + 1));
            out[2] = uint8_t(s2 / (length + 1));
        }
    }
    copyBack(gen, layer);
}

void emboss(TextureGenerator& gen, Texture& texture, const TextureOp& op) {
    const uint8_t* layer = texture.layers[op.layer()];
    uint8_t* scratch = gen.scratch();
    for (int y = 0; y < kTextureSize; ++y) {
        const uint8_t* above = layer + pixelIndex(0, y - 1);
        const uint8_t* below = layer + pixelIndex(0, y + 1);
        for (int x = 0; x < kTextureSize; ++x) {
            const size_t l = size_t((x - 1) & 255) * 4, m = size_t(x) * 4, r = size_t((x + 1) & 255) * 4;
            uint8_t* out = scratch + pixelIndex(x, y);
            for (int c = 0; c < 3; ++c) {
                int v = below[l + c] + below[m + c] + below[r + c] - above[l + c] - above[m + c] -
                        above[r + c] + 128;
                out[c] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    }
    copyBack(gen, texture.layers[op.layer()]);
}

}  // namespace lumen::texops
