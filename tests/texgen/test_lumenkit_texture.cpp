// lumenkit texture: the raw layer it writes matches the generator run in
// process with one shared scratch image, and bad packs fail naming the offset.
#include <fstream>
#include <string>

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

TEST(LumenkitTexture, RawLayerMatchesTheGeneratorWithTheScratchShared) {
    const std::string pack = writePack("two_programs.pack", buildPack()), raw = tempPath("tex8_l2.raw");
    std::remove(raw.c_str());
    const CommandResult r = runLumenkit("texture " + pack + " --id 8 --layer 2 --raw " + raw);
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
    const std::vector<uint8_t> bytes = readBytes(raw);
    ASSERT_EQ(bytes.size(), kLayerBytes);
    EXPECT_EQ(std::memcmp(bytes.data(), second->layers[2], kLayerBytes), 0);
    EXPECT_NE(bytes[3], 0);  // alpha from the first program's noise
}

TEST(LumenkitTexture, PngAndAllWriteRgbaPicturesNamedByIdAndLayer) {
    const std::string pack = writePack("two_programs_png.pack", buildPack()), png = tempPath("tex3_l1.png");
    const std::string dir = tempPath("all_layers");
    const CommandResult r = runLumenkit("texture " + pack + " --id 3 --layer 1 --png " + png + " --all " + dir);
    ASSERT_EQ(r.status, 0) << r.output;
    const std::vector<uint8_t> bytes = readBytes(png);
    ASSERT_GT(bytes.size(), 33u);
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_EQ(std::memcmp(bytes.data(), signature, 8), 0);
    // IHDR: 256 x 256, 8 bits, colour type 6 (RGBA).
    EXPECT_EQ(std::memcmp(bytes.data() + 12, "IHDR", 4), 0);
    EXPECT_EQ(bytes[18], 1);
    EXPECT_EQ(bytes[22], 1);
    EXPECT_EQ(bytes[24], 8);
    EXPECT_EQ(bytes[25], 6);
    for (int id : {3, 8})
        for (int layer = 0; layer < 4; ++layer) {
            const std::string name = dir + "/tex" + std::to_string(id) + "_l" + std::to_string(layer) + ".png";
            EXPECT_GT(readBytes(name).size(), 33u) << name;
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
