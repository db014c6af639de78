// The time map against the clock the show reads: the song plays through the
// synthesiser's own pre-fill and polling path on a device whose play position
// the test moves, and synthGetTimeMs is read while each row's block plays.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "platform/audio_device.h"
#include "synth/block_renderer.h"
#include "synth/song_source_format.h"
#include "synth/song_timemap.h"
#include "synth/synth.h"

namespace lumen {
namespace {

// A device that plays nothing and reports the byte position the test sets.
class SteppedDevice final : public platform::AudioDevice {
public:
    void play(const uint8_t*, size_t) override {}
    uint64_t bytesPlayed() override {
        const uint64_t b = bytes.load();
        polls.fetch_add(1);
        return b;
    }
    std::atomic<uint64_t> bytes{0};
    std::atomic<int> polls{0};
};

// A 64-row pattern of two empty channels but for effects on channel 2.
std::string pattern(const std::map<int, std::string>& effects) {
    std::string text;
    for (int r = 0; r < 64; ++r) {
        const auto e = effects.find(r);
        text += std::to_string(r) + " | ... .. ... ... | ... .. ... " + (e == effects.end() ? "..." : e->second) + "\n";
    }
    return text;
}

// Speed and tempo changes, a break into the middle of the next pattern, and a
// break in the last order that wraps the song to its start.
StoredSong clockSong() {
    return compileSongSource({
        {"song.txt", "channels 2\nspeed 4\ntempo 140\npatterns a b c\norders a b c\n"},
        {"a.pattern", pattern({{2, "F02"}, {5, "FA0"}, {9, "D05"}})},  // speed 2, tempo 160, to 1:5
        {"b.pattern", pattern({{8, "F07"}, {12, "FC8"}, {15, "D00"}})},  // speed 7, tempo 200
        {"c.pattern", pattern({{0, "F01"}, {10, "F05"}, {20, "D00"}})},  // speed 1, then 5, wrap
    });
}

TEST(ClockSync, SynthClockReadsEachRowsSongTimeWhileItsBlockPlays) {
    const StoredSong stored = clockSong();
    const SongSource source{stored.image, stored.planes, stored.definitions};

    auto mapped = std::make_unique<ModulePlayer>();
    loadSongSource(*mapped, source);
    const SongTimeMap map = buildTimeMap(*mapped);
    // The song really changes speed and tempo, breaks and wraps.
    ASSERT_TRUE(map.wrapped);
    ASSERT_EQ(map.rows.size(), 10u + 11u + 21u);
    EXPECT_FALSE(map.find(0, 10).has_value());
    EXPECT_FALSE(map.find(1, 4).has_value());
    EXPECT_EQ(map.find(1, 5)->speed, 2);
    EXPECT_EQ(map.find(1, 13)->tempo, 200);
    EXPECT_EQ(map.find(2, 1)->speed, 1);

    auto owned = std::make_unique<SteppedDevice>();
    SteppedDevice& device = *owned;
    Synth synth(std::move(owned));
    ASSERT_EQ(synth.synthInit(source), 1);
    synth.synthStart();
    const OutputSizes sizes = OutputSizes::forRate(kOutputRate);

    // Moves the device into block `block` of the whole stream and waits until
    // the audio thread has polled it: the third poll after the move starts
    // after a poll that read the new position has finished.
    auto playBlock = [&](int64_t block) {
        device.bytes.store(uint64_t(block * sizes.blockFrames + sizes.blockFrames / 2) * 4);
        const int seen = device.polls.load();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (device.polls.load() < seen + 3) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the audio thread stopped polling";
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    for (const TimeMapRow& r : map.rows) {
        ASSERT_NO_FATAL_FAILURE(playBlock(r.audioFrame / sizes.blockFrames));
        const int clock = synth.synthGetTimeMs();
        EXPECT_GE(clock, r.songTimeMs) << "order " << r.order << " row " << r.row;
        EXPECT_LE(clock, r.songTimeMs + 20) << "order " << r.order << " row " << r.row;
    }
}

}  // namespace
}  // namespace lumen
