// `lumenkit frame` end to end, and the placeholder show frame written as a
// PNG under the build tree for a person to look at.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "pack/pack_source.h"

namespace lumen {
namespace {

namespace fs = std::filesystem;

fs::path outputDir() {
    const fs::path dir = fs::path(LUMEN_BINARY_DIR) / "drawing";
    fs::create_directories(dir);
    return dir;
}

std::string lumenkit() {
    const char* path = std::getenv("LUMENKIT");
    if (path && *path) return path;
#ifdef LUMENKIT_BUILT
    return LUMENKIT_BUILT;
#else
    return "";
#endif
}

std::string readText(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeBytes(const fs::path& p, const std::vector<uint8_t>& bytes) {
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

struct Png {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    const uint8_t* at(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};

Png readPng(const fs::path& p) {
    Png out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, p.c_str())) return out;
    image.format = PNG_FORMAT_RGBA;
    out.rgba.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr)) {
        out.width = static_cast<int>(image.width);
        out.height = static_cast<int>(image.height);
    }
    return out;
}

// Runs a command, returning its exit status; stderr goes to errPath.
int run(const std::string& command, const fs::path& errPath) {
    const int status = std::system((command + " 2>" + errPath.string()).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<uint8_t> placeholderPack() {
    return assemblePack(readText(fs::path(LUMEN_SOURCE_DIR) / "tests/drawing/placeholder_show.txt"),
                        "placeholder_show.txt");
}

TEST(FrameCommand, WritesThePlaceholderShowFrameAsPng) {
    if (lumenkit().empty()) GTEST_SKIP() << "no lumenkit to run";
    const fs::path dir = outputDir();
    writeBytes(dir / "placeholder_show.pack", placeholderPack());
    const fs::path png = dir / "placeholder_show.png";
    fs::remove(png);
    const int rc = run(lumenkit() + " frame " + (dir / "placeholder_show.pack").string() + " 5000 " +
                           png.string(),
                       dir / "frame.err");
    ASSERT_EQ(rc, 0) << readText(dir / "frame.err");
    const Png pic = readPng(png);
    ASSERT_EQ(pic.width, 640);
    ASSERT_EQ(pic.height, 480);
    // The scene view drew lit geometry somewhere in the picture's middle band,
    // and the textured layer brightened its corner rectangle.
    int lit = 0;
    for (int y = 100; y < 380; ++y)
        for (int x = 100; x < 540; ++x) lit += pic.at(x, y)[0] + pic.at(x, y)[1] + pic.at(x, y)[2] > 150;
    EXPECT_GT(lit, 2000);
    std::printf("placeholder show frame: %s\n", png.c_str());

    // The same command at 320 x 240 writes a picture of that size.
    const fs::path small = dir / "placeholder_show_320.png";
    ASSERT_EQ(run(lumenkit() + " frame " + (dir / "placeholder_show.pack").string() +
                      " 5000 " + small.string() + " --size 320x240 --animate-all",
                  dir / "frame.err"),
              0)
        << readText(dir / "frame.err");
    EXPECT_EQ(readPng(small).width, 320);
}

TEST(FrameCommand, ABadPackIsOneLineNamingTheFileSectionAndByteOffset) {
    if (lumenkit().empty()) GTEST_SKIP() << "no lumenkit to run";
    const fs::path dir = outputDir();
    std::vector<uint8_t> bytes = placeholderPack();
    bytes.resize(bytes.size() - 5);
    writeBytes(dir / "truncated.pack", bytes);
    const int rc = run(lumenkit() + " frame " + (dir / "truncated.pack").string() + " 0 " +
                           (dir / "truncated.png").string(),
                       dir / "bad.err");
    EXPECT_EQ(rc, 1);
    const std::string err = readText(dir / "bad.err");
    EXPECT_NE(err.find("truncated.pack"), std::string::npos) << err;
    EXPECT_NE(err.find("timeline"), std::string::npos) << err;
    EXPECT_NE(err.find("byte"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "truncated.png"));

    EXPECT_EQ(run(lumenkit() + " frame " + (dir / "truncated.pack").string() + " 0 x.png --size 12by3",
                  dir / "size.err"),
              1);
    EXPECT_NE(readText(dir / "size.err").find("--size"), std::string::npos);
}

}  // namespace
}  // namespace lumen
