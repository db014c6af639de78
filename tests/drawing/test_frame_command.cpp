// `lumenkit frame` and `lumenkit sheet` end to end, and the placeholder show
// frame written as a PNG under the build tree for a person to look at.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pack/pack_source.h"
#include "support/gl_fixture.h"

namespace lumen {
namespace {

namespace fs = std::filesystem;

fs::path outputDir() {
    const fs::path dir = fs::path(LUMEN_BINARY_DIR) / "drawing";
    fs::create_directories(dir);
    return dir;
}

std::string readText(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs `lumenkit COMMAND ARGS`, returning its exit status; stderr goes to errPath.
int lumenkit(const std::string& command, const std::string& args, const fs::path& errPath) {
    const char* env = std::getenv("LUMENKIT");
    const std::string tool = env && *env ? env : LUMENKIT_BUILT;
    const int status = std::system((tool + " " + command + " " + args + " 2>" + errPath.string()).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
int frame(const std::string& args, const fs::path& errPath) { return lumenkit("frame", args, errPath); }

// The placeholder show written as a pack, optionally cut short.
fs::path placeholderPack(const std::string& name, size_t cut = 0) {
    auto bytes = assemblePack(readText(fs::path(LUMEN_SOURCE_DIR) / "tests/drawing/placeholder_show.txt"),
                              "placeholder_show.txt");
    bytes.resize(bytes.size() - cut);
    const fs::path p = outputDir() / name;
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return p;
}

TEST(FrameCommand, WritesThePlaceholderShowFrameAsPng) {
    const fs::path dir = outputDir(), pack = placeholderPack("placeholder_show.pack");
    const fs::path png = dir / "placeholder_show.png", small = dir / "placeholder_show_320.png";
    fs::remove(png);
    ASSERT_EQ(frame(pack.string() + " 5000 " + png.string(), dir / "frame.err"), 0) << readText(dir / "frame.err");
    const testing::Picture pic = testing::readPngPicture(png);
    ASSERT_EQ(pic.width, 640);
    ASSERT_EQ(pic.height, 480);
    // The scene view drew lit geometry in the picture's middle band.
    int lit = 0;
    pic.forEach([&](int x, int y, testing::Rgba p) {
        lit += x >= 100 && x < 540 && y >= 100 && y < 380 && p.r + p.g + p.b > 150;
    });
    EXPECT_GT(lit, 2000);
    std::printf("placeholder show frame: %s\n", png.c_str());
    ASSERT_EQ(frame(pack.string() + " 5000 " + small.string() + " --size 320x240 --animate-all", dir / "frame.err"), 0);
    EXPECT_EQ(testing::readPngPicture(small).width, 320);
}

TEST(FrameCommand, ABadPackIsOneLineNamingTheFileSectionAndByteOffset) {
    const fs::path dir = outputDir(), pack = placeholderPack("truncated.pack", 5);
    EXPECT_EQ(frame(pack.string() + " 0 " + (dir / "truncated.png").string(), dir / "bad.err"), 1);
    const std::string err = readText(dir / "bad.err");
    for (const char* word : {"truncated.pack", "timeline", "byte"}) EXPECT_NE(err.find(word), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "truncated.png"));
    EXPECT_EQ(frame(pack.string() + " 0 x.png --size 12by3", dir / "size.err"), 1);
    EXPECT_NE(readText(dir / "size.err").find("--size"), std::string::npos);
}

// Three frames, two to a row: tiles of 64 x 48 under a 14-pixel label strip
// each, the labels in yellow, the frames' lit middles in their tiles.
TEST(SheetCommand, TilesFramesAtAStepUnderTheirTimeLabels) {
    const fs::path dir = outputDir(), pack = placeholderPack("sheet_show.pack"), png = dir / "sheet.png";
    fs::remove(png);
    ASSERT_EQ(lumenkit("sheet",
                       pack.string() + " " + png.string() + " --from 4000 --to 5000 --step 500 --columns 2 --tile 64",
                       dir / "sheet.err"),
              0)
        << readText(dir / "sheet.err");
    const testing::Picture pic = testing::readPngPicture(png);
    ASSERT_EQ(pic.width, 128);
    ASSERT_EQ(pic.height, 2 * (48 + 14));
    int label = 0, lit = 0, litInEmptyTile = 0;
    pic.forEach([&](int x, int y, testing::Rgba p) {
        const int row = y / 62, inRow = y % 62;
        if (inRow < 14)
            label += p.r == 255 && p.g == 230 && p.b == 0;
        else if (row == 0 && x >= 16 && x < 48 && inRow >= 24 && inRow < 52)
            lit += p.r + p.g + p.b > 150;
        else if (row == 1 && x >= 64)
            litInEmptyTile += p.r + p.g + p.b > 0;
    });
    EXPECT_GT(label, 40);
    EXPECT_GT(lit, 100);
    EXPECT_EQ(litInEmptyTile, 0) << "the fourth tile has no frame";
    EXPECT_EQ(lumenkit("sheet", pack.string() + " " + (dir / "bad.png").string() + " --step 0", dir / "step.err"), 1);
    EXPECT_NE(readText(dir / "step.err").find("--step"), std::string::npos);
}

}  // namespace
}  // namespace lumen
