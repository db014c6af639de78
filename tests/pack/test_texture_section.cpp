// Texture and image sections: progress after every operation, text records,
// and which of two same-id items a lookup finds.
#include <gtest/gtest.h>

#include <cstring>

#include "pack_test_support.h"

namespace lumen {
namespace {

using testing::assemble;
using testing::LoadFixture;

std::vector<float> progressOf(const std::string& source) {
    LoadFixture f;
    std::vector<float> seen;
    f.loader.setProgress([&](float p) { seen.push_back(p); });
    f.load(source);
    return seen;
}

TEST(TextureSection, ProgressGivesEachProgramAnEqualShare) {
    // Code 0 records do nothing, so only the progress is observed.
    std::vector<float> p = progressOf(R"(pack width 2
        texture id 1
          op 0 layer 0
          op 0 layer 0
        end
        texture id 2
          op 0 layer 0
        end
        texture id 3
          op 0 layer 0
          op 0 layer 0
          op 0 layer 0
          op 0 layer 0
        end)");
    std::vector<float> expected = {
        0.0f, 1.0f / 6, 1.0f / 3, 2.0f / 3, 2.0f / 3 + 1.0f / 12, 2.0f / 3 + 2.0f / 12, 2.0f / 3 + 3.0f / 12};
    ASSERT_EQ(p.size(), expected.size());
    for (std::size_t i = 0; i < p.size(); ++i) EXPECT_FLOAT_EQ(p[i], expected[i]) << "report " << i;
    // Single precision throughout: k * (1/T) / K + (i - 1) / T.
    EXPECT_EQ(p[6], 3.0f * (1.0f / 3.0f) / 4.0f + 2.0f / 3.0f);
    // Programs without operations report nothing.
    EXPECT_TRUE(progressOf("pack width 2 textureCount -3\n").empty());
    EXPECT_EQ(progressOf("pack width 2\ntexture id 1 opCount -1\nend\ntexture id 2\n op 0 layer 0\nend\n"),
              std::vector<float>{0.5f});
}

// Text goes into the slot of its record's index; past the hundredth record it
// is read and dropped.
TEST(TextureSection, TextGoesIntoTheSlotOfItsRecordIndexUpToAHundred) {
    const std::string text = " op Text layer 0 font 0 height 0 x 0 y 0 italic 0 bold 0 slot 0 text ";
    std::string source = "pack width 2\ntexture id 1\n op 0 layer 0\n" + text + "\"90\"\n";
    for (int k = 2; k < 100; ++k) source += " op 0 layer 0\n";
    source += text + "\"lost\"\n op 0 layer 0\nend\n";
    LoadFixture f;
    auto bytes = assemble(source);
    EXPECT_EQ(f.loader.loadTexturesOnly(bytes, f.lists), bytes.size() - 4);  // M, S, E follow
    EXPECT_STREQ(f.lists.textures->textSlots[1], "90");
    EXPECT_EQ(f.lists.textures->textSlots[0][0], 0);
    EXPECT_EQ(f.lists.textures->textSlots[99][0], 0);
}

TEST(TextureSection, TruncatedProgramStopsWithSectionAndOffset) {
    std::vector<uint8_t> bytes = {2, 1, 9, 2, 31, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0};
    LoadFixture f;
    const auto e = testing::packErrorOf([&] { f.loader.loadTexturesOnly(bytes, f.lists); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->section(), "texture section");
    EXPECT_EQ(e->offset(), 13u);
    // The bytes are read whole before anything is built: nothing was added.
    EXPECT_EQ(f.lists.textures, nullptr);
}

TEST(TextureAndImageSections, TheLaterSameIdWinsAndImagesKeepTheirBytes) {
    LoadFixture f;
    f.load(R"(pack width 2
        texture id 5
          op Invert layer 2
        end
        texture id 6
          op Invert layer 0
        end
        texture id 6
        end
        image imageId 7 sourceTexture 5 sourceLayer 0 ignored 1 2 3
        image imageId 7 sourceTexture 5 sourceLayer 2 ignored 9 9 9
        image imageId 8 sourceTexture 5 sourceLayer 2)");
    const Texture* six = findTexture(f.lists.textures, 6);
    ASSERT_NE(six, nullptr);
    EXPECT_EQ(six->layers[0][0], 0);  // the later program has no operations
    EXPECT_EQ(six->next->layers[0][0], 255);
    const UploadedImage* seven = findUploadedImage(f.lists.images, 7);
    ASSERT_NE(seven, nullptr);
    EXPECT_EQ(seven->ignored[0], 9);
    // Ignored bytes have no effect on the picture; alpha is forced opaque.
    const UploadedImage* eight = findUploadedImage(f.lists.images, 8);
    EXPECT_EQ(std::memcmp(seven->pixels, eight->pixels, kLayerBytes), 0);
    EXPECT_EQ(seven->pixels[0], 255);
    EXPECT_EQ(seven->pixels[3], 255);
    EXPECT_EQ(seven->next->pixels[0], 0);  // the first record, layer 0
}

}  // namespace
}  // namespace lumen
