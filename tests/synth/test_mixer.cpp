#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "song_fixture.h"
#include "synth/mixer.h"

namespace lumen {
namespace {

// A sample whose entry k holds k (or `fill`), so the mixed value names the position read.
struct TestSample {
    Sample s;
    int16_t* data;  // writable view of s.data
    TestSample(uint32_t length, uint8_t mode, uint32_t loopStart, uint32_t loopLength, int fill = -1) {
        s.storage.assign(Sample::kGuardEntries + length + 8, 0);
        s.data = data = s.storage.data() + Sample::kGuardEntries;
        for (uint32_t k = 0; k < length; ++k) data[k] = int16_t(fill < 0 ? int(k) : fill);
        s.length = length;
        s.loopMode = mode;
        s.loopStart = loopStart;
        s.loopLength = loopLength;
        // The entry after the loop, read by interpolation at its end.
        if (mode != kLoopNone)
            data[loopStart + loopLength] = data[mode == kLoopForward ? loopStart : loopStart + loopLength - 1];
        s.bits = 16;
    }
};

// Channel 0 plays s at full settled gain 255/255 on the left, so left output = sample value.
MixerChannel& settledVoice(Mixer& m, const Sample& s, int step = 1, uint32_t stepFraction = 0) {
    MixerChannel& c = m.channel(0);
    c.sample = &s;
    c.step = step;
    c.stepFraction = stepFraction;
    c.targetA = c.rampTargetA = 255;
    c.currentA = 255 * 256;
    return c;
}

std::vector<float> mixLeft(Mixer& m, int frames, std::vector<float>* both = nullptr) {
    std::vector<float> buffer(size_t(frames) * 2, 0.0f), left;
    m.mix(buffer.data(), frames);
    for (int i = 0; i < frames; ++i) left.push_back(buffer[size_t(i) * 2]);
    if (both) *both = buffer;
    return left;
}

// A new voice fades in over exactly 128 frames; a ramp split across calls goes
// on where it stopped; a new target on either side mid-ramp starts a fresh ramp.
TEST(MixerRamps, FadeInSplitAndRetarget) {
    TestSample r(1000, kLoopForward, 0, 1000, 255);
    Mixer whole, split;
    for (Mixer* m : {&whole, &split}) {
        m->channel(3).sample = &r.s;
        m->channel(3).step = 1;
        m->channel(3).targetA = m->channel(3).targetB = 40;
    }
    std::vector<float> a, b(400, 0.0f);
    mixLeft(whole, 200, &a);
    EXPECT_FLOAT_EQ(a[0], 0.0f);
    EXPECT_NEAR(a[2 * 64], 20.0f, 0.01);
    EXPECT_LT(a[2 * 127], 39.9f);
    EXPECT_FLOAT_EQ(a[2 * 128], 40.0f);
    EXPECT_FLOAT_EQ(a[2 * 199 + 1], 40.0f);
    EXPECT_EQ(whole.channel(3).currentA, 40 * 256);
    split.mix(b.data(), 50);
    EXPECT_EQ(split.channel(3).rampFramesLeft, 78);
    split.mix(b.data() + 100, 150);
    for (size_t i = 0; i < 400; ++i) EXPECT_NEAR(a[i], b[i], 0.02) << i;
    for (bool sideB : {false, true}) {
        Mixer m;
        m.channel(0) = whole.channel(3);
        m.channel(0).currentA = m.channel(0).currentB = 0;
        m.channel(0).rampFramesLeft = 0;
        m.channel(0).targetA = m.channel(0).targetB = 100;
        mixLeft(m, 64);
        (sideB ? m.channel(0).targetB : m.channel(0).targetA) = 0;
        mixLeft(m, 10);
        EXPECT_EQ(m.channel(0).rampFramesLeft, 118) << sideB;
    }
}

// Indices read at step 1.0 from a start position, for the modes that end or wrap.
TEST(MixerLoops, NoLoopEndsAndForwardRevisitsItsSpan) {
    for (uint8_t mode : {kLoopNone, kLoopForward}) {
        const bool none = mode == kLoopNone;
        TestSample r(none ? 300 : 150, mode, none ? 0 : 100, none ? 300 : 50);
        Mixer m;
        settledVoice(m, r.s).position = none ? 290 : 90;
        const auto left = mixLeft(m, 200);
        for (int f = 0; f < 200; ++f) {
            const float want = f < 10 ? float((none ? 290 : 90) + f) : none ? 0.0f : float(100 + (f - 10) % 50);
            ASSERT_FLOAT_EQ(left[size_t(f)], want) << int(mode) << " " << f;
        }
        EXPECT_EQ(m.channel(0).sample, none ? nullptr : &r.s);
    }
}

TEST(MixerLoops, PingPongReflectsJustShortOfTheMirrorImage) {
    TestSample r(150, kLoopPingPong, 100, 50);
    Mixer m;
    MixerChannel& c = settledVoice(m, r.s);
    c.position = 148;
    mixLeft(m, 2);  // reads 148, 149 and stops at the end, 150.0
    // 2 * 150 - 150 - 2^-32 = 149 + (1 - 2^-32), moving backward.
    EXPECT_EQ(c.direction, kPlayBackward);
    EXPECT_EQ(c.position, 149);
    EXPECT_EQ(c.positionFraction, 0xFFFFFFFFu);
    const auto back = mixLeft(m, 50);
    EXPECT_NEAR(back[0], 149.0f, 1.0f);
    EXPECT_NEAR(back[49], 100.0f, 1.0f);
    EXPECT_EQ(c.direction, kPlayForward);  // crossed 100 and turned again
    EXPECT_EQ(c.position, 100);
}

TEST(MixerStepping, InterpolationPanStandstillAndEmptySample) {
    TestSample r(100, kLoopNone, 0, 100);
    Mixer m;
    MixerChannel& c = settledVoice(m, r.s, 0, 0x40000000u);  // a quarter sample per frame
    std::vector<float> both;
    const auto left = mixLeft(m, 5, &both);
    EXPECT_FLOAT_EQ(left[1], 0.25f);
    EXPECT_FLOAT_EQ(left[4], 1.0f);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(both[size_t(i) * 2 + 1], 0.0f);  // pan 255: nothing on the right
    // A voice never given a frequency stands still instead of trapping.
    const int position = c.position;
    c.stepFraction = 0;
    mixLeft(m, 2);
    EXPECT_EQ(c.position, position);
    Sample empty;  // the stand-in for a missing sample: no data, no loop mode
    c.sample = &empty;
    c.step = 1;
    mixLeft(m, 10);
    EXPECT_EQ(c.sample, nullptr);
}

// 40 voices over forward and ping-pong loops, half of them ramping, against
// a golden hash; the vector and scalar paths must give identical bits.
TEST(MixerPaths, VectorAndScalarPathsGiveIdenticalGoldenBits) {
    TestSample forward(20000, kLoopForward, 3000, 15000), pingPong(20000, kLoopPingPong, 500, 7001);
    for (uint32_t k = 0; k < 20000; ++k)  // a wild waveform, so every product matters
        forward.data[k] = pingPong.data[k] = int16_t((k * 2654435761u) >> 16);
    Mixer vector, scalar;
    scalar.setVectorPath(false);
    for (Mixer* m : {&vector, &scalar}) {
        for (int i = 0; i < 40; ++i) {
            MixerChannel& c = m->channel(i);
            c.sample = i % 2 ? &pingPong.s : &forward.s;
            c.position = 600 + 37 * i;
            c.step = i % 4;
            c.stepFraction = 0x9E3779B9u * uint32_t(i + 1);
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
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(vector.channel(i).position, scalar.channel(i).position);
        EXPECT_EQ(vector.channel(i).positionFraction, scalar.channel(i).positionFraction);
        EXPECT_EQ(vector.channel(i).direction, scalar.channel(i).direction);
    }
}

}  // namespace
}  // namespace lumen
