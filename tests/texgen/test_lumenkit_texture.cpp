// lumenkit texture: the raw and PNG layers it writes match the generator run in
// process with one shared scratch image, and bad packs fail naming the offset.
#include <fstream>
#include <string>

#include "support/picture.h"
#include "support/tool_run.h"
#include "texgen_fixture.h"

namespace lumen::testing {
namespace {

std::string tempPath(const std::string& name) { return std::string(LUMEN_BINARY_DIR) + "/tests/texgen/" + name; }

// Writes a pack under the test directory and returns its path.
std::string writePack(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = tempPath(name);
    writeBytes(path, bytes);
    return path;
}

// Two programs; the second's Emboss takes its alpha from the Noise the first
// one left in the scratch image.
const std::vector<std::vector<uint8_t>> kFirst = {
    {kOpNoise, 0, 3, 0, 1, 2, 3, 4},
    {kOpCells, 1, 0, 20, 30, 0, 0, 0, 9},
};
const std::vector<std::vector<uint8_t>> kSecond = {
    {kOpSinePlasma, 2, 3, 1, 0, 0, 0, 0, 1},
    {kOpEmboss, 2},
};

std::vector<uint8_t> buildPack() {
    std::vector<uint8_t> pack = {4, 2};
    for (auto [id, program] : {std::pair{3, &kFirst}, std::pair{8, &kSecond}}) {
        pack.push_back(uint8_t(id));
        pack.push_back(uint8_t(program->size()));
        for (auto record : *program) {
            record.resize(9, 0);
            pack.insert(pack.end(), record.begin(), record.end());
        }
    }
    return pack;
}

// One run writes a raw layer, a PNG layer and every layer of both textures:
// each holds the generator's pixels, the second program's from the scratch the
// first one left.
TEST(LumenkitTexture, RawPngAndAllHoldTheGeneratorsLayersWithTheScratchShared) {
    const std::string pack = writePack("two_programs.pack", buildPack()), dir = tempPath("all_layers");
    const std::string raw = tempPath("tex8_l2.raw"), png = tempPath("tex8_l2.png");
    std::remove(raw.c_str());
    const CommandResult r =
        runLumenkit("texture " + pack + " --id 8 --layer 2 --raw " + raw + " --png " + png + " --all " + dir);
    ASSERT_EQ(r.status, 0) << r.output;

    RuntimeRandom random;
    auto gen = initTextureGenerator(random);
    auto first = createTexture(), second = createTexture();
    for (const auto* program : {&kFirst, &kSecond})
        for (auto record : *program) {
            TextureOp op{};
            std::copy(record.begin(), record.end(), op.b);
            gen->applyTextureOp(program == &kFirst ? *first : *second, op);
        }
    const auto layerOf = [&](int id, int n) {
        const uint8_t* l = (id == 3 ? first : second)->layers[n];
        return std::vector<uint8_t>(l, l + kLayerBytes);
    };
    EXPECT_EQ(readBytes(raw), layerOf(8, 2));
    EXPECT_NE(layerOf(8, 2)[3], 0);  // alpha from the first program's noise
    const Picture p = readPngPicture(png);  // --png writes the chosen layer: id 8, layer 2
    EXPECT_EQ(std::pair(p.width, p.height), std::pair(256, 256));
    EXPECT_EQ(p.pixels, layerOf(8, 2));
    const std::vector<uint8_t> head = readBytes(png);  // IHDR: 8 bits, colour type 6 (RGBA)
    EXPECT_EQ(std::pair(head.at(24), head.at(25)), std::pair(uint8_t(8), uint8_t(6)));
    for (int id : {3, 8})
        for (int n = 0; n < 4; ++n) {
            const std::string name = dir + "/tex" + std::to_string(id) + "_l" + std::to_string(n) + ".png";
            EXPECT_EQ(readPngPicture(name).pixels, layerOf(id, n)) << name;
        }
}

TEST(LumenkitTexture, TruncatedPackAndMissingIdFailWithWhereAndWhat) {
    std::vector<uint8_t> bytes = buildPack();
    bytes.resize(20);
    const std::string pack = writePack("truncated.pack", bytes);
    CommandResult r = runLumenkit("texture " + pack + " --id 3 --layer 0 --raw " + tempPath("never.raw"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("truncated.pack"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("byte 13"), std::string::npos) << r.output;

    const std::string good = writePack("two_programs_b.pack", buildPack());
    r = runLumenkit("texture " + good + " --id 5 --layer 0 --raw " + tempPath("never.raw"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("no texture with id 5"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace lumen::testing
