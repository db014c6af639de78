#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "song_fixture.h"
#include "synth/song_data_error.h"
#include "synth/song_loader.h"

namespace lumen {
namespace {

using testing::constantDefinition;
using testing::oneSampleInstrument;
using testing::TestSong;

TEST(SongLoader, CellsAreReadFromTheirPlanesWithKeyOffAndInstrumentRules) {
    TestSong song(2, 3);
    song.addInstrument(oneSampleInstrument(100), constantDefinition(100));
    const struct {
        int pattern, row, channel;
        Cell stored;
        Cell loaded;
    } cells[] = {
        {1, 5, 2, {49, 1, 0x30, 0x0F, 0x07}, {49, 1, 0x30, 0x0F, 0x07}},
        {1, 6, 2, {note::KeyOffStored, 129, 0, 0, 0}, {note::KeyOff, 0, 0, 0, 0}},
        {0, 63, 0, {12, 128, 0, 0, 0}, {12, 128, 0, 0, 0}},
    };
    for (const auto& c : cells) song.set(c.pattern, c.row, c.channel, c.stored);
    song.layout.restartPosition = 2;  // past the orders: start again at the top
    auto player = song.start();
    ASSERT_EQ(player->song.patterns.size(), 2u);
    EXPECT_EQ(player->song.header.restartPosition, 0);
    for (const auto& c : cells) {
        const uint8_t* got = &player->song.patterns[size_t(c.pattern)].cells[size_t(c.row * 3 + c.channel) * 5];
        const Cell& w = c.loaded;
        EXPECT_EQ(std::vector<uint8_t>(got, got + 5),
                  (std::vector<uint8_t>{w.note, w.instrument, w.volume, w.effect, w.parameter}))
            << c.row;
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
        // The entry after the loop, for interpolation: 0 after a sample that ends.
        const int16_t after = c.mode == kLoopForward    ? s.data[c.start]
                              : c.mode == kLoopPingPong ? s.data[c.start + c.length - 1]
                                                        : int16_t(0);
        EXPECT_EQ(s.data[c.start + c.length], after) << c.what;
    }
}

TEST(SongLoader, InstrumentFieldsEnvelopeRulesAndLayout) {
    TestSong song;
    InstrumentSpec in = oneSampleInstrument(64);
    in.volume = {{{0, 64}}, 0, 0, 0, envflag::On};  // one point: switched off
    in.panning = {{{0, 32}, {10, 0}}, 0, 0, 0, envflag::On | envflag::Loop};
    in.fadeout = 128;
    in.vibratoType = autovibrato::RampDown;
    in.noteMap[40] = 3;
    in.headerSize = 300;  // reserved bytes between the settings and the samples
    in.samples[0].volume = 33;
    song.addInstrument(in, constantDefinition(64));
    song.addInstrument(InstrumentSpec{}, constantDefinition(10));  // no samples: 29 bytes
    song.addInstrument(oneSampleInstrument(32), constantDefinition(32, 1.0f));
    auto player = song.start();
    const auto& ins = player->song.instruments;
    EXPECT_EQ(std::tuple(ins[0].volumeType, ins[0].panningType, ins[0].panningEnvelope[1].x),
              std::tuple(0, envflag::On | envflag::Loop, 10));
    EXPECT_EQ(std::tuple(ins[0].fadeout, ins[0].vibratoType, ins[0].noteMap[40], ins[0].samples[0]->volume),
              std::tuple(256, autovibrato::RampDown, 3, 33));
    EXPECT_EQ(ins[1].sampleCount, 0);
    ASSERT_EQ(ins[2].sampleCount, 1);
    EXPECT_EQ(std::pair(ins[2].samples[0]->length, ins[2].samples[0]->data[0]), std::pair(32u, int16_t(126 * 256)));
}

TEST(SongLoaderErrors, UnplayableDataNamesItsPlace) {
    using Bytes = std::vector<uint8_t>;
    const auto instrument = [](TestSong& s) { s.addInstrument(oneSampleInstrument(100), constantDefinition(100)); };
    const auto samples = [](int count, uint32_t length) {
        return [=](TestSong& s) {
            InstrumentSpec in;
            in.samples.assign(size_t(count), SampleHeaderSpec{length});
            s.addInstrument(in, constantDefinition(10));
        };
    };
    const struct {
        const char* fragment;
        std::function<void(TestSong&)> change;
        std::function<void(Bytes& image, Bytes& planes)> corrupt = {};
    } cases[] = {
        {"song image: byte 81: expected a pattern number below 1", [](TestSong& s) { s.layout.orders = {0, 1}; }},
        {"byte 68: expected a channel count from 1 to 32", [](TestSong& s) { s.layout.channels = 33; }},
        {"byte 78: expected a default tempo of 1 or more", [](TestSong& s) { s.layout.defaultTempo = 0; }},
        {"definitions: byte 0: expected a definition for instrument 1",
         [&](TestSong& s) {
             instrument(s);
             s.definitions.clear();
         }},
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

}  // namespace
}  // namespace lumen
