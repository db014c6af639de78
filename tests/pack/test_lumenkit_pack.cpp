// lumenkit pack asm | dis | info, run as a user would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <utility>

#include "support/tool_run.h"

namespace {

using lumen::testing::CommandResult;

CommandResult run(const std::string& arguments) { return lumen::testing::runLumenkit(arguments); }

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class LumenkitPack : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("LUMENKIT")) GTEST_SKIP() << "LUMENKIT is not set";
        dir_ = ::testing::TempDir();
    }
    std::string path(const std::string& name) const { return dir_ + "lumenkit_pack_" + name; }
    // Writes `text` to the named file and returns its path.
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(path(name), std::ios::binary) << text;
        return path(name);
    }
    std::string dir_;
};

// asm, dis and asm again give the same bytes; info describes them.
TEST_F(LumenkitPack, AssembleDisassembleAndInfo) {
    const std::string source = std::string(LUMEN_SOURCE_DIR) + "/tests/pack/placeholder_main.pack";
    ASSERT_EQ(run("pack asm " + source + " -o " + path("a.bin")).status, 0);
    CommandResult d = run("pack dis " + path("a.bin") + " -o " + path("a.pack"));
    ASSERT_EQ(d.status, 0) << d.output;
    ASSERT_EQ(run("pack asm " + path("a.pack") + " -o " + path("b.bin")).status, 0);
    EXPECT_EQ(slurp(path("a.bin")), slurp(path("b.bin")));
    CommandResult info = run("pack info --json " + path("a.bin"));
    ASSERT_EQ(info.status, 0) << info.output;
    nlohmann::json j = nlohmann::json::parse(info.output);
    EXPECT_EQ(j["width"], 2);
    EXPECT_EQ(j["textures"][0]["ops"], 4);
    EXPECT_EQ(j["images"][3]["layer"], 2);
    const auto& scene = j["scenes"][0];
    EXPECT_EQ(scene["lights"], 3);
    EXPECT_EQ(scene["objects"][0]["faces"], 24);
    EXPECT_EQ(scene["objects"][8]["vertices"], 24);  // the merge of a cube and a cone
    EXPECT_EQ(j["events"][0]["end"], 512009);
    EXPECT_EQ(j["sections"]["timeline"]["end"], j["size"]);
}

TEST_F(LumenkitPack, ErrorsNameTheFileAndWhereAndExitNonZero) {
    write("bad.pack", "pack width 2\nscene id 0\n  object cube id 40000\nend\n");
    CommandResult a = run("pack asm " + path("bad.pack") + " -o " + path("bad.bin"));
    EXPECT_EQ(a.status, 1);
    EXPECT_EQ(a.output, "lumenkit: " + path("bad.pack") +
                            ":3: expected an integer -32768 to 32767 for id of object cube, found '40000'\n");
    write("cut.bin", std::string("\x02\x01\x05", 3));
    CommandResult d = run("pack dis " + path("cut.bin"));
    EXPECT_EQ(d.status, 1);
    const std::string cutError = ": texture section: byte 3: expected 1 byte (operation count), 0 left\n";
    EXPECT_EQ(d.output, "lumenkit: " + path("cut.bin") + cutError);
    CommandResult i = run("pack info " + path("missing.bin"));
    EXPECT_EQ(i.status, 1);
    EXPECT_NE(i.output.find("cannot open"), std::string::npos);
}

// Song positions resolve against the built-in song, or the pieces given.
TEST_F(LumenkitPack, AssemblesSongPositionsAgainstTheBuiltInOrGivenSong) {
    write("sync.pack", "pack width 2\nevent clear start @0:0 end @0:0+20\n");
    // Any song's first row starts at song time 0: show time 57.
    ASSERT_EQ(run("pack asm " + path("sync.pack") + " -o " + path("sync.bin")).status, 0);
    CommandResult info = run("pack info --json " + path("sync.bin"));
    ASSERT_EQ(info.status, 0) << info.output;
    const nlohmann::json event = nlohmann::json::parse(info.output)["events"][0];
    EXPECT_EQ(std::pair(event["start"].get<int>(), event["end"].get<int>()), std::pair(50, 69));

    const std::string song = path("song");
    std::filesystem::create_directories(song);
    std::ofstream(song + "/song.txt") << "channels 1\nspeed 6\ntempo 125\npatterns a\norders a a\n";
    std::ofstream pattern(song + "/a.pattern");
    for (int r = 0; r < 64; ++r) pattern << r << (r == 1 ? " | ... .. ... D00\n" : " | ... .. ... ...\n");
    pattern.close();
    ASSERT_EQ(run("song build " + song + " --out " + song).status, 0);
    write("skip.pack", "pack width 2\n\nevent clear start @1:1 end @1:2\n");
    const std::string pieces = " --image " + song + "/song.image --planes " + song + "/song.planes --defs " + song +
                               "/song.defs";
    CommandResult skip = run("pack asm " + path("skip.pack") + " -o " + path("skip.bin") + pieces);
    EXPECT_EQ(skip.status, 1);
    EXPECT_EQ(skip.output, "lumenkit: " + path("skip.pack") +
                               ":3: song position @1:2: the song never plays order 1 row 2: a pattern break or jump "
                               "skips the row\n");
}

}  // namespace
