#include <gtest/gtest.h>

#include <vector>

#include "song_fixture.h"
#include "synth/definition_writer.h"
#include "synth/generator_definition.h"
#include "synth/sample_generator.h"
#include "synth/song_data_error.h"

namespace lumen {
namespace {

using testing::constantDefinition;

TEST(GeneratorEnvelope, TrapezoidRisesHoldsAndFalls) {
    const Envelope e{10, 20, 30, 0.5f};
    EXPECT_DOUBLE_EQ(e.evaluate(5), 0.25);
    EXPECT_DOUBLE_EQ(e.evaluate(10), 0.5);
    EXPECT_DOUBLE_EQ(e.evaluate(30), 0.5);
    EXPECT_DOUBLE_EQ(e.evaluate(45), 0.25);
    EXPECT_DOUBLE_EQ(e.evaluate(60), 0.0);
    EXPECT_DOUBLE_EQ(e.evaluate(61), 0.0);
    const Envelope instant{0, 0, 10, 0.75f};
    EXPECT_DOUBLE_EQ(instant.evaluate(0), 0.75);
}

TEST(GeneratorBytes, ValuesBecomeTruncatedBytesOneBelow) {
    EXPECT_EQ(sampleByteFromValue(1.0f), 126);
    EXPECT_EQ(sampleByteFromValue(-1.0f), -128);
    EXPECT_EQ(sampleByteFromValue(0.5f), 62);
    EXPECT_EQ(sampleByteFromValue(0.0f), -1);
    EXPECT_EQ(sampleByteFromValue(-0.5f), -64);
    // Out of range the conversion behaves like x86's integer indefinite.
    EXPECT_EQ(sampleByteFromValue(1e30f), -1);
}

TEST(GeneratorBytes, CountBeyondLengthLeavesTheRestUntouched) {
    SampleGenerator g;
    const GeneratorDefinition d = constantDefinition(65535, 0.5f);
    std::vector<int8_t> out(65536, 0);
    g.toBytes(d, out.data(), 65536);
    EXPECT_EQ(out[0], 62);
    EXPECT_EQ(out[65534], 62);
    EXPECT_EQ(out[65535], 0);
    std::vector<int8_t> shorter(100, 7);
    g.toBytes(d, shorter.data(), 50);
    EXPECT_EQ(shorter[49], 62);
    EXPECT_EQ(shorter[50], 7);
}

GeneratorDefinition noiseDefinition(int length) {
    GeneratorDefinition d;
    Oscillator o;
    o.amplitude = 100;
    o.waveform = 4;
    d.oscillators.push_back(o);
    d.clipLevel = 1;
    d.gain = 1;
    d.length = length;
    return d;
}

TEST(GeneratorNoise, EveryGeneratorStartsTheSameNoise) {
    SampleGenerator g;
    const GeneratorDefinition a = noiseDefinition(1000);
    GeneratorDefinition b = noiseDefinition(2000);
    std::vector<float> va(1000), vb(2000);
    g.render(a, va.data(), 1000);
    g.render(b, vb.data(), 2000);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(va[size_t(i)], vb[size_t(i)]) << i;
    // The runtime generator seeded with 31337: the first value is 0x7FFF-scaled.
    RuntimeRandom r(31337);
    EXPECT_FLOAT_EQ(va[0], float(r.rand() * 3.051850947599719e-5 - 0.5));
}

TEST(GeneratorNoteSequence, StepsEvery16thAndRestartsItsEnvelope) {
    GeneratorDefinition d;
    Oscillator o;
    o.frequencyEnvelope = kNoteSequenceEnvelope;
    o.waveform = 3;  // pulse: output = amp while the pulse is high
    o.pulseWidth = 100;
    d.oscillators.push_back(o);
    d.hasNoteSequence = true;
    for (int i = 0; i < 16; ++i) d.noteSequence[i] = static_cast<int8_t>(i % 2 ? kRestNote : 12);
    d.noteEnvelope = Envelope{50, 0, 0, 1.0f};  // ramps 0..1 over half a step
    d.clipLevel = 1;
    d.gain = 1;
    d.length = 65536;
    SampleGenerator g;
    std::vector<float> v(65536);
    g.render(d, v.data(), 65536);
    // Each step is 4096 samples: a note step starts its envelope at 0 ...
    EXPECT_FLOAT_EQ(v[0], 0.0f);
    EXPECT_FLOAT_EQ(v[1024], 0.5f);  // 25 % into the step
    EXPECT_FLOAT_EQ(v[4095], 0.0f);  // past the attack, nothing held
    // ... a rest step is silent ...
    EXPECT_FLOAT_EQ(v[4096 + 1024], 0.0f);
    // ... and the next note step starts the envelope again.
    EXPECT_FLOAT_EQ(v[8192 + 1024], 0.5f);
}

GeneratorDefinition lowPassNoise(int length) {
    GeneratorDefinition d = noiseDefinition(length);
    d.filterType = 1;
    d.cutoff = 500;
    return d;
}

TEST(GeneratorFilters, MemoryRunsOnFromOneGeneratorToTheNext) {
    const GeneratorDefinition d = lowPassNoise(500);
    SampleGenerator shared;
    std::vector<float> first(500), second(500), fresh(500);
    shared.render(d, first.data(), 500);
    shared.render(d, second.data(), 500);
    SampleGenerator other;
    other.render(d, fresh.data(), 500);
    EXPECT_EQ(first, fresh);
    EXPECT_NE(first[0], second[0]);  // the second starts from the first's filter state
    EXPECT_NE(shared.filterMemory().previousOutput, 0.0f);
}

TEST(GeneratorFilters, LowPassSmoothsAndHighPassRemovesTheConstant) {
    GeneratorDefinition d = constantDefinition(4000, 1.0f);
    d.filterType = 1;
    d.cutoff = 100;
    SampleGenerator g;
    std::vector<float> v(4000);
    g.render(d, v.data(), 4000);
    EXPECT_LT(v[0], 0.05f);
    EXPECT_GT(v[3999], 0.9f);
    d.filterType = 2;
    SampleGenerator h;
    h.render(d, v.data(), 4000);
    // The high-pass answers a step with its full (inverted) height, then decays.
    EXPECT_GT(std::abs(v[0]), 0.9f);
    EXPECT_LT(std::abs(v[3999]), 0.05f);
}

TEST(GeneratorFilters, ResonantFilterPassesLowAndStopsHighTones) {
    auto peak = [](float hz) {
        GeneratorDefinition d = testing::sineDefinition(20000, hz);
        d.gain = 1;
        d.resonantFilterOn = true;
        d.resonantCutoff = 400;
        d.resonance = 1.0f;
        SampleGenerator g;
        std::vector<float> v(20000);
        g.render(d, v.data(), 20000);
        float m = 0;
        for (size_t i = 10000; i < v.size(); ++i) m = std::max(m, std::abs(v[i]));
        return m;
    };
    EXPECT_GT(peak(100), 0.5f);
    EXPECT_LT(peak(8000), 0.1f);
}

TEST(GeneratorFilters, ClipLevelBoundsTheOutput) {
    GeneratorDefinition d = testing::sineDefinition(1000, 440);
    d.gain = 10;
    d.clipLevel = 0.25f;
    SampleGenerator g;
    std::vector<float> v(1000);
    g.render(d, v.data(), 1000);
    EXPECT_FLOAT_EQ(*std::max_element(v.begin(), v.end()), 0.25f);
    EXPECT_FLOAT_EQ(*std::min_element(v.begin(), v.end()), -0.25f);
}

TEST(GeneratorProgress, ReportsOncePerInstrumentFromOneToTwo) {
    std::vector<float> seen;
    std::vector<GeneratorDefinition> defs(41, constantDefinition(10));
    SampleGenerator g(defs, [&](float p) { seen.push_back(p); });
    int8_t out[10];
    g.generate(out, 10, 8, 0, 0);
    g.generate(out, 10, 8, 40, 0);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], 1.0f);
    EXPECT_EQ(seen[1], 2.0f);
    EXPECT_THROW(g.generate(out, 10, 8, 41, 0), SongDataError);
}

TEST(GeneratorDefinitionBytes, PackAndParseAgree) {
    GeneratorDefinition d = testing::sineDefinition(1234, 220);
    d.envelopes.push_back(Envelope{1, 2, 3, 4});
    d.oscillators[0].amplitudeEnvelope = 0;
    d.oscillators.push_back(d.oscillators[0]);
    d.oscillators[1].frequencyEnvelope = kNoteSequenceEnvelope;
    d.hasNoteSequence = true;
    d.noteSequence[3] = -1;
    d.noteEnvelope = Envelope{5, 6, 7, 8};
    d.cutoffEnvelope = 0;
    const auto bytes = packGeneratorDefinition(d);
    EXPECT_EQ(bytes.size(), 1u + 16 + 1 + 32 + 32 + 1 + 1 + 4 + 1 + 4 + 1 + 4 + 1 + 4 + 4 + 4);
    const auto parsed = parseGeneratorDefinitions(bytes);
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_EQ(packGeneratorDefinition(parsed[0]), bytes);
}

TEST(GeneratorDefinitionBytes, BadDataIsAnErrorAtItsOffset) {
    GeneratorDefinition d = testing::sineDefinition(100, 220);
    auto bytes = packGeneratorDefinition(d);
    auto truncated = bytes;
    truncated.pop_back();
    try {
        parseGeneratorDefinitions(truncated);
        FAIL();
    } catch (const SongDataError& e) {
        EXPECT_EQ(e.offset(), bytes.size() - 4);
        EXPECT_NE(std::string(e.what()).find("the length"), std::string::npos) << e.what();
    }
    auto badIndex = bytes;
    badIndex[1 + 1 + 9] = 3;  // the amplitude envelope of the first oscillator; there are none
    try {
        parseGeneratorDefinitions(badIndex);
        FAIL();
    } catch (const SongDataError& e) {
        EXPECT_EQ(e.offset(), 11u);
    }
    auto negative = bytes;
    negative.back() = 0x80;
    EXPECT_THROW(parseGeneratorDefinitions(negative), SongDataError);
}

}  // namespace
}  // namespace lumen
