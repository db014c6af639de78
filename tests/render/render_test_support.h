// What the render and shot tests share: a scratch folder, the
// built-in song's clock, and whether the ffmpeg tools are installed.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "content/song_builtin.h"
#include "shell/song_run.h"
#include "support/picture.h"
#include "support/tool_run.h"
#include "synth/synth.h"

namespace lumen::testing {

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
