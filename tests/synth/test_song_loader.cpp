#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "song_fixture.h"
#include "synth/memory_reader.h"
#include "synth/song_data_error.h"
#include "synth/song_loader.h"

namespace lumen {
namespace {

using testing::constantDefinition;
using testing::oneSampleInstrument;
using testing::TestSong;

TEST(SongReader, FirstReadComesFromPosition64AndSeekModes) {
    std::vector<uint8_t> image(80, 0);
    image[64] = 0xAB;
    MemoryReader r(image);
    uint8_t b = 0;
    r.read(&b, 1, "x");
    EXPECT_EQ(b, 0xAB);
    r.seek(10, MemoryReader::kSeekCurrent);
    EXPECT_EQ(r.tell(), 75u);
    r.seek(3, MemoryReader::kSeekSet);
    r.seek(100, 7);  // any other mode does nothing
    EXPECT_EQ(r.tell(), 3u);
}

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
    auto player = song.start();
    ASSERT_EQ(player->song.patterns.size(), 2u);
    for (const auto& c : cells) {
        const uint8_t* got = &player->song.patterns[size_t(c.pattern)].cells[size_t(c.row * 3 + c.channel) * 5];
        const uint8_t want[5] = {c.loaded.note, c.loaded.instrument, c.loaded.volume, c.loaded.effect,
                                 c.loaded.parameter};
        for (int k = 0; k < 5; ++k) EXPECT_EQ(got[k], want[k]) << c.row << " byte " << k;
    }
}

TEST(SongLoader, LoopModesFollowTheTypeBits) {
    struct Case {
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
    for (const Case& c : cases)
        song.addInstrument(oneSampleInstrument(1000, c.type, c.loopStart, c.loopLength),
                           testing::toneDefinition(1000, 300));
    auto player = song.start();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const Sample& s = *player->song.instruments[i].samples[0];
        EXPECT_EQ(s.loopMode, c.mode) << c.what;
        EXPECT_EQ(s.loopStart, c.start) << c.what;
        EXPECT_EQ(s.loopLength, c.length) << c.what;
        EXPECT_EQ(s.bits, 16);
        // The entry after the loop, for interpolation: 0 after a sample that ends.
        const int16_t after = c.mode == kLoopForward    ? s.data[c.start]
                              : c.mode == kLoopPingPong ? s.data[c.start + c.length - 1]
                                                        : int16_t(0);
        EXPECT_EQ(s.data[c.start + c.length], after) << c.what;
    }
    EXPECT_NE(player->song.instruments[4].samples[0]->data[499], player->song.instruments[4].samples[0]->data[500]);
}

TEST(SongLoader, InstrumentFieldsEnvelopeRulesAndLayout) {
    TestSong song;
    InstrumentSpec in = oneSampleInstrument(64);
    in.volume.points = {{0, 64}};
    in.volume.type = envflag::On;
    in.panning.points = {{0, 32}, {10, 0}};
    in.panning.type = envflag::On | envflag::Loop;
    in.fadeout = 128;
    in.vibratoType = autovibrato::RampDown;
    in.vibratoRate = 9;
    in.noteMap[40] = 3;
    in.headerSize = 300;  // reserved bytes between the settings and the samples
    in.samples[0].volume = 33;
    song.addInstrument(in, constantDefinition(64));
    song.addInstrument(InstrumentSpec{}, constantDefinition(10));  // no samples: 29 bytes
    song.addInstrument(oneSampleInstrument(32), constantDefinition(32, 1.0f));
    auto player = song.start();
    const auto& ins = player->song.instruments;
    EXPECT_EQ(ins[0].volumeType, 0);  // one point: switched off
    EXPECT_EQ(ins[0].panningType, envflag::On | envflag::Loop);
    EXPECT_EQ(ins[0].panningEnvelope[1].x, 10);
    EXPECT_EQ(ins[0].fadeout, 256);
    EXPECT_EQ(ins[0].vibratoType, autovibrato::RampDown);
    EXPECT_EQ(ins[0].vibratoRate, 9);
    EXPECT_EQ(ins[0].noteMap[40], 3);
    EXPECT_EQ(ins[0].samples[0]->volume, 33);
    EXPECT_EQ(ins[1].sampleCount, 0);
    ASSERT_EQ(ins[2].sampleCount, 1);
    EXPECT_EQ(ins[2].samples[0]->length, 32u);
    EXPECT_EQ(ins[2].samples[0]->data[0], 126 * 256);
    EXPECT_EQ(player->song.defaultGlobalVolume, 64);
}

TEST(SongLoaderErrors, UnplayableDataNamesItsPlace) {
    struct Case {
        const char* fragment;
        std::function<void(TestSong&)> change;
        std::function<void(std::vector<uint8_t>& image, std::vector<uint8_t>& planes)> corrupt = {};
    } cases[] = {
        {"song image: byte 81: expected a pattern number below 1", [](TestSong& s) { s.layout.orders = {0, 1}; }},
        {"byte 68: expected a channel count from 1 to 32", [](TestSong& s) { s.layout.channels = 33; }},
        {"byte 78: expected a default tempo of 1 or more", [](TestSong& s) { s.layout.defaultTempo = 0; }},
        {"definitions: byte 0: expected a definition for instrument 1",
         [](TestSong& s) {
             s.addInstrument(oneSampleInstrument(100), constantDefinition(100));
             s.definitions.clear();
         }},
        {"expected 1 bytes of a sample type",
         [](TestSong& s) { s.addInstrument(oneSampleInstrument(100), constantDefinition(100)); },
         [](std::vector<uint8_t>& image, std::vector<uint8_t>&) { image.resize(image.size() - 26); }},
        {"expected at most 16 samples",
         [](TestSong& s) {
             InstrumentSpec in;
             in.samples.assign(17, SampleHeaderSpec{});
             s.addInstrument(in, constantDefinition(10));
         }},
        {"expected a sample length of at most 16777216",
         [](TestSong& s) { s.addInstrument(oneSampleInstrument(kMaxSampleLength + 1), constantDefinition(10)); }},
        // Many long samples in a short image would ask for gigabytes.
        {"expected at most 67108864 sample slots in all samples, got 83886080",
         [](TestSong& s) {
             InstrumentSpec in;
             in.samples.assign(5, SampleHeaderSpec{kMaxSampleLength});
             s.addInstrument(in, constantDefinition(10));
         }},
        {"pattern planes: byte 5000: expected planes of at least",
         [](TestSong& s) { s.layout.channels = 18; },
         [](std::vector<uint8_t>&, std::vector<uint8_t>& planes) { planes.assign(5000, 0); }},
        {"not a multiple of 5", [](TestSong&) {},
         [](std::vector<uint8_t>&, std::vector<uint8_t>& planes) { planes.push_back(0); }},
    };
    for (const Case& c : cases) {
        TestSong song;
        c.change(song);
        song.source();
        std::vector<uint8_t> image = song.image, planes = song.planes->bytes();
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

TEST(SongLoaderErrors, RestartOutsideTheOrdersStartsAgainAtTheTop) {
    TestSong song;
    song.layout.restartPosition = 5;
    EXPECT_EQ(song.start()->song.header.restartPosition, 0);
}

}  // namespace
}  // namespace lumen
