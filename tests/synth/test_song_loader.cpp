#include <gtest/gtest.h>

#include <cstring>

#include "song_fixture.h"
#include "synth/memory_reader.h"
#include "synth/song_data_error.h"
#include "synth/song_loader.h"

namespace lumen {
namespace {

using testing::constantDefinition;
using testing::oneSampleInstrument;
using testing::TestSong;

TEST(SongReader, FirstReadComesFromPosition64) {
    std::vector<uint8_t> image(80, 0);
    image[64] = 0xAB;
    MemoryReader r(image);
    uint8_t b = 0;
    r.read(&b, 1, "x");
    EXPECT_EQ(b, 0xAB);
    EXPECT_EQ(r.tell(), 65u);
    r.seek(10, 1);
    EXPECT_EQ(r.tell(), 75u);
    r.seek(3, 0);
    EXPECT_EQ(r.tell(), 3u);
    r.seek(100, 7);
    EXPECT_EQ(r.tell(), 3u);
    r.seek(79, 0);
    uint8_t two[2];
    try {
        r.read(two, 2, "a field");
        FAIL();
    } catch (const SongDataError& e) {
        EXPECT_EQ(e.offset(), 79u);
        EXPECT_NE(std::string(e.what()).find("song image: byte 79: expected 2 bytes of a field"), std::string::npos)
            << e.what();
    }
}

TEST(SongLoader, CellsAreReadFromTheirPlanesWithKeyOffAndInstrumentRules) {
    TestSong song(2, 3);
    song.addInstrument(oneSampleInstrument(100), constantDefinition(100));
    song.set(1, 5, 2, Cell{49, 1, 0x30, 0x0F, 0x07});
    song.set(1, 6, 2, Cell{97, 129, 0, 0, 0});
    song.set(0, 63, 0, Cell{12, 128, 0, 0, 0});
    auto player = song.start();
    const Song& s = player->song;
    ASSERT_EQ(s.patterns.size(), 2u);
    const uint8_t* c = &s.patterns[1].cells[(5 * 3 + 2) * 5];
    EXPECT_EQ(c[0], 49);
    EXPECT_EQ(c[1], 1);
    EXPECT_EQ(c[2], 0x30);
    EXPECT_EQ(c[3], 0x0F);
    EXPECT_EQ(c[4], 0x07);
    const uint8_t* off = &s.patterns[1].cells[(6 * 3 + 2) * 5];
    EXPECT_EQ(off[0], 255);
    EXPECT_EQ(off[1], 0);
    const uint8_t* last = &s.patterns[0].cells[(63 * 3 + 0) * 5];
    EXPECT_EQ(last[0], 12);
    EXPECT_EQ(last[1], 128);
}

TEST(SongLoader, LoopModesFollowTheTypeBits) {
    TestSong song;
    song.addInstrument(oneSampleInstrument(1000, 3, 100, 200), constantDefinition(1000));  // both bits
    song.addInstrument(oneSampleInstrument(1000, 1, 100, 0), constantDefinition(1000));    // loop of 0
    song.addInstrument(oneSampleInstrument(1000, 0, 100, 200), constantDefinition(1000));  // no loop
    song.addInstrument(oneSampleInstrument(1000, 1, 900, 500), constantDefinition(1000));  // past the end
    auto player = song.start();
    const auto& ins = player->song.instruments;
    const Sample& pingPong = *ins[0].samples[0];
    EXPECT_EQ(pingPong.loopMode, kLoopPingPong);
    EXPECT_EQ(pingPong.data[300], pingPong.data[299]);
    const Sample& empty = *ins[1].samples[0];
    EXPECT_EQ(empty.loopMode, kLoopNone);
    EXPECT_EQ(empty.loopStart, 0u);
    EXPECT_EQ(empty.loopLength, 1000u);
    const Sample& none = *ins[2].samples[0];
    EXPECT_EQ(none.loopMode, kLoopNone);
    EXPECT_EQ(none.loopStart, 0u);
    EXPECT_EQ(none.loopLength, 1000u);
    EXPECT_EQ(none.data[1000], 0);
    EXPECT_EQ(none.data[999], 62 * 256);
    EXPECT_EQ(none.bits, 16);
    const Sample& cut = *ins[3].samples[0];
    EXPECT_EQ(cut.loopMode, kLoopForward);
    EXPECT_EQ(cut.loopEnd(), 1000u);
    EXPECT_EQ(cut.data[1000], cut.data[900]);
}

TEST(SongLoader, ForwardLoopCopiesItsStartPastTheEnd) {
    TestSong song;
    song.addInstrument(oneSampleInstrument(1000, 1, 0, 500), testing::sineDefinition(1000, 300));
    auto player = song.start();
    const Sample& s = *player->song.instruments[0].samples[0];
    EXPECT_EQ(s.loopMode, kLoopForward);
    EXPECT_EQ(s.data[500], s.data[0]);
    EXPECT_NE(s.data[500], s.data[500 - 1]);
}

TEST(SongLoader, EnvelopeRulesAndDoubledFadeout) {
    TestSong song;
    InstrumentSpec in = oneSampleInstrument(100);
    in.volume.points = {{0, 64}};
    in.volume.type = 1;
    in.panning.points = {{0, 32}, {10, 0}};
    in.panning.type = 5;
    in.fadeout = 128;
    in.vibratoType = 2;
    in.vibratoRate = 9;
    in.noteMap[40] = 3;
    song.addInstrument(in, constantDefinition(100));
    auto player = song.start();
    const Instrument& i = player->song.instruments[0];
    EXPECT_EQ(i.volumeType, 0);  // one point: switched off
    EXPECT_EQ(i.panningType, 5);
    EXPECT_EQ(i.panningEnvelope[1].x, 10);
    EXPECT_EQ(i.fadeout, 256);
    EXPECT_EQ(i.vibratoType, 2);
    EXPECT_EQ(i.vibratoRate, 9);
    EXPECT_EQ(i.noteMap[40], 3);
    EXPECT_EQ(player->song.defaultGlobalVolume, 64);
}

TEST(SongLoader, InstrumentWithoutSamplesTakes29Bytes) {
    TestSong song;
    InstrumentSpec none;
    none.headerSize = 263;
    song.addInstrument(none, constantDefinition(10));
    song.addInstrument(oneSampleInstrument(100), constantDefinition(100, 1.0f));
    auto player = song.start();
    EXPECT_EQ(player->song.instruments[0].sampleCount, 0);
    ASSERT_EQ(player->song.instruments[1].sampleCount, 1);
    EXPECT_EQ(player->song.instruments[1].samples[0]->data[0], 126 * 256);
}

TEST(SongLoader, HeaderSizeSetsWhereSampleHeadersStart) {
    TestSong song;
    InstrumentSpec in = oneSampleInstrument(64);
    in.headerSize = 300;  // reserved bytes between the settings and the samples
    in.samples[0].volume = 33;
    song.addInstrument(in, constantDefinition(64));
    song.addInstrument(oneSampleInstrument(32), constantDefinition(32));
    auto player = song.start();
    EXPECT_EQ(player->song.instruments[0].samples[0]->volume, 33);
    EXPECT_EQ(player->song.instruments[1].samples[0]->length, 32u);
}

void expectLoadError(TestSong& song, const std::string& fragment) {
    ModulePlayer player;
    try {
        loadSongSource(player, song.source());
        FAIL() << "loaded";
    } catch (const SongDataError& e) {
        EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
    }
}

TEST(SongLoaderErrors, UnplayableDataNamesItsPlace) {
    {
        TestSong song;
        song.layout.orders = {0, 1};
        expectLoadError(song, "song image: byte 81: expected a pattern number below 1");
    }
    {
        TestSong song;
        song.layout.channels = 33;
        expectLoadError(song, "byte 68: expected a channel count from 1 to 32");
    }
    {
        TestSong song;
        song.layout.defaultTempo = 0;
        expectLoadError(song, "byte 78");
    }
    {
        TestSong song;
        song.addInstrument(oneSampleInstrument(100), constantDefinition(100));
        song.source();
        song.image.resize(song.image.size() - 30);  // into the last sample header
        ModulePlayer player;
        EXPECT_THROW(loadSongSource(player, SongSource{song.image, song.planes->bytes(), song.defs}), SongDataError);
    }
    {
        TestSong song;
        song.addInstrument(oneSampleInstrument(100), constantDefinition(100));
        song.definitions.clear();
        expectLoadError(song, "definitions: byte 0: expected a definition for instrument 1");
    }
    {
        TestSong song(1, 18);
        song.source();
        std::vector<uint8_t> shortPlanes(5 * 1000, 0);
        ModulePlayer player;
        try {
            loadSongSource(player, SongSource{song.image, shortPlanes, song.defs});
            FAIL();
        } catch (const SongDataError& e) {
            EXPECT_NE(std::string(e.what()).find("pattern planes"), std::string::npos) << e.what();
        }
        std::vector<uint8_t> oddPlanes(5 * 1152 + 1, 0);
        EXPECT_THROW(loadSongSource(player, SongSource{song.image, oddPlanes, song.defs}), SongDataError);
    }
}

TEST(SongLoaderErrors, RestartOutsideTheOrdersStartsAgainAtTheTop) {
    TestSong song;
    song.layout.restartPosition = 5;
    auto player = song.start();
    EXPECT_EQ(player->song.header.restartPosition, 0);
}

}  // namespace
}  // namespace lumen
