// SineWarp, Offset, Twirl, Blur, Displace, Smear and Emboss, and which channels
// they take from the scratch image on copy-back.
#include "texgen_fixture.h"

namespace lumen::testing {
namespace {

using Distortions = TexgenTest;

TEST_F(Distortions, OffsetMovesWholePixelsAlphaIncluded) {
    fillPattern(1);
    auto before = copyOf(1);
    run({kOpOffset, 1, 0, 0});
    EXPECT_TRUE(layerEquals(1, before));

    run({kOpOffset, 1, 1, 3});  // one row down, three columns right
    auto old = [&](int x, int y, int c) { return before[(size_t((y & 255)) * 256 + size_t(x & 255)) * 4 + size_t(c)]; };
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(at(1, 0, 0, c), old(253, 255, c));  // first row gets the old last row
        EXPECT_EQ(at(1, 3, 1, c), old(0, 0, c));
        EXPECT_EQ(at(1, 100, 200, c), old(97, 199, c));
    }
}

TEST_F(Distortions, WarpsThatMoveNothingKeepColoursAndTakeTheScratchAlpha) {
    fillPattern(0);
    auto before = copyOf(0);
    std::memset(gen->scratch(), 0, kLayerBytes);
    for (size_t i = 3; i < kLayerBytes; i += 4) gen->scratch()[i] = uint8_t(i >> 10);

    run({kOpSineWarp, 0, 5, 7, 0, 0, 11, 13});
    for (int c = 0; c < 3; ++c) EXPECT_EQ(channelDiffs(0, before, c), 0) << c;
    EXPECT_EQ(at(0, 9, 200, 3), uint8_t(((size_t(200) * 256 + 9) * 4 + 3) >> 10));

    fillPattern(2);
    auto before2 = copyOf(2);
    run({kOpTwirl, 2, 128});
    for (int c = 0; c < 3; ++c) EXPECT_EQ(channelDiffs(2, before2, c), 0) << c;
    EXPECT_EQ(at(2, 9, 200, 3), at(0, 9, 200, 3));
}

TEST_F(Distortions, SineWarpWithZeroFrequencyShiftsByTheAmplitude) {
    fillPattern(0);
    auto before = copyOf(0);
    auto old = [&](int x, int y, int c) { return before[(size_t((y & 255)) * 256 + size_t(x & 255)) * 4 + size_t(c)]; };
    run({kOpSineWarp, 0, 0, 0, 3, 2, 0, 0});  // cos(0) = 1: three columns right, two rows down
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(at(0, 0, 0, c), old(3, 2, c));
        EXPECT_EQ(at(0, 254, 254, c), old(1, 0, c));
    }
}

TEST_F(Distortions, TwirlTurnsTheCentreAndLeavesTheCornersAlone) {
    fillPattern(3);
    auto before = copyOf(3);
    run({kOpTwirl, 3, 200});
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(at(3, 0, 0, c), before[size_t(c)]);
        EXPECT_EQ(at(3, 255, 255, c), before[kLayerBytes - 4 + size_t(c)]);
    }
    EXPECT_GT(channelDiffs(3, before, 0), 20000);
}

TEST_F(Distortions, TwirlOfAVerticalBarTiltsIt) {
    // A white column at x = 128 on black: 16 degrees at the centre moves rows
    // above and below the centre to opposite sides.
    fillUniform(0, 0, 0, 0, 0);
    for (int y = 0; y < 256; ++y)
        for (int c = 0; c < 3; ++c) at(0, 128, y, c) = 255;
    run({kOpTwirl, 0, 129});
    EXPECT_EQ(at(0, 128, 128, 0), 255);
    auto brightestColumn = [&](int y) {
        int best = 0;
        for (int x = 1; x < 256; ++x)
            if (at(0, x, y, 0) > at(0, best, y, 0)) best = x;
        return best;
    };
    const int above = brightestColumn(100), below = brightestColumn(156);
    EXPECT_NE(above, 128);
    EXPECT_EQ(above - 128, -(below - 128));
}

TEST_F(Distortions, BlurWorksInPlaceAndKeepsUniformLayers) {
    fillUniform(0, 200, 17, 255, 9);
    auto uniform = copyOf(0);
    run({kOpBlur, 0, 3});
    EXPECT_TRUE(layerEquals(0, uniform));

    // One white pixel: the first neighbour visited sees only the original, later
    // ones see values already blurred in this pass.
    fillUniform(1, 0, 0, 0, 5);
    for (int c = 0; c < 3; ++c) at(1, 10, 10, c) = 255;
    run({kOpBlur, 1, 1});
    EXPECT_EQ(at(1, 9, 9, 0), 28);
    EXPECT_EQ(at(1, 10, 9, 0), (255 + 28) / 9);
    EXPECT_NE(at(1, 11, 11, 0), at(1, 9, 9, 0));
    EXPECT_EQ(at(1, 10, 10, 3), 5);
    auto once = copyOf(1);
    run({kOpBlur, 1, 1});
    EXPECT_FALSE(layerEquals(1, once));

    fillPattern(2);
    auto before = copyOf(2);
    run({kOpBlur, 2, 0});
    EXPECT_TRUE(layerEquals(2, before));
}

TEST_F(Distortions, BlurWrapsTheLastRowOntoTheNewFirstRow) {
    fillUniform(0, 0, 0, 0, 0);
    for (int c = 0; c < 3; ++c) at(0, 50, 0, c) = 255;
    run({kOpBlur, 0, 1});
    // Row 255 sees row 254 (still black here) and row 0 as already blurred.
    EXPECT_EQ(at(0, 50, 255, 1), (at(0, 49, 0, 1) + at(0, 50, 0, 1) + at(0, 51, 0, 1) + at(0, 49, 255, 1)) / 9);
    EXPECT_GT(at(0, 50, 255, 1), 0);
}

TEST_F(Distortions, DisplaceWithZeroAmountsCopiesTheLayer) {
    fillPattern(0);
    fillPattern(1);
    auto before = copyOf(0);
    run({kOpDisplace, 0, 1, 0, 0, 1, 2, 0});
    EXPECT_TRUE(layerEquals(0, before));
}

TEST_F(Distortions, DisplaceShiftsByTheMapAndMovesAlpha) {
    fillPattern(0);
    auto before = copyOf(0);
    fillUniform(1, 255, 0, 0, 0);  // row map full, column map zero
    run({kOpDisplace, 0, 1, 0, 4, 1, 1, 200});
    auto old = [&](int x, int y, int c) { return before[(size_t((y & 255)) * 256 + size_t(x & 255)) * 4 + size_t(c)]; };
    for (int c = 0; c < 4; ++c) {
        // 255 * 4 * k255 rounds to exactly 4 in double: four rows on, wrapping.
        EXPECT_EQ(at(0, 5, 5, c), old(5, 9, c));
        EXPECT_EQ(at(0, 5, 254, c), old(5, 2, c));
    }
}

TEST_F(Distortions, SmearAveragesAlongTheMapDirectionAndDarkens) {
    fillUniform(0, 200, 100, 7, 1);
    fillUniform(1, 0, 0, 0, 0);
    run({kOpSmear, 0, 1, 0, 4});
    EXPECT_EQ(at(0, 40, 40, 0), 160);  // 800 / 5
    EXPECT_EQ(at(0, 40, 40, 1), 80);
    EXPECT_EQ(at(0, 40, 40, 2), 5);
    run({kOpSmear, 0, 1, 0, 0});
    EXPECT_EQ(at(0, 40, 40, 0), 0);

    // Map value 0 points at 270 degrees: one sample to the left, one row up
    // (the tiny negative cosine truncates toward zero), row 0 staying in row 0.
    fillPattern(2);
    auto before = copyOf(2);
    auto old = [&](int x, int y, int c) { return before[(size_t((y & 255)) * 256 + size_t(x & 255)) * 4 + size_t(c)]; };
    run({kOpSmear, 2, 1, 0, 1});
    EXPECT_EQ(at(2, 30, 20, 0), old(29, 19, 0) / 2);
    EXPECT_EQ(at(2, 30, 0, 1), old(29, 0, 1) / 2);
    EXPECT_EQ(at(2, 0, 9, 2), old(255, 8, 2) / 2);

    // Map value 64 is 360 degrees: samples run down the rows in column x - 1.
    fillPattern(3);
    auto before3 = copyOf(3);
    fillUniform(1, 64, 0, 0, 0);
    run({kOpSmear, 3, 1, 0, 2});
    auto old3 = [&](int x, int y, int c) { return before3[(size_t((y & 255)) * 256 + size_t(x & 255)) * 4 + size_t(c)]; };
    EXPECT_EQ(at(3, 30, 20, 0), (old3(29, 21, 0) + old3(29, 22, 0)) / 3);
}

TEST_F(Distortions, EmbossOfAUniformLayerIsMidGreyAndEdgesFollowTheRows) {
    fillUniform(0, 10, 90, 250, 3);
    run({kOpEmboss, 0});
    EXPECT_EQ(at(0, 77, 77, 0), 128);
    EXPECT_EQ(at(0, 77, 77, 2), 128);

    fillUniform(1, 0, 0, 0, 0);
    for (int x = 0; x < 256; ++x)
        for (int y = 100; y < 256; ++y) at(1, x, y, 0) = 100;
    run({kOpEmboss, 1});
    EXPECT_EQ(at(1, 5, 99, 0), 255);  // brighter below: 300 + 128, clamped
    EXPECT_EQ(at(1, 5, 100, 0), 255);
    EXPECT_EQ(at(1, 5, 150, 0), 128);
    EXPECT_EQ(at(1, 5, 0, 0), 0);  // row 255 above row 0 is bright: -300 + 128, clamped
}

}  // namespace
}  // namespace lumen::testing
