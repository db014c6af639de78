#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "song_fixture.h"
#include "synth/sample_generator.h"

namespace lumen {
namespace {

namespace fs = std::filesystem;

class LumenkitSong : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_); }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_ = fs::temp_directory_path() / ("lumen_synth_test_" + std::to_string(::getpid()) + "_" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

TEST_F(LumenkitSong, RenderIsRepeatableAndTheSameFromExportedFilesAndAsWav) {
    ASSERT_EQ(testing::runLumenkit("song render --seconds 3 --raw " + path("a.raw")).status, 0);
    const auto built = testing::readBytes(path("a.raw"));
    EXPECT_EQ(built.size(), 3u * 44100 * 4);
    int loud = 0;  // the built-in song is not silence
    for (size_t i = 0; i + 1 < built.size(); i += 2) loud += std::abs(int16_t(built[i] | built[i + 1] << 8)) > 1000;
    EXPECT_GT(loud, 1000);
    ASSERT_EQ(testing::runLumenkit("song export --out " + path("ex")).status, 0);
    EXPECT_EQ(
        testing::runLumenkit("song render --seconds 3 --raw " + path("b.raw") + " --image " + path("ex/song.image") +
                             " --planes " + path("ex/song.planes") + " --defs " + path("ex/song.defs"))
            .status,
        0);
    EXPECT_EQ(testing::readBytes(path("b.raw")), built);
    ASSERT_EQ(testing::runLumenkit("song render --seconds 3 --wav " + path("a.wav")).status, 0);
    const auto wav = testing::readBytes(path("a.wav"));  // the same samples after a 44-byte header
    ASSERT_EQ(wav.size(), built.size() + 44);
    EXPECT_TRUE(std::equal(built.begin(), built.end(), wav.begin() + 44));
}

TEST_F(LumenkitSong, BadInputIsOneLineNamingTheFileAndOffset) {
    testing::TestSong song(1, 1);
    const SongSource s = song.source();
    testing::writeBytes(path("s.image"), s.image);
    testing::writeBytes(path("s.planes"), std::span(s.planes).first(s.planes.size() - 1));
    testing::writeBytes(path("s.defs"), s.definitions);
    auto r = testing::runLumenkit("song render --seconds 1 --raw " + path("x.raw") + " --image " + path("s.image") +
                                  " --planes " + path("s.planes") + " --defs " + path("s.defs"));
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.output, "lumenkit: " + path("s.planes") + ": byte 5759: expected five planes of equal size, but " +
                            "the length 5759 is not a multiple of 5\n");
    EXPECT_FALSE(fs::exists(path("x.raw")) || fs::exists(path("x.raw.part")));
    const std::pair<std::string, std::string> usage[] = {
        {"song render --seconds 1 --raw A --wav B", "exactly one of --wav OUT and --raw OUT"},
        {"song render --seconds 1 --raw A --image " + path("s.image"), "all three"},
        {"synth " + path("missing.defs") + " --out " + path("out"), "missing.defs: cannot open"},
    };
    for (const auto& [args, fragment] : usage) {
        r = testing::runLumenkit(args);
        EXPECT_TRUE(r.status != 0 && r.output.find(fragment) != std::string::npos) << args << ": " << r.output;
    }
}

TEST_F(LumenkitSong, SynthWritesEveryDefinitionInOrderSharingFilterMemory) {
    GeneratorDefinition filtered = testing::toneDefinition(300, 900);
    filtered.filterType = filtertype::LowPass;
    filtered.cutoff = 400;
    const auto first = packGeneratorDefinition(filtered);
    std::vector<uint8_t> defs = first;
    for (uint8_t b : packGeneratorDefinition(testing::constantDefinition(200, 1.0f))) defs.push_back(b);
    defs.insert(defs.end(), first.begin(), first.end() - 1);  // a third that ends early
    testing::writeBytes(path("d.defs"), defs);
    auto r = testing::runLumenkit("synth " + path("d.defs") + " --out " + path("out"));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("d.defs: byte"), std::string::npos) << r.output;
    defs.push_back(first.back());
    testing::writeBytes(path("d.defs"), defs);
    r = testing::runLumenkit("synth " + path("d.defs") + " --out " + path("out") + " --wav");
    ASSERT_EQ(r.status, 0) << r.output;
    const auto i0 = testing::readBytes(path("out/inst0.s8")), i1 = testing::readBytes(path("out/inst1.s8"));
    std::vector<uint8_t> expected(300);
    SampleGenerator().toBytes(filtered, reinterpret_cast<int8_t*>(expected.data()), 300);
    EXPECT_EQ(i0, expected);
    EXPECT_EQ(i1, std::vector<uint8_t>(200, 126));
    // The same definition again, but its filter starts where the first left it.
    EXPECT_NE(testing::readBytes(path("out/inst2.s8")), i0);
    EXPECT_EQ(fs::file_size(path("out/inst1.wav")), 44u + 400u);
}

}  // namespace
}  // namespace lumen
