// The Text operation: placement of the character cell, the transposed addition,
// the read-back left in the scratch image, and face resolution.
#include "platform/font_rasterizer.h"
#include "texgen_fixture.h"

namespace lumen::testing {
namespace {

class Text : public TexgenTest {
protected:
    void SetUp() override {
        if (!gen->fontRasterizer()) GTEST_SKIP() << "no fonts installed";
    }

    void setText(int slot, const char* text) { std::snprintf(tex->textSlots[slot], kTextSlotBytes, "%s", text); }

    struct Box {
        int minRow = 256, maxRow = -1, minCol = 256, maxCol = -1, lit = 0;
    };
    Box litBox(int n) {
        Box b;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                if (at(n, x, y, 0) > 0) {
                    b.minRow = std::min(b.minRow, y), b.maxRow = std::max(b.maxRow, y);
                    b.minCol = std::min(b.minCol, x), b.maxCol = std::max(b.maxCol, x);
                    ++b.lit;
                }
        return b;
    }
};

TEST_F(Text, OriginZeroLandsInTheFirstRowsAndColumnsAndRunsDownTheRows) {
    setText(0, "WWWWWW");
    run({kOpText, 0, 0, 24, 0, 0, 0, 0, 0});
    const Box b = litBox(0);
    ASSERT_GT(b.lit, 0);
    EXPECT_LE(b.minRow, 3);
    EXPECT_LE(b.minCol, 8);
    EXPECT_GT(b.maxRow, 80);  // six wide letters along the rows
    EXPECT_LT(b.maxCol, 24);  // within one cell across the columns
}

TEST_F(Text, GlyphsStayInsideTheCellBelowTheOrigin) {
    setText(3, "Hg|");
    run({kOpText, 1, 6, 40, 30, 100, 0, 0, 3});
    const Box b = litBox(1);
    ASSERT_GT(b.lit, 0);
    // Bitmap rows (y from the origin) are layer columns.
    EXPECT_GE(b.minCol, 100);
    EXPECT_LT(b.maxCol, 140);
    EXPECT_GT(b.maxCol, 125);  // the descender reaches well below the baseline
    EXPECT_GE(b.minRow, 30);
    EXPECT_LT(b.minRow, 40);
}

TEST_F(Text, TwoDrawsAddUpAndWhiteStaysWhite) {
    setText(0, "Lumen");
    run({kOpText, 0, 0, 40, 10, 10, 0, 1, 0});
    auto once = copyOf(0);
    run({kOpText, 0, 0, 40, 10, 10, 0, 1, 0});
    int brighter = 0, wrong = 0;
    for (size_t i = 0; i < kLayerBytes; i += 4) {
        const int o = once[i];
        if (o > 0 && o < 255) brighter += layer(0)[i] > o;
        wrong += layer(0)[i] != std::min(255, 2 * o);
    }
    EXPECT_GT(brighter, 10);
    EXPECT_EQ(wrong, 0);

    fillUniform(2, 255, 255, 255, 7);
    const auto white = copyOf(2);
    setText(1, "Lumen");
    run({kOpText, 2, 0, 40, 10, 10, 0, 1, 1});
    EXPECT_TRUE(layerEquals(2, white));
}

TEST_F(Text, ReadBackLeavesTheBitmapBottomUpWithZeroAlphaInTheScratch) {
    std::memset(gen->scratch(), 0xEE, kLayerBytes);
    setText(0, "|");
    run({kOpText, 0, 0, 60, 20, 0, 0, 0, 0});
    int alphaSet = 0;
    for (size_t i = 3; i < kLayerBytes; i += 4) alphaSet += gen->scratch()[i] != 0;
    EXPECT_EQ(alphaSet, 0);
    // Layer pixel (column Y, row X) came from bitmap (X, Y) = scratch (X, 255 - Y).
    for (int X = 0; X < 256; ++X)
        for (int Y = 0; Y < 256; ++Y) ASSERT_EQ(at(0, Y, X, 1), scratchAt(X, 255 - Y, 1));

    // A copy-back operation right after gives its target that zero alpha.
    fillUniform(1, 1, 2, 3, 200);
    run({kOpEmboss, 1});
    EXPECT_EQ(at(1, 30, 30, 3), 0);
}

TEST_F(Text, EmptyTextLeavesTheLayerUnchanged) {
    fillPattern(0);
    auto before = copyOf(0);
    run({kOpText, 0, 3, 100, 0, 0, 0, 0, 5});
    EXPECT_TRUE(layerEquals(0, before));
    EXPECT_EQ(scratchCopy(), std::vector<uint8_t>(kLayerBytes, 0));
}

TEST_F(Text, EveryFaceOfTheFontTableResolvesToAnInstalledFont) {
    platform::FontRasterizer* fonts = gen->fontRasterizer();
    for (int i = 0; i < kFontCount; ++i)
        EXPECT_FALSE(fonts->resolve(gen->fontName(i), false, false).file.empty()) << gen->fontName(i);
    EXPECT_FALSE(fonts->resolve("No Such Face Anywhere", false, false).file.empty());
}

}  // namespace
}  // namespace lumen::testing
