// The mixer's ramps and vector path, block sizes and PCM rounding, the block
// renderer's clock, and the synthesiser without a device or a playable song.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "base/log.h"
#include "song_fixture.h"
#include "synth/block_renderer.h"
#include "synth/mixer.h"

namespace lumen {
namespace {

// A sample filled with `value`, or with a wild waveform (every product matters) when it is 0.
struct TestSample {
    Sample s;
    TestSample(uint32_t length, uint8_t mode, uint32_t loopStart, uint32_t loopLength, int16_t value = 0) {
        s.storage.assign(Sample::kGuardEntries + length + 8, 0);
        int16_t* data = s.storage.data() + Sample::kGuardEntries;
        for (uint32_t k = 0; k < length; ++k) data[k] = value ? value : int16_t((k * 2654435761u) >> 16);
        // The entry after the loop, read by interpolation at its end.
        data[loopStart + loopLength] = data[mode == kLoopForward ? loopStart : loopStart + loopLength - 1];
        s.data = data;
        s.length = length;
        s.loopMode = mode;
        s.loopStart = loopStart;
        s.loopLength = loopLength;
        s.bits = 16;
    }
};

// A new voice fades in over exactly 128 frames; a ramp split across calls goes
// on where it stopped; a new target on one side mid-ramp starts a fresh ramp.
TEST(MixerRamps, FadeInSplitAndRetarget) {
    TestSample r(1000, kLoopForward, 0, 1000, 255);
    Mixer whole, split;
    for (Mixer* m : {&whole, &split}) {
        m->channel(3).sample = &r.s;
        m->channel(3).step = 1;
        m->channel(3).targetA = m->channel(3).targetB = 40;
    }
    std::vector<float> a(400, 0.0f), b(400, 0.0f);
    whole.mix(a.data(), 200);
    EXPECT_EQ(std::tuple(a[0], a[2 * 128], a[2 * 199 + 1]), std::tuple(0.0f, 40.0f, 40.0f));
    EXPECT_NEAR(a[2 * 64], 20.0f, 0.01);
    EXPECT_LT(a[2 * 127], 39.9f);
    split.mix(b.data(), 50);
    EXPECT_EQ(split.channel(3).rampFramesLeft, 78);
    split.mix(b.data() + 100, 150);
    for (size_t i = 0; i < 400; ++i) EXPECT_NEAR(a[i], b[i], 0.02) << i;
    MixerChannel& c = split.channel(3);
    c.targetA = c.targetB = 100;
    split.mix(b.data(), 64);
    c.targetB = 0;  // mid-ramp, on one side only
    split.mix(b.data(), 10);
    EXPECT_EQ(c.rampFramesLeft, 118);
}

// 40 voices over short forward and ping-pong loops, a third of them ramping,
// some standing still, against a golden hash; the vector and scalar paths
// must give identical bits.
TEST(MixerPaths, VectorAndScalarPathsGiveIdenticalGoldenBits) {
    TestSample forward(20000, kLoopForward, 3000, 1500), pingPong(20000, kLoopPingPong, 500, 7001);
    Mixer vector, scalar;
    scalar.setVectorPath(false);
    for (Mixer* m : {&vector, &scalar}) {
        for (int i = 0; i < 40; ++i) {
            MixerChannel& c = m->channel(i);
            c.sample = i % 2 ? &pingPong.s : &forward.s;
            c.position = 600 + 37 * i;
            c.step = i % 4;
            c.stepFraction = i % 8 ? 0x9E3779B9u * uint32_t(i + 1) : 0;  // some stand still
            c.targetA = (i * 13) % 128;
            c.targetB = (i * 29) % 128;
            c.currentA = i % 3 ? c.targetA * 256 : 0;
            c.currentB = c.targetB * 256;
        }
    }
    std::vector<float> a(2 * 5000, 0.0f), b(2 * 5000, 0.0f);
    for (int piece = 0; piece < 5; ++piece) {
        vector.mix(a.data() + 2000 * piece, 1000);
        scalar.mix(b.data() + 2000 * piece, 1000);
    }
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(float)));
    testing::expectGolden("mixer 40 voices", testing::fnv1a(a));
}

TEST(BlockSizes, At44100TheRingIs100BlocksOf884FramesAndPcmRoundsToEven) {
    const OutputSizes s = OutputSizes::forRate(44100);
    EXPECT_EQ(std::tuple(s.blockFrames, s.ringFrames, s.blockCount), std::tuple(884, 88400, 100));
    EXPECT_EQ(OutputSizes::forRate(22050).blockFrames, 444);  // 441 rounded up to a multiple of 4
    EXPECT_EQ(Mixer(44100).rampLength(), 128);
    for (auto [mix, pcm] : {std::pair{40000.0f, 32767},
                            {-40000.0f, -32768},
                            {2.5f, 2},
                            {3.5f, 4},
                            {-2.5f, -2},
                            {32767.4f, 32767},
                            {-32768.0f, -32768}})
        EXPECT_EQ(pcmFromMix(mix), pcm) << mix;
}

TEST(BlockRenderer, EachPieceAddsItsOwnTruncatedMillisecondsAndANoteReachesTheRing) {
    testing::TestSong song(1, 1);
    song.addInstrument(testing::oneSampleInstrument(8000, sampletype::ForwardLoop, 0, 8000),
                       testing::constantDefinition(8000, 0.5f));
    song.set(0, 0, 0, Cell{49, 1, 0, 0, 0});
    auto p = song.start();
    BlockRenderer r(*p);
    r.prefill();
    const int16_t* b = r.block(0);
    // Sample value 62 * 256, full volume 127, pan 128: both targets are 63, so
    // each side settles at 15872 * 63 / 255 = 3921.3; the fade-in starts from silence.
    EXPECT_EQ(std::tuple(b[0], b[2 * 200], b[2 * 200 + 1]), std::tuple(0, 3921, 3921));
    // Block 0: a whole 882-frame tick (20 ms) and a 2-frame piece (0 ms);
    // block 1: the tick's remaining 880 frames (19 ms) and 4 frames (0 ms).
    EXPECT_EQ(std::tuple(r.fillIndex(), r.positionAt(0), r.positionAt(1)), std::tuple(0, 20, 39));
    // The clock loses a little against the sample count, block after block.
    EXPECT_LT(r.positionAt(99), 100 * 884 * 1000 / 44100);
    EXPECT_EQ(p->songTime, r.positionAt(99));
    r.renderBlock();  // refilling block 0 goes on from where the pre-fill stopped
    EXPECT_EQ(r.fillIndex(), 1);
    EXPECT_GT(r.positionAt(0), r.positionAt(99));
    song.layout.defaultTempo = 32;  // slow ticks span several blocks
    p = song.start();
    BlockRenderer slow(*p);
    slow.renderBlock();
    EXPECT_EQ(std::tuple(p->samplesPerTick, p->samplesLeftInTick, p->tick), std::tuple(3445, 3445 - 884, 1));
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
        song.addInstrument(testing::oneSampleInstrument(1000), testing::constantDefinition(1000));
        song.set(0, 0, 0, Cell{49, 1, 0, 0, 0});
        if (!playable) song.layout.defaultTempo = 0;
        std::vector<float> progress;
        Synth synth;
        EXPECT_EQ(synth.synthInit(song.source(), [&](float p) { progress.push_back(p); }), playable ? 1 : 0);
        EXPECT_EQ(logged.rfind("no audio device: playing without sound\n", 0), 0u);
        EXPECT_EQ(logged.find("lumen: song: song image: byte 78: expected a default tempo") == 39, !playable);
        EXPECT_FALSE(synth.hasSound());
        EXPECT_EQ(progress, playable ? std::vector<float>{1.0f} : std::vector<float>{});
        synth.synthStart();
        EXPECT_GE(synth.synthGetTimeMs(), playable ? 20 : 0);  // the end of block 0
        // Waits (without asserting any speed) until the clock passes 200 ms.
        for (int i = 0; i < 400 && synth.synthGetTimeMs() <= 200; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_GT(synth.synthGetTimeMs(), 200);
    }
    setLogSink({});  // back to the default: the line on stderr
    ::testing::internal::CaptureStderr();
    logMessage(LogLevel::Warning, "one line");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "one line\n");
}

}  // namespace
}  // namespace lumen
