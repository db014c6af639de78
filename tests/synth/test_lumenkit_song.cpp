#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
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

std::string lumenkit() {
    const char* path = std::getenv("LUMENKIT");
    return path ? path : LUMEN_BINARY_DIR "/tools/lumenkit/lumenkit";
}

struct ToolRun {
    int status = -1;
    std::string output;
};

ToolRun run(const std::string& args) {
    ToolRun r;
    FILE* p = popen((lumenkit() + " " + args + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[512];
    while (fgets(buf, sizeof buf, p)) r.output += buf;
    r.status = pclose(p);
    return r;
}

std::vector<uint8_t> readAll(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void writeAll(const fs::path& path, std::span<const uint8_t> bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class LumenkitSong : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("lumen_synth_test_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Writes the song's three pieces and returns the --image/--planes/--defs options.
    std::string writeSong(testing::TestSong& song) {
        const SongSource s = song.source();
        writeAll(dir_ / "s.image", s.image);
        writeAll(dir_ / "s.planes", s.planes);
        writeAll(dir_ / "s.defs", s.definitions);
        return " --image " + (dir_ / "s.image").string() + " --planes " + (dir_ / "s.planes").string() + " --defs " +
               (dir_ / "s.defs").string();
    }

    fs::path dir_;
};

TEST_F(LumenkitSong, RenderingTwiceGivesIdenticalBytes) {
    const std::string a = (dir_ / "a.raw").string(), b = (dir_ / "b.raw").string();
    ASSERT_EQ(run("song render --seconds 3 --raw " + a).status, 0);
    ASSERT_EQ(run("song render --seconds 3 --raw " + b).status, 0);
    const auto ra = readAll(a), rb = readAll(b);
    EXPECT_EQ(ra.size(), 3u * 44100 * 4);
    EXPECT_EQ(ra, rb);
    // The built-in song is not silence.
    int loud = 0;
    for (size_t i = 0; i + 1 < ra.size(); i += 2) loud += std::abs(int16_t(ra[i] | ra[i + 1] << 8)) > 1000;
    EXPECT_GT(loud, 1000);

    // Exported and read back from files, the same song renders the same bytes.
    ASSERT_EQ(run("song export --out " + (dir_ / "ex").string()).status, 0);
    const std::string c = (dir_ / "c.raw").string();
    const ToolRun r = run("song render --seconds 3 --raw " + c + " --image " + (dir_ / "ex/song.image").string() +
                      " --planes " + (dir_ / "ex/song.planes").string() + " --defs " +
                      (dir_ / "ex/song.defs").string());
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(readAll(c), ra);

    // WAV holds the same samples after a 44-byte header.
    const std::string w = (dir_ / "a.wav").string();
    ASSERT_EQ(run("song render --seconds 3 --wav " + w).status, 0);
    const auto rw = readAll(w);
    ASSERT_EQ(rw.size(), ra.size() + 44);
    EXPECT_TRUE(std::equal(ra.begin(), ra.end(), rw.begin() + 44));
}

TEST_F(LumenkitSong, PureTonePitchFollowsTheFrequencyRule) {
    // A sine of exactly 64 samples per period, looped over whole periods,
    // played at C-5 (note 61): the frequency rule gives 8363 * 2^(768/768).
    testing::TestSong song(1, 1);
    song.addInstrument(testing::oneSampleInstrument(8192, 1, 4096, 4096),
                       testing::sineDefinition(8192, 88200.0f / 64));
    song.set(0, 0, 0, Cell{61, 1, 0, 0, 0});
    const std::string options = writeSong(song);
    const std::string out = (dir_ / "tone.raw").string();
    const ToolRun r = run("song render --seconds 2 --raw " + out + options);
    ASSERT_EQ(r.status, 0) << r.output;
    const auto bytes = readAll(out);
    ASSERT_EQ(bytes.size(), 2u * 44100 * 4);
    // Count upward zero crossings of the left channel over the second second.
    int crossings = 0;
    int16_t previous = 0;
    for (size_t frame = 44100; frame < 88200; ++frame) {
        const int16_t left = int16_t(bytes[frame * 4] | bytes[frame * 4 + 1] << 8);
        if (previous < 0 && left >= 0) ++crossings;
        previous = left;
    }
    const double expected = 8363 * 2.0 / 64;  // 261.3 Hz
    EXPECT_NEAR(crossings, expected, 2.0);
}

TEST_F(LumenkitSong, BadInputIsOneLineNamingTheFileAndOffset) {
    testing::TestSong song(1, 1);
    song.addInstrument(testing::oneSampleInstrument(100), testing::constantDefinition(100));
    const std::string options = writeSong(song);
    auto planes = readAll(dir_ / "s.planes");
    planes.pop_back();
    writeAll(dir_ / "s.planes", planes);
    const std::string out = (dir_ / "x.raw").string();
    ToolRun r = run("song render --seconds 1 --raw " + out + options);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.output, "lumenkit: " + (dir_ / "s.planes").string() + ": byte 5759: expected five planes of equal " +
                            "size, but the length 5759 is not a multiple of 5\n");
    EXPECT_FALSE(fs::exists(out));
    EXPECT_FALSE(fs::exists(out + ".part"));

    r = run("song render --seconds 1 --raw " + out + " --wav " + out);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("exactly one of --wav OUT and --raw OUT"), std::string::npos) << r.output;
    r = run("song render --seconds 1 --raw " + out + " --image " + (dir_ / "s.image").string());
    EXPECT_NE(r.output.find("all three"), std::string::npos) << r.output;
    r = run("synth " + (dir_ / "missing.defs").string() + " --out " + dir_.string());
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("missing.defs: cannot open"), std::string::npos) << r.output;
}

TEST_F(LumenkitSong, SynthWritesEveryDefinitionInOrderSharingFilterMemory) {
    GeneratorDefinition filtered = testing::sineDefinition(300, 900);
    filtered.filterType = 1;
    filtered.cutoff = 400;
    std::vector<uint8_t> defs = packGeneratorDefinition(filtered);
    const auto second = packGeneratorDefinition(testing::constantDefinition(200, 1.0f));
    defs.insert(defs.end(), second.begin(), second.end());
    defs.insert(defs.end(), defs.begin(), defs.begin() + std::ptrdiff_t(second.size()) - 10);  // a bad third
    writeAll(dir_ / "d.defs", defs);
    ToolRun r = run("synth " + (dir_ / "d.defs").string() + " --out " + (dir_ / "out").string());
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("d.defs: byte"), std::string::npos) << r.output;

    defs.resize(defs.size() - (second.size() - 10));
    defs.insert(defs.end(), defs.begin(), defs.begin() + std::ptrdiff_t(defs.size() - second.size()));
    writeAll(dir_ / "d.defs", defs);
    r = run("synth " + (dir_ / "d.defs").string() + " --out " + (dir_ / "out").string() + " --wav");
    ASSERT_EQ(r.status, 0) << r.output;
    const auto i0 = readAll(dir_ / "out/inst0.s8");
    const auto i1 = readAll(dir_ / "out/inst1.s8");
    const auto i2 = readAll(dir_ / "out/inst2.s8");
    ASSERT_EQ(i0.size(), 300u);
    ASSERT_EQ(i1.size(), 200u);
    ASSERT_EQ(i2.size(), 300u);
    EXPECT_EQ(int8_t(i1[0]), 126);
    // The third is the first definition again, but its filter starts where the
    // first left it: the bytes differ at the start.
    EXPECT_NE(i0, i2);
    SampleGenerator fresh;
    std::vector<int8_t> expected(300);
    fresh.toBytes(filtered, expected.data(), 300);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), reinterpret_cast<const int8_t*>(i0.data())));
    EXPECT_EQ(fs::file_size(dir_ / "out/inst1.wav"), 44u + 400u);
}

}  // namespace
}  // namespace lumen
