#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "synth/mixer.h"
#include "synth/song_codes.h"

namespace lumen {
namespace {

// A sample whose entry k holds k (or `fill`), so the mixed value names the position read.
struct TestSample {
    Sample s;
    TestSample(uint32_t length, uint8_t mode, uint32_t loopStart, uint32_t loopLength, int fill = -1) {
        s.storage.assign(Sample::kGuardEntries + length + 8, 0);
        s.data = s.storage.data() + Sample::kGuardEntries;
        for (uint32_t k = 0; k < length; ++k) s.storage[Sample::kGuardEntries + k] = int16_t(fill < 0 ? int(k) : fill);
        s.length = length;
        s.loopMode = mode;
        s.loopStart = loopStart;
        s.loopLength = loopLength;
        int16_t* after = &s.storage[Sample::kGuardEntries + loopStart + loopLength];
        if (mode == kLoopForward) *after = s.data[loopStart];
        if (mode == kLoopPingPong) *after = s.data[loopStart + loopLength - 1];
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
    return c;
}

std::vector<float> mixLeft(Mixer& m, int frames, std::vector<float>* both = nullptr) {
    std::vector<float> buffer(size_t(frames) * 2, 0.0f);
    m.mix(buffer.data(), frames);
    std::vector<float> left;
    for (int i = 0; i < frames; ++i) left.push_back(buffer[size_t(i) * 2]);
    if (both) *both = buffer;
    return left;
}

// A new voice fades in over exactly 128 frames; a ramp split across calls
// goes on where it stopped; a new target mid-ramp starts a fresh ramp.
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
    Mixer m;
    m.channel(0) = whole.channel(3);
    m.channel(0).currentA = m.channel(0).currentB = 0;
    m.channel(0).rampFramesLeft = 0;
    m.channel(0).targetA = 100;
    mixLeft(m, 64);
    const int reached = m.channel(0).currentA;
    EXPECT_NEAR(reached, 50 * 256, 256);
    m.channel(0).targetA = 0;
    mixLeft(m, 10);
    EXPECT_EQ(m.channel(0).rampFramesLeft, 118);
    EXPECT_LT(m.channel(0).currentA, reached);
}

// Indices read at step 1.0 from a start position, for every loop mode.
TEST(MixerLoops, EachModeVisitsItsSpan) {
    struct Case {
        const char* what;
        uint8_t mode;
        int start;
        int frames;
        float (*expected)(int frame);
    } cases[] = {
        {"none ends after its length", kLoopNone, 290, 20, [](int f) { return f < 10 ? float(290 + f) : 0.0f; }},
        {"forward revisits 100..149", kLoopForward, 90, 200,
         [](int f) { return f < 10 ? float(90 + f) : float(100 + (f - 10) % 50); }},
    };
    for (const Case& c : cases) {
        TestSample r(c.mode == kLoopNone ? 300 : 150, c.mode, c.mode == kLoopNone ? 0 : 100,
                     c.mode == kLoopNone ? 300 : 50);
        Mixer m;
        settledVoice(m, r.s).position = c.start;
        const auto left = mixLeft(m, c.frames);
        for (int f = 0; f < c.frames; ++f) ASSERT_FLOAT_EQ(left[size_t(f)], c.expected(f)) << c.what << " " << f;
        EXPECT_EQ(m.channel(0).sample, c.mode == kLoopNone ? nullptr : &r.s) << c.what;
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
    for (float v : mixLeft(m, 60)) {
        EXPECT_GE(v, 100.0f - 1e-3f);
        EXPECT_LE(v, 149.0f + 1e-3f);
    }
}

TEST(MixerStepping, InterpolationPanAndStandstill) {
    TestSample r(100, kLoopNone, 0, 100);
    Mixer m;
    MixerChannel& c = settledVoice(m, r.s, 0, 0x40000000u);  // a quarter sample per frame
    std::vector<float> both;
    const auto left = mixLeft(m, 5, &both);
    EXPECT_FLOAT_EQ(left[1], 0.25f);
    EXPECT_FLOAT_EQ(left[4], 1.0f);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(both[size_t(i) * 2 + 1], 0.0f);  // pan 255: nothing on the right
    // Zero frames do nothing; a voice never given a frequency stands still instead of trapping.
    const int position = c.position;
    std::vector<float> buffer(4, 1.0f);
    m.mix(buffer.data(), 0);
    EXPECT_EQ(buffer[0], 1.0f);
    c.step = 0;
    c.stepFraction = 0;
    m.mix(buffer.data(), 2);
    EXPECT_EQ(c.position, position);
}

TEST(MixerStepping, EmptySampleEndsTheVoiceAtOnce) {
    Sample empty;  // the stand-in for a missing sample: no data, no loop mode
    Mixer m;
    m.channel(0).sample = &empty;
    m.channel(0).step = 1;
    m.channel(0).targetA = 50;
    mixLeft(m, 10);
    EXPECT_EQ(m.channel(0).sample, nullptr);
}

TEST(MixerPaths, VectorAndScalarPathsGiveIdenticalBits) {
    TestSample forward(20000, kLoopForward, 3000, 15000);
    TestSample pingPong(20000, kLoopPingPong, 500, 7001);
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
