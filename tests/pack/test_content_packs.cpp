// The packs built into the program: each walks to its exact last byte, its
// source form names every field, and the loader pack opens with the figures.
#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "content/packs.h"
#include "pack_test_support.h"

namespace lumen {
namespace {

using testing::LoadFixture;

// True when the text holds a bare byte field: the word "b" and one digit.
bool hasBareByteField(const std::string& text) {
    auto word = [&](size_t i) { return i < text.size() && (std::isalnum(uint8_t(text[i])) || text[i] == '_'); };
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == 'b' && std::isdigit(uint8_t(text[i + 1])) && (i == 0 || !word(i - 1)) && !word(i + 2))
            return true;
    }
    return false;
}

TEST(ContentPacks, SectionsEndAtTheirLastByteAndTheSourceFormNamesEveryField) {
    for (const auto& [name, bytes] :
         {std::pair{"loader", content::loaderPack()}, std::pair{"main", content::mainPack()}}) {
        SCOPED_TRACE(name);
        PackModel model = readPackModel(bytes);
        // The sections follow each other with no gap and end at the last byte.
        EXPECT_EQ(model.header.end, 1u);
        EXPECT_EQ(model.textureSection.begin, model.header.end);
        EXPECT_EQ(model.imageSection.begin, model.textureSection.end);
        EXPECT_EQ(model.sceneSection.begin, model.imageSection.end);
        EXPECT_EQ(model.timelineSection.begin, model.sceneSection.end);
        EXPECT_EQ(model.timelineSection.end, bytes.size());
        // The texture programs alone end where the model says.
        LoadFixture f;
        EXPECT_EQ(f.loader.loadTexturesOnly(bytes, f.lists), model.textureSection.end);
        // And the source form reproduces the bytes, naming every field: no bare bN.
        const std::string source = disassemblePack(model);
        EXPECT_FALSE(hasBareByteField(source)) << source;
        std::vector<uint8_t> again = assemblePack(source, "content");
        EXPECT_TRUE(std::equal(again.begin(), again.end(), bytes.begin(), bytes.end()));
    }
}

TEST(ContentPacks, LoaderPackOpensWithTheFigureProgram) {
    PackModel m = readPackModel(content::loaderPack());
    ASSERT_FALSE(m.textures.empty());
    const auto& ops = m.textures[0].ops;
    ASSERT_EQ(ops.size(), 9u);
    const int codes[9] = {2, 37, 30, 7, 15, 7, 7, 15, 15};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(ops[k].b[0], codes[k]) << k;
    EXPECT_EQ(std::string(ops[5].text.begin(), ops[5].text.end()), "90");
}

TEST(ContentPacks, MainPackUsesEverySectionAndEventKind) {
    LoadFixture f;
    f.load(std::vector<uint8_t>(content::mainPack().begin(), content::mainPack().end()));
    EXPECT_NE(f.lists.textures, nullptr);
    EXPECT_NE(f.lists.images, nullptr);
    std::set<int> kinds;
    for (const TimelineEvent* e = f.lists.eventsHead; e; e = e->next) {
        kinds.insert(e->type);
        if (e->type == kEventSceneView) {
            EXPECT_NE(e->scene, nullptr);
            EXPECT_NE(e->camera, nullptr);
        }
    }
    for (int k = 1; k <= 6; ++k) EXPECT_TRUE(kinds.count(k)) << "kind " << k;
    std::set<uint32_t> types;
    for (const Scene& s : f.lists.scenes) {
        for (int o = 0; o < s.objectCount; ++o) types.insert(s.objects[o].type());
    }
    for (uint32_t t : {1u, 3u, 6u, 7u, 9u, 10u, 11u, 12u, 15u, 104u}) EXPECT_TRUE(types.count(t)) << "type " << t;
}

}  // namespace
}  // namespace lumen
