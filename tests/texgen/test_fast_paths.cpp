// The operations that tabulate or reorder their work (Cells, Twirl, Smear) give
// the same bytes as the per-pixel formulas evaluated directly.
#include <cmath>

#include "texgen/operations.h"
#include "texgen_fixture.h"

namespace lumen::testing {
namespace {

using FastPaths = TexgenTest;

constexpr double kDegrees = 0.017453292;

int floorInt(double v) { return int(std::floor(v)); }

// Bilinear sample with the weights rounded to single precision.
void sampleDirect(const uint8_t* layer, float u, float v, uint8_t* out) {
    const double fu0 = std::floor(double(u)), fv0 = std::floor(double(v));
    const int iu = floorInt(u) & 255, iv = floorInt(v) & 255;
    const float fu = float(u - fu0), fv = float(v - fv0);
    const int iu1 = (iu + 1) & 255, iv1 = (iv + 1) & 255;
    const float a = float(1 - double(fu));
    const float w00 = float((1 - double(fv)) * a), w01 = float((1 - double(fv)) * fu);
    const float w10 = float(double(fv) * a), w11 = float(double(fv) * fu);
    auto L = [&](int x, int y, int c) { return layer[(size_t(y) * 256 + size_t(x)) * 4 + size_t(c)]; };
    for (int c = 0; c < 3; ++c)
        out[c] =
            uint8_t(int(((L(iu1, iv1, c) * double(w11) + L(iu1, iv, c) * double(w01)) + L(iu, iv, c) * double(w00)) +
                        L(iu, iv1, c) * double(w10)));
}

TEST_F(FastPaths, TwirlMatchesTheDirectFormula) {
    fillPattern(0);
    auto source = copyOf(0);
    for (int strength : {0, 100, 129, 255}) {
        std::memcpy(layer(0), source.data(), kLayerBytes);
        run({kOpTwirl, 0, strength});
        const float T = float((strength - 128) * 16);
        int mismatches = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const float dx = float(x - 128), dy = float(y - 128);
                double r = std::sqrt(double(float(dy * dy)) + double(float(dx * dx))) * 0.0078125;
                if (r > 1) r = 1;
                const float c = float(std::cos(r * 1.570796327));
                const double angle = double(c) * c * T * kDegrees;
                const float co = float(std::cos(angle)), si = float(std::sin(angle));
                float u = float(double(si) * dy + double(co) * dx + 128);
                float v = float(double(co) * dy - double(si) * dx + 128);
                u = std::min(255.0f, std::max(0.0f, u));
                v = std::min(255.0f, std::max(0.0f, v));
                uint8_t expected[3];
                sampleDirect(source.data(), u, v, expected);
                for (int ch = 0; ch < 3; ++ch) mismatches += expected[ch] != at(0, x, y, ch);
            }
        EXPECT_EQ(mismatches, 0) << "strength " << strength;
    }
}

TEST_F(FastPaths, SmearMatchesTheDirectFormulaForEveryDirection) {
    fillPattern(0);
    fillPattern(1);  // map values cover every direction
    auto source = copyOf(0);
    for (int length : {1, 7, 140}) {
        std::memcpy(layer(0), source.data(), kLayerBytes);
        run({kOpSmear, 0, 1, 2, length});
        auto L = [&](int x, int y, int c) { return source[(size_t(y & 255) * 256 + size_t(x & 255)) * 4 + size_t(c)]; };
        int mismatches = 0;
        for (int y = 0; y < 256; y += (length > 100 ? 3 : 1))
            for (int x = 0; x < 256; ++x) {
                const int m = at(1, x, y, 2);
                const int A = 270 + int(m * 1.40625);
                const float co = float(std::cos(A * kDegrees)), si = float(std::sin(A * kDegrees));
                int s[3] = {0, 0, 0};
                for (int k = 1; k <= length; ++k) {
                    const int row = int(k * double(co) + y), col = int(k * double(si) + x);
                    for (int c = 0; c < 3; ++c) s[c] += L(col, row, c);
                }
                for (int c = 0; c < 3; ++c) mismatches += at(0, x, y, c) != s[c] / (length + 1);
            }
        EXPECT_EQ(mismatches, 0) << "length " << length;
    }
}

TEST_F(FastPaths, CellsMatchesTheDirectFormula) {
    run({kOpCells, 0, 1, 37, 23, 0xDE, 0xAD, 0xBE, 0xEF});
    const std::vector<int> draws = msvcrtDraws(0xDEADBEEFu, 74);
    int mismatches = 0;
    for (int y = 0; y < 256; y += 5)
        for (int x = 0; x < 256; ++x) {
            float m = 255.0f;
            for (int k = 0; k < 37; ++k) {
                const int px = draws[size_t(2 * k)] & 0xFF, py = draws[size_t(2 * k + 1)] & 0xFF;
                const double v = 23 * 5.0 * double(gen->distance((px + x) & 255, (py + y) & 255));
                if (v < m) m = float(v);
            }
            mismatches += at(0, x, y, 1) != int(std::min(255.0f, std::max(0.0f, m)));
        }
    EXPECT_EQ(mismatches, 0);
}

// The vector sums Smear uses where the machine has them are the scalar sums,
// for every sample count and for steps reaching back and forth.
TEST_F(FastPaths, SmearVectorSumsEqualTheScalarSums) {
    fillPattern(0);
    const uint8_t* here = layer(0) + texops::pixelIndex(128, 128);
    std::vector<int32_t> step(256);
    for (int length = 0; length <= 255; ++length) {
        for (int k = 1; k <= length; ++k) step[size_t(k)] = ((k * 37) % 201 - 100) * 4 + (k % 3 - 1) * 1024;
        const texops::SmearSums a = texops::smearSumsScalar(here, step.data(), length);
        const texops::SmearSums b = texops::smearSumsVector(here, step.data(), length);
        for (int c = 0; c < 3; ++c) ASSERT_EQ(a.c[c], b.c[c]) << "length " << length << " channel " << c;
    }
}

}  // namespace
}  // namespace lumen::testing
