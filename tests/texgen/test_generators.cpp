// Noise, NoiseOctave, SinePlasma, Cells, RadialSpot and Clear, plus the random
// sequence and distance table they are built on.
#include <cmath>
#include <cstdlib>

#include "texgen_fixture.h"

namespace lumen::testing {
namespace {

using Generators = TexgenTest;

TEST(RandomSequence, StartsFromTheWindowsRuntimeSequenceAtSeedOne) {
    RuntimeRandom r;
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int e : expected) EXPECT_EQ(r.rand(), e);
}

TEST_F(Generators, WhiteNoiseOctaveIsTheDrawSequenceOfTheFourByteSeedInRowOrder) {
    run({kOpNoiseOctave, 1, 2, 1, 0x12, 0x34, 0x56, 0x78});
    const std::vector<int> draws = msvcrtDraws(0x12345678u, 65536);
    int mismatches = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) mismatches += at(1, x, y, 2) != (draws[size_t(y) * 256 + x] & 0xFF);
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(at(1, 0, 0, 2), draws[0] & 0xFF);
    // Only channel 2 was written.
    for (int c : {0, 1, 3}) EXPECT_EQ(at(1, 17, 99, c), 0);
}

TEST_F(Generators, DistanceTableIsZeroAtTheCentreAndLargestAtTheFarCorner) {
    EXPECT_EQ(gen->distance(127, 127), 0.0f);
    float largest = 0;
    int lx = -1, ly = -1;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            if (gen->distance(x, y) > largest) largest = gen->distance(x, y), lx = x, ly = y;
    EXPECT_EQ(lx, 255);
    EXPECT_EQ(ly, 255);
    EXPECT_EQ(largest, float(std::sqrt(2.0 * 128 * 128) * 0.0078125));
    EXPECT_NEAR(gen->distance(0, 0), 1.403, 0.001);
    EXPECT_EQ(gen->distance(255, 127), 1.0f);
}

// The octave's interpolation written out from the formula, for the 4 x 4 grid
// (spacing 64) a NoiseOctave with b3 = 64 builds.
int referenceCubic(int p0, int p1, int p2, int p3, double t) {
    const int P = (p3 - p2) - (p0 - p1), Q = (p0 - p1) - P, R = p2 - p0;
    const int v = int(P * t * t * t + Q * t * t + R * t + p1);
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

TEST_F(Generators, NoiseOctaveInterpolatesColumnsThenRowsWithWrappingNeighbours) {
    run({kOpNoiseOctave, 0, 1, 64, 0, 0, 0, 7});
    const std::vector<int> draws = msvcrtDraws(7, 16);
    auto grid = [&](int gx, int gy) { return draws[size_t(((gy + 4) % 4) * 4 + (gx + 4) % 4)] & 0xFF; };
    // Column 0 at row 32 reads grid rows 3 (wrapped), 0, 1, 2.
    auto column = [&](int gx, int l) {
        return referenceCubic(grid(gx, -1), grid(gx, 0), grid(gx, 1), grid(gx, 2), l / 64.0);
    };
    EXPECT_EQ(at(0, 0, 32, 1), column(0, 32));
    EXPECT_EQ(at(0, 128, 16, 1), column(2, 16));
    // Pixel (32, 32) interpolates along row 32 between interpolated column values.
    EXPECT_EQ(at(0, 32, 32, 1), referenceCubic(column(3, 32), column(0, 32), column(1, 32), column(2, 32), 0.5));
    EXPECT_EQ(at(0, 64, 0, 1), grid(1, 0));
    EXPECT_EQ(at(0, 192, 192, 1), grid(3, 3));
}

TEST_F(Generators, CoarsestNoiseOctaveTilesSmoothly) {
    run({kOpNoiseOctave, 0, 0, 128, 1, 2, 3, 4});
    int worstStep = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            worstStep = std::max(worstStep, std::abs(at(0, x, y, 0) - at(0, (x + 1) & 255, y, 0)));
            worstStep = std::max(worstStep, std::abs(at(0, x, y, 0) - at(0, x, (y + 1) & 255, 0)));
        }
    EXPECT_LE(worstStep, 12);  // no seam at the wrap
}

TEST_F(Generators, NoiseOctaveWithGridSizeZeroDrawsAndWritesNothing) {
    fillPattern(0);
    std::memset(gen->scratch(), 0x5A, kLayerBytes);
    auto before = copyOf(0);
    auto scratchBefore = scratchCopy();
    random.srand(99);
    run({kOpNoiseOctave, 0, 0, 0, 1, 2, 3, 4});
    EXPECT_TRUE(layerEquals(0, before));
    EXPECT_EQ(scratchCopy(), scratchBefore);
    EXPECT_EQ(random.state(), 99u);
}

TEST_F(Generators, NoiseOctaveUsesTheLowestSetBitOfTheGridSize) {
    auto other = createTexture();
    run({kOpNoiseOctave, 0, 0, 12, 9, 9, 9, 9});
    run({kOpNoiseOctave, 0, 0, 4, 9, 9, 9, 9}, other.get());
    EXPECT_EQ(std::memcmp(tex->layers[0], other->layers[0], kLayerBytes), 0);
}

TEST_F(Generators, NoiseIsTheSameForEqualSeedsInAnyTextureAndChannel) {
    auto other = createTexture();
    run({kOpNoise, 0, 0, 0, 0xAB, 0xCD, 0x01, 0x23});
    run({kOpSinePlasma, 2, 3, 1, 0, 0, 0, 0, 0});  // unrelated work in between
    run({kOpNoise, 3, 2, 0, 0xAB, 0xCD, 0x01, 0x23}, other.get());
    int diffs = 0, maxValue = 0;
    for (size_t i = 0; i < kLayerBytes; i += 4) {
        diffs += tex->layers[0][i] != other->layers[3][i + 2];
        maxValue = std::max<int>(maxValue, tex->layers[0][i]);
    }
    EXPECT_EQ(diffs, 0);
    EXPECT_LE(maxValue, 247);
    EXPECT_GT(maxValue, 100);

    auto third = createTexture();
    run({kOpNoise, 0, 0, 0, 0xAB, 0xCD, 0x01, 0x24}, third.get());
    EXPECT_NE(std::memcmp(tex->layers[0], third->layers[0], kLayerBytes), 0);
}

TEST_F(Generators, NoiseLeavesItsCoarsestOctaveInTheScratchChannel) {
    run({kOpNoise, 0, 3, 0, 0, 0, 0, 5});
    // Spacing 128: at the four grid points the scratch holds the draws 21840..21843.
    const std::vector<int> draws = msvcrtDraws(5, 21844);
    EXPECT_EQ(scratchAt(0, 0, 3), draws[21840] & 0xFF);
    EXPECT_EQ(scratchAt(128, 0, 3), draws[21841] & 0xFF);
    EXPECT_EQ(scratchAt(0, 128, 3), draws[21842] & 0xFF);
    EXPECT_EQ(scratchAt(128, 128, 3), draws[21843] & 0xFF);
    // The target's value at a grid point is the sum of every octave's shifted value.
    EXPECT_EQ(scratchAt(0, 0, 0), 0);
}

TEST_F(Generators, SinePlasmaWithZeroFrequenciesIsFlat127InItsChannelOnly) {
    run({kOpSinePlasma, 0, 0, 0, 9, 9, 0, 0, 1});
    for (int i = 0; i < 256; i += 37) EXPECT_EQ(at(0, i, 255 - i, 1), 127);
    EXPECT_EQ(at(0, 7, 7, 0), 0);
}

TEST_F(Generators, CellsPlacesEachPointAtItsMirroredPosition) {
    run({kOpCells, 0, 0, 1, 10, 0, 0, 0, 42});
    const std::vector<int> draws = msvcrtDraws(42, 2);
    const int px = draws[0] & 0xFF, py = draws[1] & 0xFF;
    const int cx = (127 - px) & 255, cy = (127 - py) & 255;
    EXPECT_EQ(at(0, cx, cy, 0), 0);
    // 10 pixels away along a row: 5 * 10 * 10 / 128 = 3.9.
    EXPECT_EQ(at(0, (cx + 10) & 255, cy, 0), 3);
    EXPECT_EQ(at(0, (cx + 128) & 255, (cy + 128) & 255, 0), int(float(50.0 * double(gen->distance(255, 255)))));
}

TEST_F(Generators, CellsEdgeCases) {
    run({kOpCells, 0, 2, 0, 0, 1, 2, 3, 4});
    run({kOpCells, 1, 2, 5, 0, 1, 2, 3, 4});
    run({kOpCells, 2, 1, 1, 255, 1, 2, 3, 4});
    int notWhite = 0, notBlack = 0, saturated = 0;
    for (size_t i = 0; i < kLayerBytes; i += 4) {
        notWhite += layer(0)[i + 2] != 255;
        notBlack += layer(1)[i + 2] != 0;
        saturated += layer(2)[i + 1] == 255;
    }
    EXPECT_EQ(notWhite, 0);  // no points
    EXPECT_EQ(notBlack, 0);  // scale 0
    EXPECT_GT(saturated, 30000);
    EXPECT_LT(saturated, 65536);  // far from every point the value caps at 255
}

TEST_F(Generators, RadialSpotModesAndAlpha) {
    fillUniform(0, 9, 9, 9, 77);
    run({kOpRadialSpot, 0, 0});
    EXPECT_EQ(at(0, 127, 127, 0), 255);
    EXPECT_EQ(at(0, 127, 127, 2), 255);
    EXPECT_EQ(at(0, 0, 0, 1), 0);
    EXPECT_EQ(at(0, 255, 255, 1), 0);
    EXPECT_EQ(at(0, 191, 127, 0), int(255 - double(gen->distance(191, 127)) * 255));
    EXPECT_EQ(at(0, 40, 200, 3), 77);

    fillUniform(1, 9, 9, 9, 9);
    run({kOpRadialSpot, 1, 1, 3, 128});  // radius 0.75, alpha only
    EXPECT_EQ(at(1, 127, 127, 3), 255);
    EXPECT_EQ(at(1, 127 + 97, 127, 3), 0);  // beyond 0.75 * 128 pixels
    EXPECT_EQ(at(1, 127 + 64, 127, 3), int(255 - (0.5 / 0.75) * 255));
    EXPECT_EQ(at(1, 127, 127, 0), 9);
}

}  // namespace
}  // namespace lumen::testing
