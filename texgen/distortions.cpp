// Operations that move pixels or filter a neighbourhood: SineWarp, Offset,
// Twirl, Blur, Displace, Smear and Emboss. All but Blur build their result in
// the scratch image and copy it back whole.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "texgen/operations.h"

namespace lumen::texops {

namespace {

constexpr struct ByteAsDouble {
    double v[256];
    constexpr ByteAsDouble() : v() {
        for (int i = 0; i < 256; ++i) v[i] = i;
    }
} kByteAsDouble;

// floor() for the sample positions, which stay far inside the int range.
inline int floorToInt(double v) {
    int i = int(v);
    return double(i) > v ? i - 1 : i;
}

// Bilinear sample of the colour channels of a layer at (u, v), wrapping.
[[gnu::always_inline]] inline void bilinear(const uint8_t* layer, float u, float v, uint8_t* out) {
    const int floorU = floorToInt(u), floorV = floorToInt(v);
    const double flU = floorU, flV = floorV;
    const int iu = floorU & 255, iv = floorV & 255;
    const float fu = float(double(u) - flU), fv = float(double(v) - flV);
    const uint8_t* p00 = layer + pixelIndex(iu, iv);
    if (fu == 0.0f && fv == 0.0f) {
        // Weights 1, 0, 0, 0: the sum is exactly the pixel's own value.
        out[0] = p00[0], out[1] = p00[1], out[2] = p00[2];
        return;
    }
    const int iu1 = (iu + 1) & 255, iv1 = (iv + 1) & 255;
    const float a = float(1.0 - double(fu));
    const double w00 = float((1.0 - double(fv)) * double(a));
    const double w01 = float((1.0 - double(fv)) * double(fu));
    const double w10 = float(double(fv) * double(a));
    const double w11 = float(double(fv) * double(fu));
    const uint8_t* p01 = layer + pixelIndex(iu1, iv);
    const uint8_t* p10 = layer + pixelIndex(iu, iv1);
    const uint8_t* p11 = layer + pixelIndex(iu1, iv1);
    const double* asDouble = kByteAsDouble.v;  // loads instead of conversions
    auto channel = [&](int c) {
        const double value =
            ((asDouble[p11[c]] * w11 + asDouble[p01[c]] * w01) + asDouble[p00[c]] * w00) + asDouble[p10[c]] * w10;
        return uint8_t(int(value));
    };
    out[0] = channel(0);
    out[1] = channel(1);
    out[2] = channel(2);
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
        // The row's sample positions first, then the samples.
        float us[kTextureSize], vs[kTextureSize];
        for (int x = 0; x < kTextureSize; ++x) {
            us[x] = float(shiftH[y] + x);
            vs[x] = float(shiftV[x] + y);
        }
        for (int x = 0; x < kTextureSize; ++x) bilinear(layer, us[x], vs[x], scratch + pixelIndex(x, y));
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
    // The turn depends on dx^2 + dy^2 alone, and beyond 128 pixels it is the
    // same everywhere, so each distinct squared radius is worked out once.
    constexpr int kInside = 128 * 128;
    struct Turn {
        float co, si;
        bool known;
    };
    std::vector<Turn> turns(kInside + 1, Turn{0, 0, false});
    auto turnFor = [&](int squared) -> const Turn& {
        Turn& t = turns[squared < kInside ? squared : kInside];
        if (!t.known) {
            double r = std::sqrt(double(squared)) * 0.0078125;
            if (r > 1) r = 1;
            float c = float(std::cos(r * 1.570796327));
            double angle = double(c) * double(c) * double(turn) * kDeg;
            t.co = float(std::cos(angle));
            t.si = float(std::sin(angle));
            t.known = true;
        }
        return t;
    };
    for (int y = 0; y < kTextureSize; ++y) {
        // The row's turns by |dx|, gathered before the pixels need them: the
        // lookups scatter over the table, the pixel loop then reads in order.
        const int iy = y - 128;
        float co[kTextureSize], si[kTextureSize];
        for (int a = 0; a <= 128; ++a) {
            const Turn& t = turnFor(iy * iy + a * a);
            if (a < 128) co[128 + a] = t.co, si[128 + a] = t.si;
            co[128 - a] = t.co, si[128 - a] = t.si;
        }
        // Sample positions for the whole row first, then the samples: two
        // short loops overlap better than one long chain per pixel. Written
        // as selects, the clamps leave the loop free of jumps.
        float us[kTextureSize], vs[kTextureSize];
        const float dy = float(iy);
        for (int x = 0; x < kTextureSize; ++x) {
            // dx, dy and their squares are small integers, exact as floats.
            const float dx = float(x - 128);
            float u = float(double(si[x]) * dy + double(co[x]) * dx + 128);
            float v = float(double(co[x]) * dy - double(si[x]) * dx + 128);
            u = u < 0 ? 0.0f : u;
            u = u > 255 ? 255.0f : u;
            v = v < 0 ? 0.0f : v;
            v = v > 255 ? 255.0f : v;
            us[x] = u, vs[x] = v;
        }
        for (int x = 0; x < kTextureSize; ++x) bilinear(layer, us[x], vs[x], scratch + pixelIndex(x, y));
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
                    int s = above[l + c] + above[m + c] + above[r + c] + here[l + c] + here[m + c] + here[r + c] +
                            below[l + c] + below[m + c] + below[r + c];
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

namespace {

// Sample k of a pixel lies at trunc(k * co + y), trunc(k * si + x). k * co
// is exact in double (a float times a byte) and never lies within rounding
// distance of an integer it is not equal to, so with t = k * co:
// trunc(t + y) = y + floor(t) when y >= -floor(t), else y + ceil(t).
// The offsets depend only on the map value and are tabulated per value.
struct SmearDirection {
    bool built = false;
    int minFloorRow = 0, minFloorCol = 0;  // most negative floor offsets
    int maxFloorRow = 0, maxFloorCol = 0;
    std::vector<int16_t> floorRow, ceilRow, floorCol, ceilCol;
    std::vector<int32_t> byteOffset;  // floor offsets as one step in the layer
};

void buildSmearDirection(SmearDirection& d, int m, int length) {
    d.built = true;
    const int degrees = 270 + int(m * 1.40625);
    const double co = float(std::cos(degrees * kDeg)), si = float(std::sin(degrees * kDeg));
    for (auto* v : {&d.floorRow, &d.ceilRow, &d.floorCol, &d.ceilCol}) v->resize(size_t(length) + 1);
    d.byteOffset.resize(size_t(length) + 1);
    for (size_t k = 1; k <= size_t(length); ++k) {
        const double tr = double(k) * co, tc = double(k) * si;
        d.floorRow[k] = int16_t(std::floor(tr));
        d.ceilRow[k] = int16_t(std::ceil(tr));
        d.floorCol[k] = int16_t(std::floor(tc));
        d.ceilCol[k] = int16_t(std::ceil(tc));
        d.minFloorRow = std::min<int>(d.minFloorRow, d.floorRow[k]);
        d.minFloorCol = std::min<int>(d.minFloorCol, d.floorCol[k]);
        d.maxFloorRow = std::max<int>(d.maxFloorRow, d.floorRow[k]);
        d.maxFloorCol = std::max<int>(d.maxFloorCol, d.floorCol[k]);
        d.byteOffset[k] = (d.floorRow[k] * kTextureSize + d.floorCol[k]) * 4;
    }
}

// One 32-bit load per sample: red and blue sum in 16-bit lanes (at most
// 255 * 255, so no lane carries into the next), green on its own.
inline void addSmearSample(const uint8_t* at, uint32_t& redBlue, uint32_t& green) {
    uint32_t p;
    std::memcpy(&p, at, 4);
    redBlue += p & 0x00FF00FFu;
    green += (p >> 8) & 0xFFu;
}

// The sums of a pixel near the edge, where samples wrap or need the ceiling.
SmearSums smearSumsWrapped(const uint8_t* layer, const SmearDirection& d, int x, int y, int length) {
    uint32_t redBlue = 0, green = 0;
    const bool floorsOnly = y >= -d.minFloorRow && x >= -d.minFloorCol;
    for (size_t k = 1; k <= size_t(length); ++k) {
        const int fr = d.floorRow[k], fc = d.floorCol[k];
        const int row = y + (floorsOnly || y >= -fr ? fr : d.ceilRow[k]);
        const int col = x + (floorsOnly || x >= -fc ? fc : d.ceilCol[k]);
        addSmearSample(layer + pixelIndex(col, row), redBlue, green);
    }
    return {redBlue & 0xFFFFu, green, redBlue >> 16};
}

// Chosen once: the vector sums where the machine has them.
#if defined(__SSE2__)
constexpr SmearSumsFn kSmearSums = smearSumsVector;
#else
constexpr SmearSumsFn kSmearSums = smearSumsScalar;
#endif

}  // namespace

SmearSums smearSumsScalar(const uint8_t* here, const int32_t* step, int length) {
    uint32_t redBlue = 0, green = 0;
    for (int k = 1; k <= length; ++k) addSmearSample(here + step[k], redBlue, green);
    return {redBlue & 0xFFFFu, green, redBlue >> 16};
}

SmearSums smearSumsVector(const uint8_t* here, const int32_t* step, int length) {
#if defined(__SSE2__)
    // Each sample widened to 16-bit lanes; two sums keep the adds independent.
    // A lane holds at most 255 * 255.
    const __m128i zero = _mm_setzero_si128();
    __m128i sumA = zero, sumB = zero;
    int k = 1;
    for (; k + 1 <= length; k += 2) {
        int32_t p, q;
        std::memcpy(&p, here + step[k], 4);
        std::memcpy(&q, here + step[k + 1], 4);
        sumA = _mm_add_epi16(sumA, _mm_unpacklo_epi8(_mm_cvtsi32_si128(p), zero));
        sumB = _mm_add_epi16(sumB, _mm_unpacklo_epi8(_mm_cvtsi32_si128(q), zero));
    }
    if (k <= length) {
        int32_t p;
        std::memcpy(&p, here + step[k], 4);
        sumA = _mm_add_epi16(sumA, _mm_unpacklo_epi8(_mm_cvtsi32_si128(p), zero));
    }
    const __m128i sum = _mm_add_epi16(sumA, sumB);
    return {uint16_t(_mm_extract_epi16(sum, 0)), uint16_t(_mm_extract_epi16(sum, 1)),
            uint16_t(_mm_extract_epi16(sum, 2))};
#else
    return smearSumsScalar(here, step, length);
#endif
}

void smear(TextureGenerator& gen, Texture& texture, const TextureOp& op) {
    const uint8_t* map = texture.layers[op.b[2]];
    const int mapChannel = op.b[3], length = op.b[4];
    uint8_t* layer = texture.layers[op.layer()];
    uint8_t* scratch = gen.scratch();

    std::vector<SmearDirection> directions(256);
    // s / (length + 1) for every possible sum, filled without dividing.
    std::vector<uint8_t> quotient(size_t(length) * 255 + 1);
    for (size_t sum = 0, q = 0, left = size_t(length) + 1; sum < quotient.size(); ++sum) {
        quotient[sum] = uint8_t(q);
        if (--left == 0) ++q, left = size_t(length) + 1;
    }

    for (int y = 0; y < kTextureSize; ++y) {
        for (int x = 0; x < kTextureSize; ++x) {
            const size_t i = pixelIndex(x, y);
            SmearDirection& d = directions[map[i + mapChannel]];
            if (!d.built) buildSmearDirection(d, map[i + mapChannel], length);
            // Inside these bounds no sample wraps: each is a fixed step from here.
            const bool inside = y >= -d.minFloorRow && x >= -d.minFloorCol && y + d.maxFloorRow < kTextureSize &&
                                x + d.maxFloorCol < kTextureSize;
            const SmearSums s =
                inside ? kSmearSums(layer + i, d.byteOffset.data(), length) : smearSumsWrapped(layer, d, x, y, length);
            // Dividing by the count plus one also darkens by length / (length + 1).
            uint8_t* out = scratch + i;
            out[0] = quotient[s.c[0]];
            out[1] = quotient[s.c[1]];
            out[2] = quotient[s.c[2]];
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
                int v = below[l + c] + below[m + c] + below[r + c] - above[l + c] - above[m + c] - above[r + c] + 128;
                out[c] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    }
    copyBack(gen, texture.layers[op.layer()]);
}

}  // namespace lumen::texops
