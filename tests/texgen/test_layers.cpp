// Mix, Multiply, Add, Lighten, Modulate and MaskBlend.
#include "texgen_fixture.h"

namespace lumen::testing {
namespace {

using Layers = TexgenTest;

// Every value 0..255 along the row in all colour channels.
void fillRamp(TexgenTest& t, Texture& tex, int n) {
    (void)t;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            for (int c = 0; c < 4; ++c) tex.layers[n][(size_t(y) * 256 + size_t(x)) * 4 + size_t(c)] = uint8_t(x);
}

const int kOneLower[] = {33, 37, 41, 45, 49, 53, 57, 61, 66, 74, 82, 90,
                         98, 106, 114, 122, 132, 148, 164, 180, 196, 212, 228, 244};

TEST_F(Layers, MixAtTheEndsLosesOneOnExactlyTwentyFourValues) {
    fillRamp(*this, *tex, 1);
    fillUniform(0, 0, 0, 0, 9);
    run({kOpMix, 0, 1, 0});  // take the source
    fillRamp(*this, *tex, 2);
    run({kOpMix, 2, 3, 255});  // keep the target (layer 3 is black)
    for (int v = 0; v < 256; ++v) {
        const bool lower = std::find(std::begin(kOneLower), std::end(kOneLower), v) != std::end(kOneLower);
        EXPECT_EQ(at(0, v, 7, 1), lower ? v - 1 : v) << v;
        EXPECT_EQ(at(2, v, 7, 0), lower ? v - 1 : v) << v;
    }
    EXPECT_EQ(at(0, 100, 7, 3), 9);
}

TEST_F(Layers, MixBlendsByTheWeight) {
    fillUniform(0, 200, 0, 100, 0);
    fillUniform(1, 0, 200, 100, 0);
    run({kOpMix, 0, 1, 51});  // 20 % target
    EXPECT_EQ(at(0, 0, 0, 0), 40);
    EXPECT_EQ(at(0, 0, 0, 1), 160);
    EXPECT_EQ(at(0, 0, 0, 2), 100);
}

TEST_F(Layers, ExactProductsReproduceTheirInput) {
    fillPattern(0);
    auto before = copyOf(0);
    fillUniform(1, 255, 255, 255, 0);
    run({kOpMultiply, 0, 1});
    EXPECT_TRUE(layerEquals(0, before));
    fillPattern(2);
    fillUniform(3, 255, 0, 0, 0);
    run({kOpMaskBlend, 0, 2, 3, 0});  // mask 255 keeps the target
    EXPECT_TRUE(layerEquals(0, before));
    run({kOpMaskBlend, 0, 2, 3, 1});  // mask 0 takes the source
    for (int c = 0; c < 3; ++c) EXPECT_EQ(channelDiffs(0, std::vector<uint8_t>(layer(2), layer(2) + kLayerBytes), c), 0);
    EXPECT_EQ(channelDiffs(0, before, 3), 0);
}

TEST_F(Layers, MultiplyAddAndLightenArithmetic) {
    fillUniform(0, 128, 200, 10, 5);
    fillUniform(1, 128, 100, 20, 6);
    auto target = copyOf(0);
    run({kOpMultiply, 0, 1});
    EXPECT_EQ(at(0, 0, 0, 0), 64);
    EXPECT_EQ(at(0, 0, 0, 1), 78);
    EXPECT_EQ(at(0, 0, 0, 3), 5);

    fillUniform(0, 128, 200, 10, 5);
    run({kOpAdd, 0, 0});  // a layer onto itself doubles, saturating
    EXPECT_EQ(at(0, 0, 0, 0), 255);
    EXPECT_EQ(at(0, 0, 0, 2), 20);
    EXPECT_EQ(at(0, 0, 0, 3), 5);

    fillUniform(0, 128, 200, 10, 5);
    run({kOpLighten, 0, 1});
    EXPECT_EQ(at(0, 0, 0, 0), 128);
    EXPECT_EQ(at(0, 0, 0, 1), 200);
    EXPECT_EQ(at(0, 0, 0, 2), 20);
    fillPattern(2);
    auto before = copyOf(2);
    run({kOpLighten, 2, 2});
    EXPECT_TRUE(layerEquals(2, before));
}

TEST_F(Layers, ModulateDarkensOrLightensByTheMask) {
    fillPattern(0);
    auto before = copyOf(0);
    fillUniform(1, 127, 255, 0, 64);
    run({kOpModulate, 0, 1, 0});
    EXPECT_TRUE(layerEquals(0, before));
    run({kOpModulate, 0, 1, 1});
    EXPECT_EQ(at(0, 3, 3, 0), 255);
    EXPECT_EQ(at(0, 200, 3, 2), 255);
    EXPECT_EQ(channelDiffs(0, before, 3), 0);
    run({kOpModulate, 0, 1, 2});
    EXPECT_EQ(at(0, 3, 3, 1), 0);

    fillUniform(2, 100, 100, 100, 0);
    run({kOpModulate, 2, 1, 3});  // about half as bright
    EXPECT_EQ(at(2, 0, 0, 0), int(100 * double(float(64 * 0.007874015748031496))));
    fillUniform(2, 100, 100, 100, 191);
    run({kOpModulate, 2, 2, 3});  // lighter: 255 - trunc(155 * 64/127)
    EXPECT_EQ(at(2, 0, 0, 0), 255 - int(155 * (64 * 0.007874015748031496)));
}

TEST_F(Layers, MaskBlendRereadsAMaskThatIsTheTargetsOwnChannel) {
    fillUniform(0, 255, 0, 0, 0);
    fillUniform(1, 0, 255, 0, 0);
    // Mask is the target's red channel: red blends first with mask 255 (kept),
    // so green and blue also see 255 and keep the target.
    run({kOpMaskBlend, 0, 1, 0, 0});
    EXPECT_EQ(at(0, 0, 0, 0), 255);
    EXPECT_EQ(at(0, 0, 0, 1), 0);

    fillUniform(2, 0, 0, 0, 0);
    fillUniform(3, 255, 255, 255, 0);
    // Mask is layer 2's red: red takes the source (255), and the next channels
    // see mask 255 and keep layer 2's own 0.
    run({kOpMaskBlend, 2, 3, 2, 0});
    EXPECT_EQ(at(2, 0, 0, 0), 255);
    EXPECT_EQ(at(2, 0, 0, 1), 0);
    EXPECT_EQ(at(2, 0, 0, 2), 0);
}

}  // namespace
}  // namespace lumen::testing
