#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "song_fixture.h"
#include "synth/sample_generator.h"

namespace lumen {
namespace {

namespace fs = std::filesystem;

// Runs lumenkit with args; returns the exit status and the combined output.
std::pair<int, std::string> run(const std::string& args) {
    const char* tool = std::getenv("LUMENKIT");
    const std::string command = std::string(tool ? tool : LUMEN_BINARY_DIR "/tools/lumenkit/lumenkit") + " " + args;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    std::string output;
    char buf[512];
    while (p && fgets(buf, sizeof buf, p)) output += buf;
    return {p ? pclose(p) : -1, output};
}

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

void writeAll(const std::string& path, std::span<const uint8_t> bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
}

class LumenkitSong : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_); }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_ = fs::temp_directory_path() / ("lumen_synth_test_" + std::to_string(::getpid()) + "_" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

TEST_F(LumenkitSong, RenderIsRepeatableAndTheSameFromExportedFilesAndAsWav) {
    ASSERT_EQ(run("song render --seconds 3 --raw " + path("a.raw")).first, 0);
    const auto built = readAll(path("a.raw"));
    EXPECT_EQ(built.size(), 3u * 44100 * 4);
    int loud = 0;  // the built-in song is not silence
    for (size_t i = 0; i + 1 < built.size(); i += 2) loud += std::abs(int16_t(built[i] | built[i + 1] << 8)) > 1000;
    EXPECT_GT(loud, 1000);
    ASSERT_EQ(run("song export --out " + path("ex")).first, 0);
    EXPECT_EQ(run("song render --seconds 3 --raw " + path("b.raw") + " --image " + path("ex/song.image") +
                  " --planes " + path("ex/song.planes") + " --defs " + path("ex/song.defs"))
                  .first,
              0);
    EXPECT_EQ(readAll(path("b.raw")), built);
    ASSERT_EQ(run("song render --seconds 3 --wav " + path("a.wav")).first, 0);
    const auto wav = readAll(path("a.wav"));  // the same samples after a 44-byte header
    ASSERT_EQ(wav.size(), built.size() + 44);
    EXPECT_TRUE(std::equal(built.begin(), built.end(), wav.begin() + 44));
}

TEST_F(LumenkitSong, BadInputIsOneLineNamingTheFileAndOffset) {
    testing::TestSong song(1, 1);
    const SongSource s = song.source();
    writeAll(path("s.image"), s.image);
    writeAll(path("s.planes"), std::span(s.planes).first(s.planes.size() - 1));
    writeAll(path("s.defs"), s.definitions);
    auto r = run("song render --seconds 1 --raw " + path("x.raw") + " --image " + path("s.image") + " --planes " +
                 path("s.planes") + " --defs " + path("s.defs"));
    EXPECT_NE(r.first, 0);
    EXPECT_EQ(r.second, "lumenkit: " + path("s.planes") + ": byte 5759: expected five planes of equal size, but " +
                            "the length 5759 is not a multiple of 5\n");
    EXPECT_FALSE(fs::exists(path("x.raw")) || fs::exists(path("x.raw.part")));
    const std::pair<std::string, std::string> usage[] = {
        {"song render --seconds 1 --raw A --wav B", "exactly one of --wav OUT and --raw OUT"},
        {"song render --seconds 1 --raw A --image " + path("s.image"), "all three"},
        {"synth " + path("missing.defs") + " --out " + path("out"), "missing.defs: cannot open"},
    };
    for (const auto& [args, fragment] : usage) {
        r = run(args);
        EXPECT_TRUE(r.first != 0 && r.second.find(fragment) != std::string::npos) << args << ": " << r.second;
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
    writeAll(path("d.defs"), defs);
    auto r = run("synth " + path("d.defs") + " --out " + path("out"));
    EXPECT_NE(r.first, 0);
    EXPECT_NE(r.second.find("d.defs: byte"), std::string::npos) << r.second;
    defs.push_back(first.back());
    writeAll(path("d.defs"), defs);
    r = run("synth " + path("d.defs") + " --out " + path("out") + " --wav");
    ASSERT_EQ(r.first, 0) << r.second;
    const auto i0 = readAll(path("out/inst0.s8")), i1 = readAll(path("out/inst1.s8"));
    std::vector<uint8_t> expected(300);
    SampleGenerator().toBytes(filtered, reinterpret_cast<int8_t*>(expected.data()), 300);
    EXPECT_EQ(i0, expected);
    EXPECT_EQ(i1, std::vector<uint8_t>(200, 126));
    // The same definition again, but its filter starts where the first left it.
    EXPECT_NE(readAll(path("out/inst2.s8")), i0);
    EXPECT_EQ(fs::file_size(path("out/inst1.wav")), 44u + 400u);
}

}  // namespace
}  // namespace lumen
