#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "base/log.h"
#include "song_fixture.h"

namespace lumen {
namespace {

// Waits (without asserting any speed) until the clock passes `ms`.
int clockAfter(const Synth& synth, int ms) {
    for (int i = 0; i < 400 && synth.synthGetTimeMs() <= ms; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return synth.synthGetTimeMs();
}

// Without a device the show plays silently on a running clock; a song that
// cannot load fails in one logged line and the clock still runs.
TEST(SynthClock, WithoutADeviceOrASongTheClockStillRuns) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::string logged;
    setLogSink([&](LogLevel, std::string_view message) { logged += std::string(message) + "\n"; });
    for (bool playable : {true, false}) {
        logged.clear();
        testing::TestSong song(1, 1);
        song.addInstrument(testing::oneSampleInstrument(1000, sampletype::ForwardLoop, 0, 1000),
                           testing::constantDefinition(1000));
        song.set(0, 0, 0, Cell{49, 1, 0, 0, 0});
        if (!playable) song.layout.defaultTempo = 0;
        std::vector<float> progress;
        Synth synth;
        EXPECT_EQ(synth.synthInit(song.source(), [&](float p) { progress.push_back(p); }), playable ? 1 : 0);
        EXPECT_EQ(logged, playable ? "no audio device: playing without sound\n"
                                   : "no audio device: playing without sound\n"
                                     "lumen: song: song image: byte 78: expected a default tempo of 1 or more, got 0\n");
        EXPECT_FALSE(synth.hasSound());
        EXPECT_EQ(progress, playable ? std::vector<float>{1.0f} : std::vector<float>{});
        synth.synthStart();
        EXPECT_GE(synth.synthGetTimeMs(), playable ? 20 : 0);  // the end of block 0
        EXPECT_GT(clockAfter(synth, 200), 200);
    }
    setLogSink({});  // back to the default: the line on stderr
    ::testing::internal::CaptureStderr();
    logMessage(LogLevel::Warning, "one line");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "one line\n");
}

}  // namespace
}  // namespace lumen
