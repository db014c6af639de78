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
    std::vector<float> expected = {0.0f, 1.0f / 6, 1.0f / 3, 2.0f / 3, 2.0f / 3 + 1.0f / 12, 2.0f / 3 + 2.0f / 12,
                                   2.0f / 3 + 3.0f / 12};
    ASSERT_EQ(p.size(), expected.size());
    for (std::size_t i = 0; i < p.size(); ++i) EXPECT_FLOAT_EQ(p[i], expected[i]) << "report " << i;
    // Single precision throughout: k * (1/T) / K + (i - 1) / T.
    const float third = 1.0f / 3.0f;
    EXPECT_EQ(p[1], 1.0f * third / 2.0f + 0.0f / 3.0f);
    EXPECT_EQ(p[6], 3.0f * third / 4.0f + 2.0f / 3.0f);
    EXPECT_LT(p.back(), 1.0f);
}

TEST(TextureSection, ProgramsWithoutOperationsReportNothing) {
    EXPECT_TRUE(progressOf("pack width 2 textureCount -3\n").empty());
    std::vector<float> p = progressOf("pack width 2\ntexture id 1 opCount -1\nend\ntexture id 2\n op 0 layer 0\nend\n");
    ASSERT_EQ(p.size(), 1u);
    EXPECT_FLOAT_EQ(p[0], 0.5f);
}

TEST(TextureSection, TextRecordWithEmptyTextConsumesTenBytes) {
    // Header, T = 1, id, K = 2, a code-7 record with L = 0, a code-0 record.
    std::vector<uint8_t> bytes = {2, 1, 9, 2, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    LoadFixture f;
    EXPECT_EQ(f.loader.loadTexturesOnly(bytes, f.lists), bytes.size());
    ASSERT_NE(f.lists.textures, nullptr);
    EXPECT_EQ(f.lists.textures->id, 9);
    EXPECT_EQ(f.lists.textures->textSlots[0][0], 0);
    // Any other code consumes exactly nine.
    std::vector<uint8_t> plain = {2, 1, 9, 1, 31, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(f.loader.loadTexturesOnly(plain, f.lists), plain.size());
}

TEST(TextureSection, TextGoesIntoTheSlotOfItsRecordIndex) {
    LoadFixture f;
    auto bytes = assemble("pack width 2\ntexture id 4\n op 0 layer 0\n op Text layer 1 font 0 height 20 x 0 y 0 italic 0 bold 0 slot 1 text \"90\"\nend\n");
    f.loader.loadTexturesOnly(bytes, f.lists);
    EXPECT_STREQ(f.lists.textures->textSlots[1], "90");
    EXPECT_EQ(f.lists.textures->textSlots[0][0], 0);
}

TEST(TextureSection, TextBeyondTheHundredSlotsIsReadPastSafely) {
    std::string source = "pack width 2\ntexture id 1\n";
    for (int k = 0; k < 100; ++k) source += " op 0 layer 0\n";
    source += " op Text layer 0 font 0 height 0 x 0 y 0 italic 0 bold 0 slot 100 text \"lost\"\n op 0 layer 0\nend\n";
    LoadFixture f;
    std::vector<float> seen;
    f.loader.setProgress([&](float p) { seen.push_back(p); });
    auto bytes = assemble(source);
    EXPECT_EQ(f.loader.loadTexturesOnly(bytes, f.lists), bytes.size() - 4);  // M, S, E follow
    EXPECT_EQ(seen.size(), 102u);
}

TEST(TextureSection, TruncatedProgramStopsWithSectionAndOffset) {
    std::vector<uint8_t> bytes = {2, 1, 9, 2, 31, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0};
    LoadFixture f;
    try {
        f.loader.loadTexturesOnly(bytes, f.lists);
        FAIL() << "no error";
    } catch (const PackError& e) {
        EXPECT_EQ(e.section(), "texture section");
        EXPECT_EQ(e.offset(), 13u);
    }
    // The bytes are read whole before anything is built: nothing was added.
    EXPECT_EQ(f.lists.textures, nullptr);
}

TEST(TextureSection, LaterTextureWithTheSameIdWins) {
    LoadFixture f;
    f.load(R"(pack width 2
        texture id 5
          op Invert layer 0
        end
        texture id 5
        end)");
    const Texture* found = findTexture(f.lists.textures, 5);
    ASSERT_NE(found, nullptr);
    // The later program has no operations: its layer 0 is still black.
    EXPECT_EQ(found->layers[0][0], 0);
    EXPECT_EQ(found->next->layers[0][0], 255);
}

TEST(ImageSection, RecordsKeepTheirBytesAndTheLaterSameIdWins) {
    LoadFixture f;
    f.load(R"(pack width 2
        texture id 5
          op Invert layer 2
        end
        image imageId 7 sourceTexture 5 sourceLayer 0 ignored 1 2 3
        image imageId 7 sourceTexture 5 sourceLayer 2 ignored 9 9 9
        image imageId 8 sourceTexture 5 sourceLayer 2)");
    const UploadedImage* seven = findUploadedImage(f.lists.images, 7);
    ASSERT_NE(seven, nullptr);
    EXPECT_EQ(seven->sourceLayer, 2);
    EXPECT_EQ(seven->ignored[0], 9);
    // Ignored bytes have no effect on the picture; alpha is forced opaque.
    const UploadedImage* eight = findUploadedImage(f.lists.images, 8);
    EXPECT_EQ(std::memcmp(seven->pixels, eight->pixels, kLayerBytes), 0);
    EXPECT_EQ(seven->pixels[0], 255);
    EXPECT_EQ(seven->pixels[3], 255);
    EXPECT_EQ(seven->next->pixels[0], 0);  // the first record, layer 0
    EXPECT_EQ(seven->next->pixels[3], 255);
}

}  // namespace
}  // namespace lumen
