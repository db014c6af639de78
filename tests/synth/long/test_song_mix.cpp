// The built-in song as a finished track: rendered whole, offline, and held to
// the mix rules a release needs (loudness, true peak, clipping, silence,
// stereo), and long enough that it does not wrap before the show ends.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "content/song_builtin.h"
#include "loudness_meter.h"
#include "synth/module_player.h"
#include "synth/offline_render.h"
#include "synth/song_loader.h"
#include "synth/song_timemap.h"

namespace lumen {
namespace {

constexpr int kShowEndMs = 512000;        // the show's last frame
constexpr double kQuietestLufs = -16, kLoudestLufs = -11;
constexpr double kMaxTruePeakDbfs = -0.5;
constexpr size_t kMaxClipRun = 8;         // samples
constexpr double kMaxSilenceSeconds = 1.5;  // the song names no silent break
constexpr double kMinChannelRmsDb = -40;  // each side carries real signal
constexpr double kMaxChannelImbalanceDb = 3;
constexpr double kMinSideToMidDb = -30;   // the sides differ: a stereo mix, not dual mono

SongSource builtIn() {
    const auto& song = content::builtInSong();
    return SongSource{song.image, song.planes, song.definitions};
}

SongTimeMap builtInTimeMap() {
    auto player = std::make_unique<ModulePlayer>();
    loadSongSource(*player, builtIn());
    return buildTimeMap(*player);
}

// The song plays past the show's end before it wraps, and the picture cuts to
// fixed show times: the song puts a downbeat on each, within about a row (a
// row at speed 6 and tempo 125 is 114 ms of show time).
TEST(SongMix, BuiltInSongOutlastsTheShowAndMarksThePicturesCuesWithinARow) {
    constexpr int kToleranceMs = 120;
    const struct {
        const char* what;
        int order, row, showTimeMs;
    } cues[] = {
        {"machine starts turning", 52, 0, 399500}, {"machine stops", 54, 21, 416480},
        {"finale window 1", 56, 0, 422130},        {"finale window 2", 61, 0, 451450},
        {"finale window 3", 65, 0, 473540},        {"ending", 70, 0, 509730},
    };
    const SongTimeMap map = builtInTimeMap();
    ASSERT_TRUE(map.wrapped);
    EXPECT_GE(map.wrap.showTimeMs(), kShowEndMs);
    for (const auto& c : cues) {
        const auto row = map.find(c.order, c.row);
        ASSERT_TRUE(row.has_value()) << c.what;
        EXPECT_NEAR(row->showTimeMs(), c.showTimeMs, kToleranceMs) << c.what;
    }
}

// Renders up to the wrap: the first pass is what the show plays.
TEST(SongMix, BuiltInSongMeetsTheLoudnessPeakClippingAndSilenceRules) {
    const SongTimeMap map = builtInTimeMap();
    ASSERT_TRUE(map.wrapped);
    std::vector<int16_t> pcm;
    pcm.reserve(size_t(map.wrap.audioFrame) * 2);
    renderSongOffline(builtIn(), size_t(map.wrap.audioFrame),
                      [&](const int16_t* frames, size_t count) { pcm.insert(pcm.end(), frames, frames + 2 * count); });
    ASSERT_EQ(pcm.size(), size_t(map.wrap.audioFrame) * 2);

    const testing::MixMeasurements m = testing::measureMix(pcm);
    EXPECT_GE(m.integratedLufs, kQuietestLufs);
    EXPECT_LE(m.integratedLufs, kLoudestLufs);
    EXPECT_LE(m.truePeakDbfs, kMaxTruePeakDbfs);
    EXPECT_LE(m.longestClipRun, kMaxClipRun);
    EXPECT_LE(m.longestSilenceSeconds, kMaxSilenceSeconds) << "silent from " << m.silenceStartSeconds << " s";
    for (double rms : m.channelRmsDb) EXPECT_GT(rms, kMinChannelRmsDb);
    EXPECT_LT(std::abs(m.channelRmsDb[0] - m.channelRmsDb[1]), kMaxChannelImbalanceDb);
    EXPECT_GT(m.sideToMidDb, kMinSideToMidDb);
    RecordProperty("integrated_lufs", std::to_string(m.integratedLufs));
    RecordProperty("true_peak_dbfs", std::to_string(m.truePeakDbfs));
}

}  // namespace
}  // namespace lumen
