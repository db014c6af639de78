// CopyChannel, Contrast, Invert, Brightness, SineMap, Range, HueSaturation and
// GradientMap.
#include <cmath>

#include "texgen_fixture.h"

namespace lumen::testing {
namespace {

using Colour = TexgenTest;

TEST_F(Colour, IdentitySettingsLeaveTheLayerUnchanged) {
    fillPattern(0);
    auto before = copyOf(0);
    run({kOpBrightness, 0, 128});
    run({kOpContrast, 0, 32});
    run({kOpRange, 0, 1, 0, 255});
    run({kOpRange, 0, 3, 0, 255});
    run({kOpCopyChannel, 0, 2, 0, 2});
    run({kOpInvert, 0});
    run({kOpInvert, 0});
    EXPECT_TRUE(layerEquals(0, before));
}

TEST_F(Colour, ToneCurvesAtTheirExtremes) {
    fillPattern(0);
    auto before = copyOf(0);
    run({kOpContrast, 0, 0});
    EXPECT_EQ(at(0, 3, 4, 0), 128);
    EXPECT_EQ(at(0, 200, 4, 2), 128);
    EXPECT_EQ(channelDiffs(0, before, 3), 0);

    fillUniform(1, 100, 150, 200, 42);
    run({kOpContrast, 1, 64});  // doubled about 128, clamped
    EXPECT_EQ(at(1, 0, 0, 0), 72);
    EXPECT_EQ(at(1, 0, 0, 1), 172);
    EXPECT_EQ(at(1, 0, 0, 2), 255);
    EXPECT_EQ(at(1, 0, 0, 3), 42);

    fillUniform(2, 100, 150, 3, 42);
    run({kOpBrightness, 2, 0});
    EXPECT_EQ(at(2, 9, 9, 1), 0);
    fillUniform(2, 100, 150, 3, 42);
    run({kOpBrightness, 2, 255});
    EXPECT_EQ(at(2, 9, 9, 2), 255);
    fillUniform(2, 100, 150, 3, 42);
    run({kOpBrightness, 2, 64});
    EXPECT_EQ(at(2, 9, 9, 1), 75);
    EXPECT_EQ(at(2, 9, 9, 2), 1);
    fillUniform(2, 100, 150, 3, 42);
    run({kOpBrightness, 2, 192});  // halfway to white: 255 - trunc(155 * 63 / 128)
    EXPECT_EQ(at(2, 9, 9, 0), 255 - 76);
    EXPECT_EQ(at(2, 9, 9, 3), 42);

    fillUniform(3, 10, 20, 30, 40);
    run({kOpInvert, 3});
    EXPECT_EQ(at(3, 1, 1, 0), 245);
    EXPECT_EQ(at(3, 1, 1, 3), 40);
}

TEST_F(Colour, SineMapFoldsNegativeValuesIntoTheLowBits) {
    fillPattern(0);
    auto before = copyOf(0);
    run({kOpSineMap, 0, 1, 0});
    EXPECT_EQ(at(0, 5, 5, 1), 0);
    EXPECT_EQ(channelDiffs(0, before, 0), 0);

    fillUniform(1, 200, 0, 0, 0);
    run({kOpSineMap, 1, 0, 2});
    // sin(400 * 0.0123627485) is about -0.976: trunc gives -248, stored as 8.
    const int v = int(std::sin(400 * 0.0123627485) * 255);
    EXPECT_LT(v, 0);
    EXPECT_EQ(at(1, 0, 0, 0), v & 0xFF);
}

TEST_F(Colour, RangeRemapsAndInverts) {
    fillPattern(0);
    run({kOpRange, 0, 2, 77, 77});
    EXPECT_EQ(at(0, 8, 8, 2), 77);
    EXPECT_EQ(at(0, 80, 8, 2), 77);

    fillUniform(1, 0, 255, 100, 0);
    run({kOpRange, 1, 0, 255, 0});
    run({kOpRange, 1, 1, 255, 0});
    run({kOpRange, 1, 2, 50, 150});
    EXPECT_EQ(at(1, 0, 0, 0), 255);
    EXPECT_EQ(at(1, 0, 0, 1), 0);
    EXPECT_EQ(at(1, 0, 0, 2), int(100 * (100 * 0.00392156862745098) + 50));
}

TEST_F(Colour, HueSaturationRotatesHueAndClearsAlpha) {
    fillUniform(0, 255, 0, 0, 200);
    run({kOpHueSaturation, 0, 85, 0});  // 120 degrees: red to green
    EXPECT_EQ(at(0, 4, 4, 0), 0);
    EXPECT_EQ(at(0, 4, 4, 1), 255);
    EXPECT_EQ(at(0, 4, 4, 2), 0);
    EXPECT_EQ(at(0, 4, 4, 3), 0);

    fillUniform(1, 90, 90, 90, 255);
    for (int turn : {0, 37, 200, 255}) {
        run({kOpHueSaturation, 1, turn, 0});
        EXPECT_EQ(at(1, 0, 0, 0), 90);
        EXPECT_EQ(at(1, 0, 0, 1), 90);
        EXPECT_EQ(at(1, 0, 0, 2), 90);
    }
    EXPECT_EQ(at(1, 0, 0, 3), 0);

    fillUniform(2, 200, 100, 50, 1);
    run({kOpHueSaturation, 2, 0, 255});  // no saturation left: grey at V
    EXPECT_EQ(at(2, 0, 0, 0), 200);
    EXPECT_EQ(at(2, 0, 0, 2), 200);
}

TEST_F(Colour, HueSaturationWithNoChangeKeepsColoursWithinTruncation) {
    fillPattern(0);
    auto before = copyOf(0);
    run({kOpHueSaturation, 0, 0, 0});
    int worst = 0, alphaSet = 0;
    for (size_t i = 0; i < kLayerBytes; i += 4) {
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(layer(0)[i + c] - before[i + c]));
        alphaSet += layer(0)[i + 3] != 0;
    }
    EXPECT_LE(worst, 1);
    EXPECT_EQ(alphaSet, 0);
}

TEST_F(Colour, GradientMapReadsTheDrivingChannelBeforeOverwritingIt) {
    fillPattern(0);
    auto before = copyOf(0);
    run({kOpGradientMap, 0, 0, 0, 255, 0, 255, 0, 255});
    for (size_t i : {size_t(0), size_t(4 * 777), kLayerBytes - 4}) {
        const int g = before[i];
        const int expected = int(255 * g * 0.00392156862745098);
        for (int c = 0; c < 3; ++c) EXPECT_EQ(layer(0)[i + size_t(c)], expected);
        EXPECT_EQ(layer(0)[i + 3], before[i + 3]);
    }

    fillUniform(1, 0, 0, 255, 0);
    run({kOpGradientMap, 1, 2, 10, 20, 200, 100, 0, 0});  // blue drives, then is overwritten
    EXPECT_EQ(at(1, 0, 0, 0), 20);
    EXPECT_EQ(at(1, 0, 0, 1), 100);
    EXPECT_EQ(at(1, 0, 0, 2), 0);
}

}  // namespace
}  // namespace lumen::testing
