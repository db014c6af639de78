// The fixture song rendered offline through its restart, pinned by its
// golden hash.
#include <gtest/gtest.h>

#include <vector>

#include "song_fixture.h"
#include "synth/offline_render.h"
#include "synth/song_source_format.h"

namespace lumen {
namespace {

// The small fixture song from its first block through the wrap to its restart
// position, as the device would receive it, against its golden hash.
TEST(SongRender, FixtureSongThroughItsRestart) {
    const StoredSong song = compileSongSource(readSongSourceFolder(LUMEN_SOURCE_DIR "/tests/synth/data/drift-song"));
    std::vector<int16_t> pcm;
    const auto keep = [&](const int16_t* samples, size_t frames) {
        pcm.insert(pcm.end(), samples, samples + 2 * frames);
    };
    renderSongOffline(SongSource{song.image, song.planes, song.definitions}, size_t(64) * kOutputRate, keep, {});
    ASSERT_EQ(pcm.size(), size_t(64) * kOutputRate * 2);
    testing::expectGolden("fixture song 64 s", testing::fnv1a(pcm));
}

}  // namespace
}  // namespace lumen
