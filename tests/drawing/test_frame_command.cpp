// `lumenkit frame` and `lumenkit sheet` end to end, and the placeholder show
// frame written as a PNG under the build tree for a person to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "pack/pack_source.h"
#include "support/gl_fixture.h"
#include "support/tool_run.h"

namespace lumen {
namespace {

namespace fs = std::filesystem;
using testing::runLumenkit;

fs::path outputDir() {
    const fs::path dir = fs::path(LUMEN_BINARY_DIR) / "drawing";
    fs::create_directories(dir);
    return dir;
}

// The placeholder show written as a pack, optionally cut short.
fs::path placeholderPack(const std::string& name, size_t cut = 0) {
    const auto text = testing::readBytes(fs::path(LUMEN_SOURCE_DIR) / "tests/drawing/placeholder_show.txt");
    auto bytes = assemblePack(std::string(text.begin(), text.end()), "placeholder_show.txt");
    bytes.erase(bytes.end() - std::ptrdiff_t(std::min(cut, bytes.size())), bytes.end());
    const fs::path p = outputDir() / name;
    testing::writeBytes(p, bytes);
    return p;
}

// A failed command's error stream: one line naming every word.
void expectOneLineNaming(const testing::CommandResult& r, std::initializer_list<const char*> words) {
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
    for (const char* word : words) EXPECT_NE(r.output.find(word), std::string::npos) << r.output;
}

TEST(FrameCommand, WritesThePlaceholderShowFrameAsPng) {
    const fs::path dir = outputDir(), pack = placeholderPack("placeholder_show.pack");
    const fs::path png = dir / "placeholder_show.png", small = dir / "placeholder_show_320.png";
    fs::remove(png);
    const auto r = runLumenkit("frame " + pack.string() + " 5000 " + png.string());
    ASSERT_EQ(r.status, 0) << r.output;
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
    ASSERT_EQ(
        runLumenkit("frame " + pack.string() + " 5000 " + small.string() + " --size 320x240 --animate-all").status, 0);
    EXPECT_EQ(testing::readPngPicture(small).width, 320);
}

TEST(FrameCommand, ABadPackIsOneLineNamingTheFileSectionAndByteOffset) {
    const fs::path dir = outputDir(), pack = placeholderPack("truncated.pack", 5);
    expectOneLineNaming(
        runLumenkit("frame " + pack.string() + " 0 " + (dir / "truncated.png").string(), testing::Capture::ErrorsOnly),
        {"truncated.pack", "timeline", "byte"});
    EXPECT_FALSE(fs::exists(dir / "truncated.png"));
    expectOneLineNaming(runLumenkit("frame " + pack.string() + " 0 x.png --size 12by3", testing::Capture::ErrorsOnly),
                        {"--size"});
}

// Three frames, two to a row: tiles of 64 x 48 under a 14-pixel label strip
// each, the labels in yellow, the frames' lit middles in their tiles.
TEST(SheetCommand, TilesFramesAtAStepUnderTheirTimeLabels) {
    const fs::path dir = outputDir(), pack = placeholderPack("sheet_show.pack"), png = dir / "sheet.png";
    fs::remove(png);
    const auto r = runLumenkit("sheet " + pack.string() + " " + png.string() +
                               " --from 4000 --to 5000 --step 500 --columns 2 --tile 64");
    ASSERT_EQ(r.status, 0) << r.output;
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
    expectOneLineNaming(runLumenkit("sheet " + pack.string() + " " + (dir / "bad.png").string() + " --step 0",
                                    testing::Capture::ErrorsOnly),
                        {"--step"});
}

}  // namespace
}  // namespace lumen
