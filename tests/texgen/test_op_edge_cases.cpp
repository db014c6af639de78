// The operations' defining edge cases, one table row each: a starting layer, a
// record, and what must hold afterwards. Sweeps of every operation are pinned
// separately by test_golden_ops.cpp; these rows say why the bytes are right.
#include <array>
#include <cmath>

#include "texgen_fixture.h"

namespace lumen::testing {
namespace {

using Edge = TexgenTest;

// Records that leave a busy layer 0 exactly as it was.
TEST_F(Edge, IdentitySettingsLeaveTheLayerUnchanged) {
    const std::vector<std::vector<int>> records = {{kOpBrightness, 0, 128},
                                                   {kOpContrast, 0, 32},
                                                   {kOpRange, 0, 1, 0, 255},
                                                   {kOpCopyChannel, 0, 2, 0, 2},
                                                   {kOpLighten, 0, 0},
                                                   {kOpOffset, 0, 0, 0},
                                                   {kOpDisplace, 0, 1, 0, 0, 1, 0, 0},
                                                   {kOpNoiseOctave, 0, 0, 0, 1, 2, 3, 4},
                                                   {kOpBlur, 0, 0}};
    for (const auto& r : records) {
        fillPattern(0);
        fillPattern(1);
        auto before = copyOf(0);
        run(r);
        EXPECT_TRUE(layerEquals(0, before)) << "code " << r[0];
    }
}

struct PixelCase {
    const char* what;
    std::array<int, 4> fill;  // the uniform starting pixel of layer 0
    std::vector<int> record;
    int x, y, channel, expected;
};

TEST_F(Edge, SinglePixelResults) {
    const int kFolded = int(std::sin(200.0 * 2 * 0.0123627485) * 255) & 0xFF;  // the sine is negative here
    const PixelCase cases[] = {
        {"SinePlasma 0 0 is flat 127", {0, 0, 0, 0}, {kOpSinePlasma, 0, 0, 0, 9, 9, 0, 0, 1}, 77, 5, 1, 127},
        {"SinePlasma leaves other channels", {0, 0, 0, 0}, {kOpSinePlasma, 0, 0, 0, 9, 9, 0, 0, 1}, 77, 5, 0, 0},
        {"Cells scale 0 is 0", {9, 9, 9, 9}, {kOpCells, 0, 0, 1, 0, 0, 0, 0, 42}, 3, 200, 0, 0},
        {"Cells without points is 255", {9, 9, 9, 9}, {kOpCells, 0, 2, 0, 5, 1, 2, 3, 4}, 3, 200, 2, 255},
        {"RadialSpot centre", {0, 0, 0, 7}, {kOpRadialSpot, 0, 0}, 127, 127, 1, 255},
        {"RadialSpot corner", {0, 0, 0, 7}, {kOpRadialSpot, 0, 0}, 0, 0, 0, 0},
        {"RadialSpot keeps alpha", {0, 0, 0, 7}, {kOpRadialSpot, 0, 0}, 127, 127, 3, 7},
        {"RadialSpot mode 1 shrink 128 edge", {0, 0, 0, 0}, {kOpRadialSpot, 0, 1, 3, 128}, 127, 127, 3, 255},
        {"Clear clears alpha", {5, 6, 7, 8}, {kOpClear, 0}, 9, 9, 3, 0},
        {"Contrast 0 is flat 128", {10, 200, 90, 1}, {kOpContrast, 0, 0}, 1, 1, 1, 128},
        {"Brightness 0 is black", {10, 200, 90, 1}, {kOpBrightness, 0, 0}, 1, 1, 1, 0},
        {"Brightness 255 is white", {10, 200, 90, 1}, {kOpBrightness, 0, 255}, 1, 1, 0, 255},
        {"Invert keeps alpha", {10, 200, 90, 1}, {kOpInvert, 0}, 1, 1, 3, 1},
        {"Invert", {10, 200, 90, 1}, {kOpInvert, 0}, 1, 1, 1, 55},
        {"SineMap frequency 0 is 0", {10, 200, 90, 1}, {kOpSineMap, 0, 1, 0}, 1, 1, 1, 0},
        {"SineMap folds negatives", {10, 200, 90, 1}, {kOpSineMap, 0, 1, 2}, 1, 1, 1, kFolded},
        {"Range low = high fills", {10, 200, 90, 1}, {kOpRange, 0, 2, 77, 77}, 1, 1, 2, 77},
        {"Range inverts", {10, 200, 90, 1}, {kOpRange, 0, 1, 255, 0}, 1, 1, 1, 55},
        {"HueSaturation clears alpha", {90, 90, 90, 33}, {kOpHueSaturation, 0, 0, 0}, 4, 4, 3, 0},
        {"HueSaturation keeps grey", {90, 90, 90, 33}, {kOpHueSaturation, 0, 200, 0}, 4, 4, 1, 90},
        {"GradientMap grey from red", {120, 3, 250, 6}, {kOpGradientMap, 0, 0, 0, 255, 0, 255, 0, 255}, 2, 2, 2, 120},
        {"GradientMap keeps alpha", {120, 3, 250, 6}, {kOpGradientMap, 0, 0, 0, 255, 0, 255, 0, 255}, 2, 2, 3, 6},
        {"Add self doubles", {100, 200, 0, 3}, {kOpAdd, 0, 0}, 0, 0, 0, 200},
        {"Add self saturates", {100, 200, 0, 3}, {kOpAdd, 0, 0}, 0, 0, 1, 255},
        {"Modulate 127 keeps", {100, 127, 0, 3}, {kOpModulate, 0, 0, 1}, 0, 0, 0, 100},
        {"Modulate 255 is white", {100, 255, 0, 3}, {kOpModulate, 0, 0, 1}, 0, 0, 2, 255},
        {"Modulate 0 is black", {100, 0, 50, 3}, {kOpModulate, 0, 0, 1}, 0, 0, 2, 0},
        {"Blur of uniform", {77, 1, 254, 3}, {kOpBlur, 0, 3}, 0, 255, 2, 254},
        {"Emboss of uniform is 128", {77, 1, 254, 3}, {kOpEmboss, 0}, 9, 9, 1, 128},
        {"Smear length 0 is black", {77, 1, 254, 3}, {kOpSmear, 0, 0, 0, 0}, 9, 9, 0, 0},
        {"Smear length 1 halves", {77, 1, 254, 3}, {kOpSmear, 0, 0, 0, 1}, 9, 9, 2, 127},
    };
    for (const auto& c : cases) {
        fillUniform(0, uint8_t(c.fill[0]), uint8_t(c.fill[1]), uint8_t(c.fill[2]), uint8_t(c.fill[3]));
        run(c.record);
        EXPECT_EQ(at(0, c.x, c.y, c.channel), c.expected) << c.what;
    }
}

TEST_F(Edge, TwirlWithoutATurnKeepsTheColoursAndTakesTheScratchAlpha) {
    fillPattern(0);
    auto before = copyOf(0);
    std::memset(gen->scratch(), 0x5A, kLayerBytes);
    run({kOpTwirl, 0, 128});  // no turn: colours stay, alpha is the scratch's
    EXPECT_EQ(channelDiffs(0, before, 0) + channelDiffs(0, before, 2), 0);
    EXPECT_EQ(at(0, 3, 3, 3), 0x5A);
}

TEST_F(Edge, NoiseOctaveOneIsTheDrawSequenceAndZeroDrawsNothing) {
    run({kOpNoiseOctave, 1, 2, 1, 0x12, 0x34, 0x56, 0x78});
    const std::vector<int> draws = msvcrtDraws(0x12345678u, 65536);
    int mismatches = 0;
    for (int i = 0; i < 65536; ++i) mismatches += at(1, i % 256, i / 256, 2) != (draws[size_t(i)] & 0xFF);
    EXPECT_EQ(mismatches, 0);
    RuntimeRandom before = random;
    auto layerBefore = copyOf(0);
    run({kOpNoiseOctave, 0, 0, 0, 1, 2, 3, 4});  // grid size 0: no seed, no draw, no write
    EXPECT_EQ(random.rand(), before.rand());
    EXPECT_TRUE(layerEquals(0, layerBefore));
}

}  // namespace
}  // namespace lumen::testing
