#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "synth/mixer.h"

namespace lumen {
namespace {

// A sample whose entry k holds k, so the mixed value names the position read.
struct RampSample {
    Sample s;
    RampSample(uint32_t length, uint8_t mode, uint32_t loopStart, uint32_t loopLength) {
        s.storage.assign(Sample::kGuardEntries + length + 8, 0);
        s.data = s.storage.data() + Sample::kGuardEntries;
        for (uint32_t k = 0; k < length; ++k) s.storage[Sample::kGuardEntries + k] = int16_t(k);
        s.length = length;
        s.loopMode = mode;
        s.loopStart = loopStart;
        s.loopLength = loopLength;
        if (mode == kLoopForward) s.storage[Sample::kGuardEntries + loopStart + loopLength] = int16_t(loopStart);
        if (mode == kLoopPingPong)
            s.storage[Sample::kGuardEntries + loopStart + loopLength] = int16_t(loopStart + loopLength - 1);
        s.bits = 16;
    }
};

// A voice at full settled gain 255/255 on the left, so left output = sample value.
MixerChannel& settledVoice(Mixer& m, const Sample& s, int step = 1, uint32_t stepFraction = 0) {
    MixerChannel& c = m.channel(0);
    c.sample = &s;
    c.step = step;
    c.stepFraction = stepFraction;
    c.targetA = c.rampTargetA = 255;
    c.currentA = 255 * 256;
    c.targetB = c.rampTargetB = 0;
    return c;
}

std::vector<float> mixLeft(Mixer& m, int frames) {
    std::vector<float> buffer(size_t(frames) * 2, 0.0f);
    m.mix(buffer.data(), frames);
    std::vector<float> left;
    for (int i = 0; i < frames; ++i) left.push_back(buffer[size_t(i) * 2]);
    return left;
}

TEST(MixerRamps, NewVoiceFadesInOverExactly128Frames) {
    Sample s;
    s.storage.assign(Sample::kGuardEntries + 1000 + 8, 255);
    s.data = s.storage.data() + Sample::kGuardEntries;
    s.length = 1000;
    s.loopMode = kLoopForward;
    s.loopLength = 1000;
    Mixer m;
    MixerChannel& c = m.channel(3);
    c.sample = &s;
    c.step = 1;
    c.targetA = 40;
    c.targetB = 40;
    std::vector<float> buffer(400, 0.0f);
    m.mix(buffer.data(), 200);
    const float full = 255.0f * 40 / 255;
    EXPECT_FLOAT_EQ(buffer[0], 0.0f);
    EXPECT_NEAR(buffer[2 * 64], full / 2, 0.01);
    EXPECT_LT(buffer[2 * 127], full - 0.1f);
    EXPECT_FLOAT_EQ(buffer[2 * 128], full);
    EXPECT_FLOAT_EQ(buffer[2 * 199 + 1], full);
    EXPECT_EQ(c.rampFramesLeft, 0);
    EXPECT_EQ(c.currentA, 40 * 256);
}

TEST(MixerRamps, RampContinuesAcrossCallsAndRestartsOnANewTarget) {
    Sample s;
    s.storage.assign(Sample::kGuardEntries + 1000 + 8, 255);
    s.data = s.storage.data() + Sample::kGuardEntries;
    s.length = 1000;
    s.loopMode = kLoopForward;
    s.loopLength = 1000;
    Mixer whole, split;
    for (Mixer* m : {&whole, &split}) {
        m->channel(0).sample = &s;
        m->channel(0).step = 1;
        m->channel(0).targetA = 100;
    }
    std::vector<float> a(400, 0.0f), b(400, 0.0f);
    whole.mix(a.data(), 200);
    split.mix(b.data(), 50);
    EXPECT_EQ(split.channel(0).rampFramesLeft, 78);
    EXPECT_NE(split.channel(0).rampIncrementA, 0.0f);
    split.mix(b.data() + 100, 150);
    for (size_t i = 0; i < 400; ++i) EXPECT_NEAR(a[i], b[i], 0.02) << i;

    // A target change mid-ramp starts a fresh 128-frame ramp from where the gain is.
    Mixer m;
    m.channel(0).sample = &s;
    m.channel(0).step = 1;
    m.channel(0).targetA = 100;
    std::vector<float> c(1000, 0.0f);
    m.mix(c.data(), 64);
    const int reached = m.channel(0).currentA;
    EXPECT_NEAR(reached, 50 * 256, 256);
    m.channel(0).targetA = 0;
    m.mix(c.data(), 10);
    EXPECT_EQ(m.channel(0).rampFramesLeft, 118);
    EXPECT_LT(m.channel(0).currentA, reached);
}

TEST(MixerLoops, NonLoopingSampleEndsAfterExactlyItsLength) {
    RampSample r(300, kLoopNone, 0, 300);
    Mixer m;
    settledVoice(m, r.s);
    const auto left = mixLeft(m, 400);
    EXPECT_FLOAT_EQ(left[299], 299.0f);
    EXPECT_FLOAT_EQ(left[300], 0.0f);
    EXPECT_EQ(m.channel(0).sample, nullptr);
    EXPECT_EQ(m.channel(0).position, 0);
}

TEST(MixerLoops, ForwardLoopRevisitsItsSpan) {
    RampSample r(150, kLoopForward, 100, 50);
    Mixer m;
    MixerChannel& c = settledVoice(m, r.s);
    c.position = 90;
    const auto left = mixLeft(m, 200);
    for (int i = 0; i < 10; ++i) EXPECT_FLOAT_EQ(left[size_t(i)], float(90 + i));
    for (int i = 10; i < 200; ++i) ASSERT_FLOAT_EQ(left[size_t(i)], float(100 + (i - 10) % 50)) << i;
    EXPECT_EQ(c.sample, &r.s);
}

TEST(MixerLoops, PingPongReflectsJustShortOfTheMirrorImage) {
    RampSample r(150, kLoopPingPong, 100, 50);
    Mixer m;
    MixerChannel& c = settledVoice(m, r.s);
    c.position = 148;
    mixLeft(m, 2);  // reads 148, 149 and stops at the end, 150.0
    // 2 * 150 - 150 - 2^-32 = 149 + (1 - 2^-32), moving backward.
    EXPECT_EQ(c.direction, 2);
    EXPECT_EQ(c.position, 149);
    EXPECT_EQ(c.positionFraction, 0xFFFFFFFFu);
    const auto back = mixLeft(m, 50);
    EXPECT_NEAR(back[0], 149.0f + 0.0f, 1.0f);
    EXPECT_NEAR(back[49], 100.0f, 1.0f);
    // After 50 frames backward it has crossed 100 and turned forward again.
    EXPECT_EQ(c.direction, 1);
    EXPECT_EQ(c.position, 100);
    const auto forward = mixLeft(m, 60);
    for (float v : forward) {
        EXPECT_GE(v, 100.0f - 1e-3f);
        EXPECT_LE(v, 149.0f + 1e-3f);
    }
}

TEST(MixerStepping, InterpolatesBetweenNeighbours) {
    RampSample r(100, kLoopNone, 0, 100);
    Mixer m;
    settledVoice(m, r.s, 0, 0x40000000u);  // a quarter sample per frame
    const auto left = mixLeft(m, 5);
    EXPECT_FLOAT_EQ(left[0], 0.0f);
    EXPECT_FLOAT_EQ(left[1], 0.25f);
    EXPECT_FLOAT_EQ(left[4], 1.0f);
}

TEST(MixerPan, FullPanPutsTheVoiceInTheFirstSampleOnly) {
    RampSample r(100, kLoopNone, 0, 100);
    Mixer m;
    settledVoice(m, r.s);
    std::vector<float> buffer(20, 0.0f);
    m.mix(buffer.data(), 10);
    for (int i = 1; i < 10; ++i) {
        EXPECT_GT(buffer[size_t(i) * 2], 0.0f);
        EXPECT_EQ(buffer[size_t(i) * 2 + 1], 0.0f);
    }
}

TEST(MixerStepping, SilentChannelsAreSkippedAndZeroFramesDoNothing) {
    RampSample r(100, kLoopNone, 0, 100);
    Mixer m;
    MixerChannel& c = settledVoice(m, r.s);
    c.position = 5;
    std::vector<float> buffer(4, 1.0f);
    m.mix(buffer.data(), 0);
    EXPECT_EQ(c.position, 5);
    EXPECT_EQ(buffer[0], 1.0f);
    // A voice that was never given a frequency stands still instead of trapping.
    c.step = 0;
    m.mix(buffer.data(), 2);
    EXPECT_EQ(c.position, 5);
}

TEST(MixerStepping, EmptySampleEndsTheVoiceAtOnce) {
    Sample empty;  // the stand-in for a missing sample: no data, no loop mode
    Mixer m;
    m.channel(0).sample = &empty;
    m.channel(0).step = 1;
    m.channel(0).targetA = 50;
    std::vector<float> buffer(20, 0.0f);
    m.mix(buffer.data(), 10);
    EXPECT_EQ(m.channel(0).sample, nullptr);
}

}  // namespace
}  // namespace lumen

namespace lumen {
namespace {

TEST(MixerPaths, VectorAndScalarPathsGiveIdenticalBits) {
    RampSample forward(20000, kLoopForward, 3000, 15000);
    RampSample pingPong(20000, kLoopPingPong, 500, 7001);
    for (uint32_t k = 0; k < 20000; ++k) {  // a wild waveform, so every product matters
        const int16_t v = int16_t((k * 2654435761u) >> 16);
        forward.s.storage[Sample::kGuardEntries + k] = v;
        pingPong.s.storage[Sample::kGuardEntries + k] = v;
    }
    auto setUp = [&](Mixer& m) {
        for (int i = 0; i < 40; ++i) {
            MixerChannel& c = m.channel(i);
            c.sample = i % 2 ? &pingPong.s : &forward.s;
            c.position = 600 + 37 * i;
            c.step = i % 4;
            c.stepFraction = 0x9E3779B9u * uint32_t(i + 1);
            c.targetA = c.rampTargetA = (i * 13) % 128;
            c.targetB = c.rampTargetB = (i * 29) % 128;
            c.currentA = c.targetA * 256;
            c.currentB = c.targetB * 256;
        }
    };
    Mixer vector, scalar;
    scalar.setVectorPath(false);
    setUp(vector);
    setUp(scalar);
    std::vector<float> a(2 * 5000, 0.0f), b(2 * 5000, 0.0f);
    for (int piece = 0; piece < 5; ++piece) {
        vector.mix(a.data() + 2000 * piece, 1000);
        scalar.mix(b.data() + 2000 * piece, 1000);
    }
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(float)));
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(vector.channel(i).position, scalar.channel(i).position);
        EXPECT_EQ(vector.channel(i).positionFraction, scalar.channel(i).positionFraction);
        EXPECT_EQ(vector.channel(i).direction, scalar.channel(i).direction);
    }
}

}  // namespace
}  // namespace lumen
