#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "song_fixture.h"
#include "synth/definition_writer.h"
#include "synth/generator_definition.h"
#include "synth/sample_generator.h"
#include "synth/song_data_error.h"

namespace lumen {
namespace {

using testing::constantDefinition;

std::vector<float> render(const GeneratorDefinition& d, SampleGenerator& g) {
    std::vector<float> v(size_t(d.length));
    g.render(d, v.data(), d.length);
    return v;
}

TEST(GeneratorEnvelope, TrapezoidRisesHoldsAndFalls) {
    const Envelope e{10, 20, 30, 0.5f};
    const std::pair<int, double> points[] = {{5, 0.25}, {10, 0.5}, {30, 0.5}, {45, 0.25}, {60, 0.0}, {61, 0.0}};
    for (auto [t, value] : points) EXPECT_DOUBLE_EQ(e.evaluate(t), value) << t;
    EXPECT_DOUBLE_EQ((Envelope{0, 0, 10, 0.75f}).evaluate(0), 0.75);
}

TEST(GeneratorBytes, ValuesBecomeTruncatedBytesOneBelow) {
    // Out of range the conversion behaves like x86's integer indefinite.
    const std::pair<float, int> cases[] = {{1.0f, 126}, {-1.0f, -128}, {0.5f, 62}, {0.0f, -1}, {-0.5f, -64}, {1e30f, -1}};
    for (auto [value, byte] : cases) EXPECT_EQ(sampleByteFromValue(value), byte) << value;
}

TEST(GeneratorBytes, CountBeyondLengthLeavesTheRestUntouched) {
    SampleGenerator g;
    const GeneratorDefinition d = constantDefinition(65535, 0.5f);
    std::vector<int8_t> out(65536, 0);
    g.toBytes(d, out.data(), 65536);
    EXPECT_EQ(out[65534], 62);
    EXPECT_EQ(out[65535], 0);
    std::vector<int8_t> shorter(100, 7);
    g.toBytes(d, shorter.data(), 50);
    EXPECT_EQ(shorter[49], 62);
    EXPECT_EQ(shorter[50], 7);
}

TEST(GeneratorNoise, EveryGeneratorStartsTheSameNoise) {
    SampleGenerator g;
    const auto a = render(testing::toneDefinition(1000, 0, waveform::Noise), g);
    const auto b = render(testing::toneDefinition(2000, 0, waveform::Noise), g);
    EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin()));
    RuntimeRandom r(31337);
    EXPECT_FLOAT_EQ(a[0], float(r.rand() * 3.051850947599719e-5 - 0.5));
}

TEST(GeneratorNoteSequence, StepsEvery16thAndRestartsItsEnvelope) {
    GeneratorDefinition d = testing::toneDefinition(65536, 0, waveform::Pulse);
    d.oscillators[0].frequencyEnvelope = kNoteSequenceEnvelope;
    d.hasNoteSequence = true;
    for (int i = 0; i < 16; ++i) d.noteSequence[i] = static_cast<int8_t>(i % 2 ? kRestNote : 12);
    d.noteEnvelope = Envelope{50, 0, 0, 1.0f};  // ramps 0..1 over half a step
    SampleGenerator g;
    const auto v = render(d, g);
    // Each step is 4096 samples: a note starts its envelope at 0, a rest is
    // silent, and the next note starts the envelope again.
    const std::pair<int, float> points[] = {{0, 0}, {1024, 0.5f}, {4095, 0}, {4096 + 1024, 0}, {8192 + 1024, 0.5f}};
    for (auto [i, value] : points) EXPECT_FLOAT_EQ(v[size_t(i)], value) << i;
}

TEST(GeneratorFilters, MemoryRunsOnFromOneGeneratorToTheNext) {
    GeneratorDefinition d = testing::toneDefinition(500, 0, waveform::Noise);
    d.filterType = filtertype::LowPass;
    d.cutoff = 500;
    SampleGenerator shared, other;
    const auto first = render(d, shared);
    const auto second = render(d, shared);
    EXPECT_EQ(first, render(d, other));
    EXPECT_NE(first[0], second[0]);  // the second starts from the first's filter state
}

TEST(GeneratorFilters, ResponsesHaveTheRightShape) {
    GeneratorDefinition d = constantDefinition(4000, 1.0f);
    d.filterType = filtertype::LowPass;
    d.cutoff = 100;
    SampleGenerator low;
    auto v = render(d, low);
    EXPECT_LT(v[0], 0.05f);
    EXPECT_GT(v[3999], 0.9f);
    d.filterType = filtertype::HighPass;
    SampleGenerator high;
    v = render(d, high);
    EXPECT_GT(std::abs(v[0]), 0.9f);  // the full (inverted) step, then decay
    EXPECT_LT(std::abs(v[3999]), 0.05f);
    GeneratorDefinition loud = testing::toneDefinition(1000, 440, waveform::Sine);
    loud.gain = 10;
    loud.clipLevel = 0.25f;
    SampleGenerator g;
    v = render(loud, g);
    EXPECT_FLOAT_EQ(*std::max_element(v.begin(), v.end()), 0.25f);
    EXPECT_FLOAT_EQ(*std::min_element(v.begin(), v.end()), -0.25f);
}

// Every waveform through every filter with enveloped parameters, hashed.
TEST(GeneratorGolden, EveryWaveformThroughEveryFilter) {
    for (const CodeName& wave : kWaveformNames) {
        for (const CodeName& filter : kFilterTypeNames) {
            for (bool resonant : {false, true}) {
                if (wave.code == waveform::Silence && (filter.code != filtertype::None || resonant)) continue;
                GeneratorDefinition d = testing::toneDefinition(3000, 1500, wave.code);
                d.envelopes = {{10, 30, 40, 1.0f}, {0, 50, 50, 0.8f}};
                d.oscillators[0].amplitudeEnvelope = 0;
                d.oscillators[0].pulseWidth = 40;
                d.oscillators[0].pulseWidthEnvelope = 1;
                d.oscillators[0].frequencyEnvelope = 1;
                d.oscillators.push_back(d.oscillators[0]);
                d.oscillators[1].frequency = 250;
                d.filterType = filter.code;
                d.cutoff = 2000;
                d.cutoffEnvelope = 1;
                d.resonantFilterOn = resonant;
                d.resonantCutoff = 1200;
                d.resonantCutoffEnvelope = 0;
                d.resonance = 0.7f;
                d.resonanceEnvelope = 1;
                SampleGenerator g;
                const auto v = render(d, g);
                testing::expectGolden(std::string("generator ") + wave.name + " " + filter.name +
                                          (resonant ? " resonant" : ""),
                                      testing::fnv1a(v));
            }
        }
    }
}

TEST(GeneratorProgress, ReportsOncePerInstrumentFromOneToTwo) {
    std::vector<float> seen;
    SampleGenerator g(std::vector<GeneratorDefinition>(41, constantDefinition(10)), [&](float p) { seen.push_back(p); });
    int8_t out[10];
    g.generate(out, 10, 8, 0, 0);
    g.generate(out, 10, 8, 40, 0);
    EXPECT_EQ(seen, (std::vector<float>{1.0f, 2.0f}));
    EXPECT_THROW(g.generate(out, 10, 8, 41, 0), SongDataError);
}

TEST(GeneratorDefinitionBytes, PackAndParseAgree) {
    GeneratorDefinition d = testing::toneDefinition(1234, 220);
    d.envelopes.push_back(Envelope{1, 2, 3, 4});
    d.oscillators[0].amplitudeEnvelope = 0;
    d.oscillators.push_back(d.oscillators[0]);
    d.oscillators[1].frequencyEnvelope = kNoteSequenceEnvelope;
    d.hasNoteSequence = true;
    d.noteSequence[3] = kRestNote;
    d.noteEnvelope = Envelope{5, 6, 7, 8};
    d.cutoffEnvelope = 0;
    const auto bytes = packGeneratorDefinition(d);
    EXPECT_EQ(bytes.size(), 1u + 16 + 1 + 32 + 32 + 1 + 1 + 4 + 1 + 4 + 1 + 4 + 1 + 4 + 4 + 4);
    const auto parsed = parseGeneratorDefinitions(bytes);
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_EQ(packGeneratorDefinition(parsed[0]), bytes);
}

TEST(GeneratorDefinitionBytes, BadDataIsAnErrorAtItsOffset) {
    const auto good = packGeneratorDefinition(testing::toneDefinition(100, 220));
    struct Case {
        const char* what;
        size_t at;  // byte changed (or cut at, for a truncation)
        int value;  // new value, or -1 to cut the data there
        size_t offset;
        const char* fragment;
    } cases[] = {
        {"ends early", good.size() - 1, -1, good.size() - 4, "the length"},
        {"missing amplitude envelope", 1 + 1 + 9, 3, 11, "an amplitude envelope index"},
        {"missing cutoff envelope", good.size() - 23, 0, good.size() - 23, "a cutoff envelope index"},
        {"negative length", good.size() - 1, 0x80, good.size() - 4, "a length from 0"},
    };
    for (const Case& c : cases) {
        auto bytes = good;
        if (c.value < 0)
            bytes.resize(c.at);
        else
            bytes[c.at] = uint8_t(c.value);
        try {
            parseGeneratorDefinitions(bytes);
            ADD_FAILURE() << c.what << " parsed";
        } catch (const SongDataError& e) {
            EXPECT_EQ(e.offset(), c.offset) << c.what;
            EXPECT_NE(std::string(e.what()).find(c.fragment), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace lumen
