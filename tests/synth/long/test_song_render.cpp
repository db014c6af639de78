#include <gtest/gtest.h>

#include <vector>

#include "content/song_builtin.h"
#include "song_fixture.h"
#include "synth/offline_render.h"

namespace lumen {
namespace {

// The built-in song from its first block through the wrap to the restart
// position, as the device would receive it, against its golden hash.
TEST(SongRender, BuiltInSongThroughItsRestart) {
    const auto& song = content::builtInSong();
    std::vector<int16_t> pcm;
    const auto keep = [&](const int16_t* samples, size_t frames) {
        pcm.insert(pcm.end(), samples, samples + 2 * frames);
    };
    renderSongOffline(SongSource{song.image, song.planes, song.definitions}, size_t(64) * kOutputRate, keep, {});
    ASSERT_EQ(pcm.size(), size_t(64) * kOutputRate * 2);
    testing::expectGolden("built-in song 64 s", testing::fnv1a(pcm));
}

}  // namespace
}  // namespace lumen
