// The song commands of lumenkit run on files as a user runs them: render and
// synth, info and timemap, XM export and import, plot, and build and dis.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "content/song_builtin.h"
#include "song_fixture.h"
#include "support/picture.h"
#include "synth/sample_generator.h"
#include "synth/song_timemap.h"
#include "synth/xm_export.h"

namespace lumen {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::runLumenkit;
using SongCommands = testing::SongFiles;

TEST_F(SongCommands, RenderIsRepeatableAndTheSameFromExportedFilesAndAsWav) {
    ASSERT_EQ(runLumenkit("song render --seconds 3 --raw " + path("a.raw")).status, 0);
    const auto built = readBytes(path("a.raw"));
    EXPECT_EQ(built.size(), 3u * 44100 * 4);
    int loud = 0;  // the built-in song is not silence
    for (size_t i = 0; i + 1 < built.size(); i += 2) loud += std::abs(int16_t(built[i] | built[i + 1] << 8)) > 1000;
    EXPECT_GT(loud, 1000);
    ASSERT_EQ(runLumenkit("song export --out " + path("ex")).status, 0);
    EXPECT_EQ(runLumenkit("song render --seconds 3 --raw " + path("b.raw") + pieceArgs("ex")).status, 0);
    EXPECT_EQ(readBytes(path("b.raw")), built);
    ASSERT_EQ(runLumenkit("song render --seconds 3 --wav " + path("a.wav")).status, 0);
    const auto wav = readBytes(path("a.wav"));  // the same samples after a 44-byte header
    ASSERT_EQ(wav.size(), built.size() + 44);
    EXPECT_TRUE(std::equal(built.begin(), built.end(), wav.begin() + 44));
}

TEST_F(SongCommands, BadInputIsOneLineNamingTheFileAndOffset) {
    testing::TestSong song(1, 1);
    const std::string in = writePieces(song);
    const std::vector<uint8_t> planes = readBytes(path("s/song.planes"));
    testing::writeBytes(path("s/song.planes"), std::span(planes).first(planes.size() - 1));
    auto r = runLumenkit("song render --seconds 1 --raw " + path("x.raw") + in);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.output, "lumenkit: " + path("s/song.planes") + ": byte 5759: expected five planes of equal size, " +
                            "but the length 5759 is not a multiple of 5\n");
    EXPECT_FALSE(fs::exists(path("x.raw")) || fs::exists(path("x.raw.part")));
    const std::pair<std::string, std::string> usage[] = {
        {"song render --seconds 1 --raw A --wav B", "exactly one of --wav OUT and --raw OUT"},
        {"song render --seconds 1 --raw A --image " + path("s/song.image"), "all three"},
        {"song export-xm " + path("x.xm") + " --image " + path("s/song.image"), "all three"},
        {"synth " + path("missing.defs") + " --out " + path("out"), "missing.defs: cannot open"},
    };
    for (const auto& [args, fragment] : usage) {
        r = runLumenkit(args);
        EXPECT_TRUE(r.status != 0 && r.output.find(fragment) != std::string::npos) << args << ": " << r.output;
    }
}

TEST_F(SongCommands, SynthWritesEveryDefinitionInOrderSharingFilterMemory) {
    GeneratorDefinition filtered = testing::toneDefinition(300, 900);
    filtered.filterType = filtertype::LowPass;
    filtered.cutoff = 400;
    const auto first = packGeneratorDefinition(filtered);
    std::vector<uint8_t> defs = first;
    for (uint8_t b : packGeneratorDefinition(testing::constantDefinition(200, 1.0f))) defs.push_back(b);
    defs.insert(defs.end(), first.begin(), first.end() - 1);  // a third that ends early
    testing::writeBytes(path("d.defs"), defs);
    auto r = runLumenkit("synth " + path("d.defs") + " --out " + path("out"));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("d.defs: byte"), std::string::npos) << r.output;
    defs.push_back(first.back());
    testing::writeBytes(path("d.defs"), defs);
    r = runLumenkit("synth " + path("d.defs") + " --out " + path("out") + " --wav");
    ASSERT_EQ(r.status, 0) << r.output;
    const auto i0 = readBytes(path("out/inst0.s8")), i1 = readBytes(path("out/inst1.s8"));
    std::vector<uint8_t> expected(300);
    SampleGenerator().toBytes(filtered, reinterpret_cast<int8_t*>(expected.data()), 300);
    EXPECT_EQ(i0, expected);
    EXPECT_EQ(i1, std::vector<uint8_t>(200, 126));
    // The same definition again, but its filter starts where the first left it.
    EXPECT_NE(readBytes(path("out/inst2.s8")), i0);
    EXPECT_EQ(fs::file_size(path("out/inst1.wav")), 44u + 400u);
}

// The commands print what the library computes, write the module whole, read
// it back into a source folder that builds to the same pieces, and a module
// player nobody here wrote plays the module for as long.
TEST_F(SongCommands, InfoTimemapAndXmExportAndImportOnStoredPieces) {
    testing::TestSong song = testing::timingSong();
    const std::string in = writePieces(song);
    auto player = song.start();
    const SongTimeMap map = buildTimeMap(*player);

    auto r = runLumenkit("song info --json" + in);
    ASSERT_EQ(r.status, 0) << r.output;
    const std::vector<std::string> fields = {"\"channels\": 2", "\"orders\": 3", "\"patterns\": 3",
                                             "\"instruments\": 1",
                                             "\"durationMs\": " + std::to_string(map.wrap.showTimeMs())};
    for (const std::string& field : fields)
        EXPECT_NE(r.output.find(field), std::string::npos) << field << " in " << r.output;
    r = runLumenkit("song timemap" + in);
    ASSERT_EQ(r.status, 0) << r.output;
    char line[128];
    const TimeMapRow row = *map.find(1, 5);
    std::snprintf(line, sizeof line, "\n  1  5   1 %7d %7d ", row.songTimeMs, row.showTimeMs());
    EXPECT_NE(r.output.find(line), std::string::npos) << r.output;

    const std::string xm = path("a.xm");
    r = runLumenkit("song export-xm " + xm + in);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(readBytes(xm), exportXm(*song.start()).bytes);
    EXPECT_FALSE(fs::exists(xm + ".part"));

    r = runLumenkit("song import-xm " + xm + " -o " + path("src"));
    ASSERT_EQ(r.status, 0) << r.output;
    const std::vector<uint8_t> text = readBytes(path("src/i01.instrument"));
    EXPECT_NE(std::string(text.begin(), text.end()).find("# Samples cannot become generators"), std::string::npos);
    // A second import over the first would lose edited generators: only with --force.
    r = runLumenkit("song import-xm " + xm + " -o " + path("src"));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("exists; importing would replace it"), std::string::npos) << r.output;
    EXPECT_EQ(runLumenkit("song import-xm " + xm + " -o " + path("src") + " --force").status, 0);
    r = runLumenkit("song build " + path("src") + " --out " + path("out"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(readBytes(path("out/song.planes")), readBytes(path("s/song.planes")));
    EXPECT_EQ(readBytes(path("out/song.image")), readBytes(path("s/song.image")));
    // A module the import refuses: the error names file and byte, and no folder is left.
    std::vector<uint8_t> bad = readBytes(xm);
    bad[58] = 3;
    testing::writeBytes(path("bad.xm"), bad);
    r = runLumenkit("song import-xm " + path("bad.xm") + " --out " + path("bad"));
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.output.rfind("lumenkit: " + path("bad.xm") + ": byte 58: expected format version", 0), 0u) << r.output;
    EXPECT_FALSE(fs::exists(path("bad")));

    // openmpt123 (Debian's package) is a test-only black box.
    r = testing::runCommand("openmpt123 --info " + xm);
    if (r.status != 0) GTEST_SKIP() << "openmpt123 is not installed";
    const size_t at = r.output.find("Duration...: ");
    ASSERT_NE(at, std::string::npos) << r.output;
    int minutes = 0;
    double seconds = 0;
    ASSERT_EQ(std::sscanf(r.output.c_str() + at + 13, "%d:%lf", &minutes, &seconds), 2);
    EXPECT_NEAR(minutes * 60 + seconds, map.wrap.audioSeconds(), 0.05);
}

TEST_F(SongCommands, PlotMarksEachOrderWhereTheTimeMapStartsIt) {
    // Three orders of changing speed and tempo; the first is cut short by a break.
    testing::TestSong song = testing::timingSong();
    song.set(0, 0, 0, Cell{49, 1, 0, effect::SetPanning, 255});  // fully left until order 1 adds a note
    song.set(1, 0, 1, Cell{61, 1, 0, effect::SetPanning, 0});
    const std::string in = writePieces(song);
    const SongTimeMap map = buildTimeMap(*song.start());
    ASSERT_TRUE(map.wrapped);

    const auto r = runLumenkit("song plot " + path("p.png") + in + " --width 700 --height 300");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(fs::exists(path("p.png.part")));
    const testing::Picture plot = testing::readPngPicture(path("p.png"));
    ASSERT_EQ(std::pair(plot.width, plot.height), std::pair(700, 300));
    const auto pixel = [&](int x, int y) { return &plot.pixels[(size_t(y) * 700 + size_t(x)) * 4]; };

    double seconds = 0;
    int left = 0, right = 0, top = 0, bottom = 0;
    const size_t across = r.output.find("across x ");
    ASSERT_NE(across, std::string::npos) << r.output;
    ASSERT_EQ(
        std::sscanf(r.output.c_str() + across, "across x %d to %d; plot rows y %d to %d", &left, &right, &top, &bottom),
        4);
    ASSERT_EQ(std::sscanf(r.output.c_str() + r.output.find("audio time 0 to "), "audio time 0 to %lf", &seconds), 1);
    EXPECT_NEAR(seconds, map.wrap.audioSeconds(), 0.0005);
    std::set<int> expected;
    for (size_t i = 0; i < map.rows.size(); ++i)  // each order's first row, order 1's at row 5
        if (i == 0 || map.rows[i].order != map.rows[i - 1].order)
            expected.insert(left + int(map.rows[i].audioFrame * (right - left) / map.wrap.audioFrame));
    ASSERT_EQ(expected.size(), 3u);
    // In every plot row the marker colour is at those columns and nowhere else.
    for (int y : {top, (top + bottom) / 2 - 3, (top + bottom) / 2 + 3, bottom - 1}) {
        std::set<int> marked;
        for (int x = 0; x < 700; ++x)
            if (pixel(x, y)[0] == 255 && pixel(x, y)[1] == 215 && pixel(x, y)[2] == 0) marked.insert(x);
        EXPECT_EQ(marked, expected) << "row " << y;
    }
    // Left is drawn up in blue, right down in orange: order 0 sounds on the left only.
    const int x = (*expected.begin() + *std::next(expected.begin())) / 2;
    int blue = 0, orange = 0;
    for (int y = top; y < bottom; ++y) {
        blue += pixel(x, y)[2] > 200 && pixel(x, y)[0] < 100;
        orange += pixel(x, y)[0] > 200 && pixel(x, y)[2] < 100;
    }
    EXPECT_GT(blue, 3 * (orange + 10)) << "blue " << blue << ", orange " << orange;
}

// build, dis of what was built, and build again give the built-in bytes.
TEST_F(SongCommands, BuildAndDisRoundTripAndBadSourcesNameFileAndLine) {
    const auto built = runLumenkit("song build " LUMEN_SOURCE_DIR "/content/song -o " + path("a"));
    EXPECT_EQ(built.status, 0);
    EXPECT_EQ(built.output, "");
    EXPECT_EQ(runLumenkit("song dis" + pieceArgs("a") + " -o " + path("src")).status, 0);
    EXPECT_EQ(runLumenkit("song build " + path("src") + " --out " + path("b")).status, 0);
    const content::SongBytes& builtIn = content::builtInSong();
    // b is built from the printed a, so it matches only if both steps do.
    EXPECT_EQ(readBytes(path("b/song.image")), builtIn.image);
    EXPECT_EQ(readBytes(path("b/song.planes")), builtIn.planes);
    EXPECT_EQ(readBytes(path("b/song.defs")), builtIn.definitions);
    std::ofstream(path("src/p01.pattern"), std::ios::app) << "64 | ... .. ... ...\n";
    const auto [status, error] = runLumenkit("song build " + path("src") + " -o " + path("b"));
    EXPECT_NE(status, 0);
    EXPECT_NE(error.find(path("src") + "/p01.pattern:65: expected at most 64 rows"), std::string::npos) << error;
}

}  // namespace
}  // namespace lumen
