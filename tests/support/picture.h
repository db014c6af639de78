// A picture's pixels as the drawing and tool tests read them, and reading
// one back from a PNG file.
#pragma once
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace lumen::testing {

struct Rgba {
    int r = 0, g = 0, b = 0, a = 0;
};

// Pixels read back from the picture, rows top-down.
struct Picture {
    std::vector<uint8_t> pixels;
    int width = 0, height = 0;
    Rgba at(int x, int y) const {
        const uint8_t* p = &pixels[(size_t(y) * width + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
    bool allBlack() const {
        return std::all_of(pixels.begin(), pixels.end(), [](uint8_t b) { return b == 0; });
    }
    // Calls f(x, y, pixel) for every pixel.
    template <typename F>
    void forEach(F f) const {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) f(x, y, at(x, y));
    }
};

// The file's pixels, RGBA rows top-down, or an empty picture when it cannot be read.
inline Picture readPngPicture(const std::filesystem::path& p) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, p.c_str())) return {};
    image.format = PNG_FORMAT_RGBA;
    Picture out{std::vector<uint8_t>(PNG_IMAGE_SIZE(image)), int(image.width), int(image.height)};
    if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr)) return {};
    return out;
}

}  // namespace lumen::testing
