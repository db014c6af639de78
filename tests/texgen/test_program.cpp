// Whole programs and the rules every operation shares: the dispatcher's table,
// refused indices, the finders and the upload.
#include "platform/gl.h"
#include "support/headless_gl.h"
#include "texgen/texture_op_table.h"
#include "texgen_fixture.h"

namespace lumen::testing {
namespace {

using Program = TexgenTest;

// Unknown codes, and for every operation and every index byte its row names
// one value past the range: the record changes no layer, scratch or random state.
TEST_F(Program, UnknownCodesAndOutOfRangeIndicesChangeNothing) {
    for (int n = 0; n < 4; ++n) fillPattern(n);
    std::memset(gen->scratch(), 0x33, kLayerBytes);
    const auto before = std::vector<uint8_t>(&tex->layers[0][0], &tex->layers[0][0] + 4 * kLayerBytes);
    const auto scratch = scratchCopy();
    random.srand(5);
    std::vector<std::pair<TextureOp, std::string>> records;
    for (int code : {0, 8, 9, 13, 14, 16, 19, 20, 21, 22, 28, 29, 40, 99, 255})
        records.push_back({TextureOp{{uint8_t(code), 1, 1, 2, 3, 4, 5, 6, 7}}, "code " + std::to_string(code)});
    for (const TextureOpInfo& info : textureOpTable()) {
        for (int i = 0; i < 8; ++i) {
            int limit = 0;
            switch (info.params[i].role) {
                case OpByteRole::Layer: limit = kOpLayerCount; break;
                case OpByteRole::Channel:
                case OpByteRole::ChannelIfModeSet: limit = kOpChannelCount; break;
                case OpByteRole::Font: limit = kOpFontCount; break;
                case OpByteRole::TextSlot: limit = kOpTextSlotCount; break;
                default: continue;
            }
            TextureOp op{{info.code, 0, 1, 1, 1, 1, 1, 1, 1}};
            op.b[i + 1] = uint8_t(limit);
            records.push_back({op, std::string(info.name) + " byte " + std::to_string(i + 1)});
        }
    }
    EXPECT_GE(records.size(), 15u + 40u);
    for (const auto& [op, what] : records) {
        gen->applyTextureOp(*tex, op);
        ASSERT_EQ(std::memcmp(before.data(), tex->layers, 4 * kLayerBytes), 0) << what;
        ASSERT_EQ(scratchCopy(), scratch) << what;
        ASSERT_EQ(random.state(), 5u) << what;
    }
}

TEST_F(Program, FreshTextureIsBlackAndTransparent) {
    std::vector<uint8_t> zero(kLayerBytes, 0);
    for (int n = 0; n < 4; ++n) EXPECT_TRUE(layerEquals(n, zero));
    EXPECT_EQ(tex->next, nullptr);
    EXPECT_EQ(tex->textSlots[99][0], 0);
    EXPECT_EQ(scratchCopy(), zero);  // a new generator's scratch image
}

TEST_F(Program, FindersReturnTheNewestMatchOrNull) {
    auto a = createTexture(), b = createTexture(), c = createTexture();
    a->id = 5, b->id = 7, c->id = 5;
    c->next = b.get(), b->next = a.get();
    EXPECT_EQ(findTexture(c.get(), 5), c.get());
    EXPECT_EQ(findTexture(c.get(), 7), b.get());
    EXPECT_EQ(findTexture(c.get(), 6), nullptr);
    EXPECT_EQ(findTexture(static_cast<Texture*>(nullptr), 5), nullptr);

    auto i1 = createUploadedImage(), i2 = createUploadedImage();
    i1->imageId = 3, i2->imageId = 3;
    i2->next = i1.get();
    EXPECT_EQ(findUploadedImage(i2.get(), 3), i2.get());
    EXPECT_EQ(findUploadedImage(i2.get(), 4), nullptr);
}

// The first texture program of the loader pack: a grey sine with doubled
// contrast on layer 0 and three blurred percentage figures on layers 1 to 3.
TEST_F(Program, LoaderPackFirstProgram) {
    const std::vector<int> records[] = {
        {kOpSinePlasma, 0, 1, 0, 197, 0, 0, 0, 0},
        {kOpGradientMap, 0, 0, 0, 255, 0, 255, 0, 255},
        {kOpContrast, 0, 64},
        {kOpText, 2, 3, 157, 35, 45, 0, 0, 3},
        {kOpBlur, 2, 4},
        {kOpText, 1, 3, 157, 35, 45, 0, 0, 5},
        {kOpText, 3, 3, 157, 35, 45, 0, 0, 6},
        {kOpBlur, 1, 4},
        {kOpBlur, 3, 4},
    };
    std::strcpy(tex->textSlots[3], "100");
    std::strcpy(tex->textSlots[5], "90");
    std::strcpy(tex->textSlots[6], "80");
    for (const auto& r : records) run(r);

    // Layer 0: every row the same grey sine; the values are worked out by hand
    // from the three formulas (one period across, the trough clipping at 0).
    for (int x = 0; x < 256; ++x) {
        for (int y = 1; y < 256; y += 17) ASSERT_EQ(at(0, x, y, 0), at(0, x, 0, 0));
        for (int c : {1, 2}) ASSERT_EQ(at(0, x, 0, 0), at(0, x, 0, c)) << x;
        EXPECT_EQ(at(0, x, 0, 3), 0);
    }
    for (const auto& [x, grey] : {std::pair{0, 0}, {4, 2}, {60, 128}, {120, 252}, {200, 86}})
        EXPECT_EQ(at(0, x, 0, 0), grey) << x;

    if (!gen->fontRasterizer()) GTEST_SKIP() << "no fonts installed";
    for (int n = 1; n <= 3; ++n) {
        int lit = 0, partial = 0, grey = 0;
        for (size_t i = 0; i < kLayerBytes; i += 4) {
            lit += layer(n)[i] > 0;
            partial += layer(n)[i] > 0 && layer(n)[i] < 200;
            grey += layer(n)[i] == layer(n)[i + 1] && layer(n)[i] == layer(n)[i + 2];
            ASSERT_EQ(layer(n)[i + 3], 0);
        }
        EXPECT_GT(lit, 2000) << n;
        EXPECT_GT(partial, 1000) << n;  // blurred edges
        EXPECT_EQ(grey, 65536) << n;
        // Down the rows from row 35: the figures run along the layer's rows.
        EXPECT_EQ(at(n, 45 + 60, 10, 0), 0) << n;
    }
}

using Upload = TexgenTest;

TEST_F(Upload, ImagesAreOpaqueIndependentCopiesWithMipmaps) {
    auto display = openHeadlessDisplay(64, 64);
    ASSERT_TRUE(display);
    tex->id = 12;
    run({kOpNoise, 1, 0, 0, 1, 1, 1, 1});

    auto a = createUploadedImage(), b = createUploadedImage();
    a->sourceTexture = b->sourceTexture = 12;
    a->sourceLayer = b->sourceLayer = 1;
    ASSERT_TRUE(uploadImage(*a, tex.get()));
    ASSERT_TRUE(uploadImage(*b, tex.get()));
    EXPECT_NE(a->glName, b->glName);
    EXPECT_NE(a->glName, 0u);
    EXPECT_EQ(std::memcmp(a->pixels, b->pixels, kLayerBytes), 0);
    EXPECT_EQ(a->pixels[4 * 300], tex->layers[1][4 * 300]);
    for (size_t i = 3; i < kLayerBytes; i += 4) ASSERT_EQ(a->pixels[i], 255);  // opaque

    std::vector<uint8_t> level0(kLayerBytes), level8(4);
    glBindTexture(GL_TEXTURE_2D, a->glName);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, level0.data());
    glGetTexImage(GL_TEXTURE_2D, 8, GL_RGBA, GL_UNSIGNED_BYTE, level8.data());
    EXPECT_EQ(std::memcmp(level0.data(), a->pixels, kLayerBytes), 0);
    EXPECT_EQ(level8[3], 255);  // the full chain down to 1 x 1 exists
    GLint minFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    auto missing = createUploadedImage();
    missing->sourceTexture = 13;
    EXPECT_FALSE(uploadImage(*missing, tex.get()));
    EXPECT_EQ(missing->pixels[3], 255);
    EXPECT_EQ(missing->pixels[0], 0);
}

}  // namespace
}  // namespace lumen::testing
