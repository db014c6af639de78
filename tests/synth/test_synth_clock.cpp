#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "song_fixture.h"
#include "synth/synth.h"

namespace lumen {
namespace {

// Waits (without asserting any speed) until the clock passes `ms`.
int clockAfter(const Synth& synth, int ms) {
    for (int i = 0; i < 400 && synth.synthGetTimeMs() <= ms; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return synth.synthGetTimeMs();
}

TEST(SynthClock, WithoutADeviceTheShowPlaysSilentlyOnARunningClock) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    testing::TestSong song(1, 1);
    song.addInstrument(testing::oneSampleInstrument(1000, 1, 0, 1000), testing::constantDefinition(1000));
    song.set(0, 0, 0, Cell{49, 1, 0, 0, 0});
    const SongSource source = song.source();
    std::vector<float> progress;
    Synth synth;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(synth.synthInit(source, [&](float p) { progress.push_back(p); }), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "no audio device: playing without sound\n");
    EXPECT_FALSE(synth.hasSound());
    EXPECT_EQ(progress, std::vector<float>{1.0f});
    synth.synthStart();
    // The time at the end of block 0 (the thread may already have moved on).
    EXPECT_GE(synth.synthGetTimeMs(), 20);
    EXPECT_GT(clockAfter(synth, 200), 200);
}

TEST(SynthClock, ASongThatCannotLoadFailsInOneLineAndStillKeepsTime) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    testing::TestSong song(1, 1);
    song.layout.defaultTempo = 0;
    Synth synth;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(synth.synthInit(song.source()), 0);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err,
              "no audio device: playing without sound\n"
              "lumen: song: song image: byte 78: expected a default tempo of 1 or more, got 0\n");
    synth.synthStart();
    EXPECT_GT(clockAfter(synth, 50), 50);
}

}  // namespace
}  // namespace lumen
