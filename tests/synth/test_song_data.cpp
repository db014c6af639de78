// Song pieces as the loader reads them (cells, loops, instruments, errors) and
// the sample generator's bytes, state and golden output.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "song_fixture.h"
#include "synth/sample_generator.h"
#include "synth/song_data_error.h"
#include "synth/song_loader.h"

namespace lumen {
namespace {

using testing::constantDefinition;
using testing::oneSampleInstrument;
using testing::TestSong;

TEST(SongLoader, CellsAreReadFromTheirPlanesWithKeyOffAndInstrumentRules) {
    TestSong song(2, 3);
    const struct {
        int pattern, row, channel;
        Cell stored;
        std::vector<uint8_t> loaded;
    } cells[] = {
        {1, 5, 2, {49, 1, 0x30, 0x0F, 0x07}, {49, 1, 0x30, 0x0F, 0x07}},
        {1, 6, 2, {note::KeyOffStored, 129, 0, 0, 0}, {note::KeyOff, 0, 0, 0, 0}},
        {0, 63, 0, {12, 128, 0, 0, 0}, {12, 128, 0, 0, 0}},
    };
    for (const auto& c : cells) song.set(c.pattern, c.row, c.channel, c.stored);
    song.layout.restartPosition = 2;  // past the orders: start again at the top
    auto player = song.start();
    EXPECT_EQ(player->song.header.restartPosition, 0);
    for (const auto& c : cells) {
        const uint8_t* got = &player->song.patterns[size_t(c.pattern)].cells[size_t(c.row * 3 + c.channel) * 5];
        EXPECT_EQ(std::vector<uint8_t>(got, got + 5), c.loaded) << c.row;
    }
}

TEST(SongLoader, LoopModesFollowTheTypeBits) {
    const struct {
        const char* what;
        uint8_t type;
        uint32_t loopStart, loopLength;
        uint8_t mode;
        uint32_t start, length;
    } cases[] = {
        {"both bits: ping-pong", sampletype::ForwardLoop | sampletype::PingPongLoop, 100, 200, kLoopPingPong, 100, 200},
        {"loop of 0: none", sampletype::ForwardLoop, 100, 0, kLoopNone, 0, 1000},
        {"no bits: none", 0, 100, 200, kLoopNone, 0, 1000},
        {"past the end: cut", sampletype::ForwardLoop, 900, 500, kLoopForward, 900, 100},
        {"forward", sampletype::ForwardLoop, 0, 500, kLoopForward, 0, 500},
    };
    TestSong song;
    for (const auto& c : cases)
        song.addInstrument(oneSampleInstrument(1000, c.type, c.loopStart, c.loopLength),
                           testing::toneDefinition(1000, 300));
    auto player = song.start();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const Sample& s = *player->song.instruments[i].samples[0];
        EXPECT_EQ(std::tuple(s.loopMode, s.loopStart, s.loopLength, s.bits), std::tuple(c.mode, c.start, c.length, 16))
            << c.what;
    }
}

TEST(SongLoader, InstrumentFieldsEnvelopeRulesAndLayout) {
    TestSong song;
    InstrumentRecord in = oneSampleInstrument(64);
    in.volume = {{{0, 64}}, 0, 0, 0, envflag::On};  // one point: switched off
    in.panning = {{{0, 32}, {10, 0}}, 0, 0, 0, envflag::On | envflag::Loop};
    in.fadeout = 128;
    in.noteMap[40] = 3;
    in.headerSize = 300;  // reserved bytes between the settings and the samples
    song.addInstrument(in, constantDefinition(64));
    song.addInstrument(InstrumentRecord{}, constantDefinition(10));  // no samples: 29 bytes
    song.addInstrument(oneSampleInstrument(32), constantDefinition(32, 1.0f));
    auto player = song.start();
    const auto& ins = player->song.instruments;
    EXPECT_EQ(std::tuple(ins[0].volumeType, ins[0].panningType, ins[0].panningEnvelope[1].x, ins[0].fadeout),
              std::tuple(0, envflag::On | envflag::Loop, 10, 256));
    EXPECT_EQ(std::tuple(ins[0].noteMap[40], ins[1].sampleCount, ins[2].sampleCount), std::tuple(3, 0, 1));
    EXPECT_EQ(std::pair(ins[2].samples[0]->length, ins[2].samples[0]->data[0]), std::pair(32u, int16_t(126 * 256)));
}

TEST(SongLoaderErrors, UnplayableDataNamesItsPlace) {
    using Bytes = std::vector<uint8_t>;
    const auto instrument = [](TestSong& s) { s.addInstrument(oneSampleInstrument(100), constantDefinition(100)); };
    const auto samples = [](int count, uint32_t length) {
        return [=](TestSong& s) {
            InstrumentRecord in;
            in.samples.assign(size_t(count), SampleHeaderRecord{length});
            s.addInstrument(in, constantDefinition(10));
        };
    };
    const struct {
        const char* fragment;
        std::function<void(TestSong&)> change;
        std::function<void(Bytes& image, Bytes& planes)> corrupt = {};
    } cases[] = {
        {"song image: byte 81: expected a pattern number below 1",
         [](TestSong& s) {
             s.layout.orders = {0, 1};
         }},
        {"byte 68: expected a channel count from 1 to 32", [](TestSong& s) { s.layout.channels = 33; }},
        {"byte 78: expected a default tempo of 1 or more", [](TestSong& s) { s.layout.defaultTempo = 0; }},
        {"definitions: byte 0: expected a definition for instrument 1",
         [](TestSong& s) { s.layout.instruments.push_back(oneSampleInstrument(100)); }},
        {"expected 1 bytes of a sample type", instrument,
         [](Bytes& image, Bytes&) { image.resize(image.size() - 26); }},
        {"expected at most 16 samples", samples(17, 0)},
        {"expected a sample length of at most 16777216", samples(1, kMaxSampleLength + 1)},
        // Many long samples in a short image would ask for gigabytes.
        {"expected at most 67108864 sample slots in all samples, got 83886080", samples(5, kMaxSampleLength)},
        {"pattern planes: byte 5000: expected planes of at least", [](TestSong& s) { s.layout.channels = 18; },
         [](Bytes&, Bytes& planes) { planes.assign(5000, 0); }},
        {"not a multiple of 5", [](TestSong&) {}, [](Bytes&, Bytes& planes) { planes.push_back(0); }},
    };
    for (const auto& c : cases) {
        TestSong song;
        c.change(song);
        song.source();
        Bytes image = song.image, planes = song.planes->bytes();
        if (c.corrupt) c.corrupt(image, planes);
        ModulePlayer player;
        try {
            loadSongSource(player, SongSource{image, planes, song.defs});
            ADD_FAILURE() << "loaded: " << c.fragment;
        } catch (const SongDataError& e) {
            EXPECT_NE(std::string(e.what()).find(c.fragment), std::string::npos) << e.what();
        }
    }
}

std::vector<float> render(const GeneratorDefinition& d, SampleGenerator& g) {
    std::vector<float> v(size_t(d.length));
    g.render(d, v.data(), d.length);
    return v;
}

TEST(GeneratorBytes, ValuesBecomeTruncatedBytesOneBelow) {
    // Out of range the conversion behaves like x86's integer indefinite.
    for (auto [value, byte] : {std::pair{1.0f, 126}, {-1.0f, -128}, {0.5f, 62}, {0.0f, -1}, {-0.5f, -64}, {1e30f, -1}})
        EXPECT_EQ(sampleByteFromValue(value), byte) << value;
    std::vector<int8_t> out(65536, 7);  // a count beyond the length leaves the rest untouched
    SampleGenerator().toBytes(testing::constantDefinition(65535, 0.5f), out.data(), 65536);
    EXPECT_EQ(std::pair(out[65534], out[65535]), std::pair(int8_t(62), int8_t(7)));
}

// Noise restarts for every definition; the filter memory runs on from one to the next.
TEST(GeneratorState, NoiseRestartsAndFilterMemoryRunsOn) {
    GeneratorDefinition d = testing::toneDefinition(500, 0, waveform::Noise);
    SampleGenerator shared, other;
    EXPECT_EQ(render(d, shared), render(d, shared));
    d.filterType = filtertype::LowPass;
    d.cutoff = 500;
    const auto first = render(d, shared);
    EXPECT_EQ(first, render(d, other));
    EXPECT_NE(first[0], render(d, shared)[0]);  // the second starts from the first's filter state
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
