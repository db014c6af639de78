// What the render and shot tests share: a scratch folder, the
// built-in song and its recorded run, and whether the ffmpeg tools are installed.
#pragma once
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
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

inline SongSource builtInSongSource() {
    const content::SongBytes& s = content::builtInSong();
    return SongSource{s.image, s.planes, s.definitions};
}

// A fresh player with the built-in song loaded.
inline std::unique_ptr<ModulePlayer> builtInPlayer() {
    auto player = std::make_unique<ModulePlayer>();
    loadSongSource(*player, builtInSongSource());
    return player;
}

// The built-in song run from the start on its own player, every rendered
// block's bytes appended to pcm.
struct RecordedRun {
    std::unique_ptr<ModulePlayer> player = builtInPlayer();
    SongRun run{*player};
    std::vector<int16_t> pcm;
    RecordedRun(const RecordedRun&) = delete;
    RecordedRun() {
        run.setBlockSink([this](const int16_t* f, int n) { pcm.insert(pcm.end(), f, f + size_t(n) * 2); });
    }
    // Whether `values` samples at `got` equal song block `block`.
    bool blockEquals(const int16_t* got, size_t values, int block) const {
        return std::equal(got, got + values, pcm.data() + size_t(block) * values);
    }
};

}  // namespace lumen::testing
