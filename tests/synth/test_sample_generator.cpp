#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "song_fixture.h"
#include "synth/sample_generator.h"
#include "synth/song_data_error.h"

namespace lumen {
namespace {

std::vector<float> render(const GeneratorDefinition& d, SampleGenerator& g) {
    std::vector<float> v(size_t(d.length));
    g.render(d, v.data(), d.length);
    return v;
}

TEST(GeneratorBytes, ValuesBecomeTruncatedBytesOneBelow) {
    // Out of range the conversion behaves like x86's integer indefinite.
    for (auto [value, byte] : {std::pair{1.0f, 126}, {-1.0f, -128}, {0.5f, 62}, {0.0f, -1}, {-0.5f, -64}, {1e30f, -1}})
        EXPECT_EQ(sampleByteFromValue(value), byte) << value;
    SampleGenerator g;  // a count beyond the length leaves the rest untouched
    std::vector<int8_t> out(65536, 7);
    g.toBytes(testing::constantDefinition(65535, 0.5f), out.data(), 65536);
    EXPECT_EQ(std::pair(out[65534], out[65535]), std::pair(int8_t(62), int8_t(7)));
}

// Noise restarts for every definition; the filter memory runs on from one to the next.
TEST(GeneratorState, NoiseRestartsAndFilterMemoryRunsOn) {
    SampleGenerator g;
    const auto a = render(testing::toneDefinition(1000, 0, waveform::Noise), g);
    const auto b = render(testing::toneDefinition(2000, 0, waveform::Noise), g);
    EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin()));
    RuntimeRandom r(31337);
    EXPECT_FLOAT_EQ(a[0], float(r.rand() * 3.051850947599719e-5 - 0.5));
    GeneratorDefinition d = testing::toneDefinition(500, 0, waveform::Noise);
    d.filterType = filtertype::LowPass;
    d.cutoff = 500;
    SampleGenerator shared, other;
    const auto first = render(d, shared);
    const auto second = render(d, shared);
    EXPECT_EQ(first, render(d, other));
    EXPECT_NE(first[0], second[0]);  // the second starts from the first's filter state
}

// Every waveform through every filter with enveloped parameters, a note
// sequence with rests and a pulse of width 0, hashed.
TEST(GeneratorGolden, EveryWaveformThroughEveryFilter) {
    std::vector<std::pair<std::string, GeneratorDefinition>> cases;
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
                cases.push_back({std::string(wave.name) + " " + filter.name + (resonant ? " resonant" : ""), d});
            }
        }
    }
    GeneratorDefinition notes = testing::toneDefinition(4800, 0, waveform::Saw);
    notes.oscillators[0].frequencyEnvelope = kNoteSequenceEnvelope;
    notes.hasNoteSequence = true;
    for (int i = 0; i < 16; ++i) notes.noteSequence[i] = static_cast<int8_t>(i % 3 ? i * 5 : kRestNote);
    notes.noteEnvelope = Envelope{20, 30, 40, 0.9f};
    cases.push_back({"note sequence", notes});
    GeneratorDefinition narrow = testing::toneDefinition(100, 700, waveform::Pulse);
    narrow.oscillators[0].pulseWidth = 0;
    cases.push_back({"Pulse width 0", narrow});
    for (const auto& [name, d] : cases) {
        SampleGenerator g;
        testing::expectGolden("generator " + name, testing::fnv1a(render(d, g)));
    }
}

TEST(GeneratorProgress, ReportsOncePerInstrumentFromOneToTwo) {
    std::vector<float> seen;
    std::vector<GeneratorDefinition> definitions(41, testing::constantDefinition(10));
    SampleGenerator g(definitions, [&](float p) { seen.push_back(p); });
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
    const struct {
        size_t at;  // byte changed (or cut at, for a truncation)
        int value;  // new value, or -1 to cut the data there
        size_t offset;
        const char* fragment;
    } cases[] = {
        {good.size() - 1, -1, good.size() - 4, "the length"},
        {1 + 1 + 9, 3, 11, "an amplitude envelope index"},
        {good.size() - 23, 0, good.size() - 23, "a cutoff envelope index"},
        {good.size() - 1, 0x80, good.size() - 4, "a length from 0"},
    };
    for (const auto& c : cases) {
        auto bytes = good;
        if (c.value < 0)
            bytes.resize(c.at);
        else
            bytes[c.at] = uint8_t(c.value);
        try {
            parseGeneratorDefinitions(bytes);
            ADD_FAILURE() << c.fragment << ": parsed";
        } catch (const SongDataError& e) {
            EXPECT_EQ(e.offset(), c.offset) << c.fragment;
            EXPECT_NE(std::string(e.what()).find(c.fragment), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace lumen
