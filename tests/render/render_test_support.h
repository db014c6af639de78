// What the render and shot tests share: a scratch folder, PNG reading, the
// built-in song's clock, and whether the ffmpeg tools are installed.
#pragma once
#include <png.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "content/song_builtin.h"
#include "shell/song_run.h"
#include "support/tool_run.h"
#include "synth/synth.h"

namespace lumen::testing {

struct Rgba8 {
    std::vector<uint8_t> pixels;
    int width = 0, height = 0;
};

inline Rgba8 readPngRgba(const std::filesystem::path& p) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, p.c_str())) return {};
    image.format = PNG_FORMAT_RGBA;
    Rgba8 out{std::vector<uint8_t>(PNG_IMAGE_SIZE(image)), int(image.width), int(image.height)};
    if (!png_image_finish_read(&image, nullptr, out.pixels.data(), 0, nullptr)) return {};
    return out;
}

inline std::filesystem::path scratchDir(const std::string& name) {
    const auto dir = std::filesystem::path(LUMEN_BINARY_DIR) / "render_tests" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline bool haveFfmpegTools() {
    return runCommand("ffmpeg -version").status == 0 && runCommand("ffprobe -version").status == 0;
}

// The built-in song, loaded into a fresh player.
inline void loadBuiltInSong(ModulePlayer& player) {
    const content::SongBytes& s = content::builtInSong();
    loadSongSource(player, SongSource{s.image, s.planes, s.definitions});
}

}  // namespace lumen::testing
