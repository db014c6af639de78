// The song time map's rows, speeds and tempos, and the XM export's bytes
// field by field.
#include <gtest/gtest.h>

#include <string>

#include "song_fixture.h"
#include "synth/song_timemap.h"
#include "synth/xm_export.h"
#include "synth/xm_format.h"

namespace lumen {
namespace {

TEST(SongTimeMap, FollowsSpeedTempoAndBreaks) {
    testing::TestSong song = testing::timingSong();
    auto player = song.start();
    const SongTimeMap map = buildTimeMap(*player);
    ASSERT_TRUE(map.wrapped);
    EXPECT_EQ(std::pair(map.wrap.order, map.wrap.row), std::pair(0, 0));
    ASSERT_EQ(map.rows.size(), 21u + 59u + 64u);
    // Skipped by the break, past the order list, past the pattern.
    for (const auto& [order, row] : {std::pair(0, 21), {1, 4}, {3, 0}, {0, 64}})
        EXPECT_FALSE(map.find(order, row).has_value()) << order << ":" << row;
    for (const TimeMapRow& r : map.rows) ASSERT_EQ(map.find(r.order, r.row)->audioFrame, r.audioFrame);
    EXPECT_EQ(map.find(1, 5).value().pattern, 1);
    EXPECT_EQ(map.rows[0].songTimeMs, 0);

    // Each row lasts its speed in ticks of its tempo, in audio frames.
    ModulePlayer tempoOnly;
    for (size_t i = 0; i + 1 < map.rows.size(); ++i) {
        const TimeMapRow& r = map.rows[i];
        const TimeMapRow& next = map.rows[i + 1];
        setTempo(tempoOnly, next.tempo);  // a row's own F effect acts before its ticks
        const int speed = next.speed == 0 ? 1 : next.speed;
        EXPECT_EQ(next.audioFrame - r.audioFrame, int64_t(speed) * tempoOnly.samplesPerTick) << "row " << i;
        EXPECT_GE(next.songTimeMs, r.songTimeMs);
        EXPECT_EQ(next.showTimeMs(), next.songTimeMs + 57);
    }
    EXPECT_EQ((std::vector{map.find(0, 5)->speed, map.find(0, 11)->tempo, map.find(2, 3)->tempo}),
              (std::vector{3, 96, 150}));

    // The song times against the clock the synthesiser reads: ClockSync.
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) { return testing::readLe(b, at, 4); }
int le16(const std::vector<uint8_t>& b, size_t at) { return int(testing::readLe(b, at, 2)); }

TEST(XmExport, WritesAStandardModuleWithCellsRewrittenForXmPlayers) {
    testing::TestSong song(2, 3);
    song.layout.orders = {1, 0, 1};
    song.layout.restartPosition = 1;
    InstrumentRecord panned = testing::oneSampleInstrument(300, sampletype::PingPongLoop, 100, 50);
    panned.samples[0].panning = 200;
    panned.samples[0].volume = 40;
    panned.panning.points = {{0, 10}, {20, 60}};
    panned.panning.type = envflag::On;
    panned.fadeout = 300;
    song.addInstrument(panned, testing::toneDefinition(300, 2000, waveform::Saw));
    song.addInstrument(testing::oneSampleInstrument(100), testing::constantDefinition(100, 0.25f));
    using C = Cell;
    song.set(1, 0, 0, C{49, 1, 0x30, effect::SetPanning, 200});
    song.set(1, 0, 1, C{37, 2, 0x62, 0, 0});                          // slide: fine + effect slide
    song.set(1, 1, 0, C{51, 0, 0, effect::Tremolo, 0x44});            // repeat instrument 1, keep volume
    song.set(1, 1, 1, C{0, 0, 0xC4, 0, 0});                           // pan into the effect column
    song.set(1, 2, 0, C{0, 0, 0, effect::Extended, 0x83});            // E83: pan 48 mirrored
    song.set(1, 2, 2, C{40, 2, 0, effect::TonePortaVolSlide, 0x10});  // no XM spelling: reported
    song.set(1, 3, 0, C{note::KeyOffStored, 0, 0x05, effect::SetSpeed, 0});
    song.set(1, 4, 1, C{0, 0, 0, effect::VolSlide, 0x03});
    song.set(0, 5, 1, C{0, 0, 0, effect::VolSlide, 0});       // the memory written out
    song.set(0, 6, 2, C{49, 2, 0, effect::SampleOffset, 1});  // past the end: reported
    // Arpeggio nibbles for XM's count-down ticks: swapped at speed 6; at
    // speed 5 only a parameter with a zero low nibble has a spelling.
    song.set(1, 1, 2, C{0, 0, 0, effect::Arpeggio, 0x47});
    song.set(0, 0, 2, C{0, 0, 0, effect::SetSpeed, 6});
    song.set(0, 8, 0, C{0, 0, 0, effect::SetSpeed, 5});
    song.set(0, 8, 1, C{0, 0, 0, effect::Arpeggio, 0x47});
    song.set(0, 9, 1, C{0, 0, 0, effect::Arpeggio, 0x40});
    song.set(0, 10, 0, C{0, 0, 0, effect::SetSpeed, 6});
    auto player = song.start();
    const XmExport xm = exportXm(*player);
    const auto& b = xm.bytes;

    ASSERT_GT(b.size(), 336u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 17), "Extended Module: ");
    EXPECT_EQ(b[37], 0x1A);
    EXPECT_EQ((std::vector<int>{le16(b, 58), int(le32(b, 60)), le16(b, 62), le16(b, 64), le16(b, 66), le16(b, 68),
                                le16(b, 70), le16(b, 72), le16(b, 74), le16(b, 76), le16(b, 78)}),
              (std::vector<int>{0x0104, 276, 0, 3, 1, 4, 2, 2, 1, 6, 125}));
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 80, b.begin() + 83), (std::vector<uint8_t>{1, 0, 1}));

    size_t at = 336;
    std::vector<std::vector<XmCell>> patterns;
    for (int p = 0; p < 2; ++p) {
        ASSERT_EQ(le32(b, at), 9u);
        EXPECT_EQ(b[at + 4], 0);
        ASSERT_EQ(le16(b, at + 5), 64);
        const size_t packed = size_t(le16(b, at + 7));
        patterns.push_back(unpackXmPattern(std::span(b).subspan(at + 9, packed), 64 * 4));
        at += 9 + packed;
    }
    auto cell = [&](int p, int row, int ch) { return patterns[size_t(p)][size_t(row * 4 + ch)]; };
    const std::pair<XmCell, XmCell> expected[] = {
        {cell(1, 0, 0), XmCell{49, 1, 0x30, effect::SetPanning, 55}},
        {cell(1, 0, 1), XmCell{37, 2, 0x82, effect::VolSlide, 0x02}},
        {cell(1, 1, 0), XmCell{51, 1, 0x30, 0, 0}},
        {cell(1, 1, 1), XmCell{0, 0, 0, effect::SetPanning, 255 - 64}},
        {cell(1, 2, 0), XmCell{0, 0, 0, effect::SetPanning, 255 - 48}},
        {cell(1, 2, 2), XmCell{40, 1, 0, 0, 0}},
        {cell(0, 5, 1), XmCell{0, 0, 0, effect::VolSlide, 0x03}},
        {cell(1, 1, 2), XmCell{0, 0, 0, effect::Arpeggio, 0x74}},
        {cell(0, 8, 1), XmCell{0, 0, 0, effect::Arpeggio, 0x47}},
        {cell(0, 9, 1), XmCell{0, 0, 0, effect::Arpeggio, 0x40}},
        {cell(1, 3, 0), XmCell{97, 0, 0, effect::SetSpeed, 1}},
        {cell(1, 0, 3), XmCell{}},
    };
    for (size_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(expected[i].first, expected[i].second) << "case " << i;
    // Instrument 1's panning envelope moves on while Lumen keeps the pan it
    // applied with the note: every note of it is listed.
    const std::string panEnvelope =
        "the note's panning envelope moves; Lumen applies it only with a note or a pan command";
    const std::vector<std::string> report = {
        "order 0 row 0 channel 1 (pattern 1): " + panEnvelope,
        "order 0 row 1 channel 1 (pattern 1): " + panEnvelope,
        "order 0 row 2 channel 3 (pattern 1): tone portamento with volume slide retriggers at the old pitch in "
        "Lumen; " + panEnvelope,
        "order 1 row 6 channel 3 (pattern 0): a sample offset past the sample's end restarts the sounding note in "
        "Lumen",
        "order 1 row 8 channel 2 (pattern 0): arpeggio at speed 5 has no XM spelling (XM counts its ticks down)",
        "order 2 row 0 channel 1 (pattern 1): " + panEnvelope,
        "order 2 row 1 channel 1 (pattern 1): " + panEnvelope,
        // Channel 3 now holds instrument 2, so the tone portamento would need another instrument number.
        "order 2 row 2 channel 3 (pattern 1): played again with other channel state; written as first played"};
    EXPECT_EQ(xm.report, report);

    // Instruments: header, mirrored pan envelope, sample header and the
    // delta-encoded generated bytes.
    const auto in = [&](int i) -> const Instrument& { return player->song.instruments[size_t(i)]; };
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(le32(b, at), 263u);
        const Sample& s = *in(i).samples[0];
        // Sample count and header size; then, for the first, the mirrored pan
        // envelope, its type and the fadeout.
        EXPECT_EQ((std::vector<long>{le16(b, at + 27), le32(b, at + 29)}), (std::vector<long>{1, 40}));
        if (i == 0) {
            EXPECT_EQ((std::vector{le16(b, at + 179), le16(b, at + 183), int(b[at + 226]), le16(b, at + 239)}),
                      (std::vector{64 - 10, 64 - 60, 2, 300}));
        }
        at += 263;
        // Length, loop start and length, loop type, mirrored pan.
        EXPECT_EQ((std::vector<long>{le32(b, at), le32(b, at + 4), le32(b, at + 8), b[at + 14], b[at + 15]}),
                  (std::vector<long>{s.length, i == 0 ? 100 : 0, i == 0 ? 50 : 0, i == 0 ? 2 : 0, 255 - s.panning}));
        at += 40;
        int8_t value = 0;
        for (uint32_t k = 0; k < s.length; ++k) {
            value = static_cast<int8_t>(value + int8_t(b[at + k]));
            ASSERT_EQ(value * 256, s.data[k]) << "instrument " << i << " sample " << k;
        }
        at += s.length;
    }
    EXPECT_EQ(at, b.size());
}

TEST(XmFormat, PackedPatternsRoundTripAndTruncationIsAnError) {
    const std::vector<XmCell> cells = {{49, 1, 0x40, 15, 3}, {}, {0, 0, 0, 13, 0}, {97, 0, 0, 0, 0}};
    const auto packed = packXmPattern(cells);
    EXPECT_EQ(packed.size(), 5u + 1u + 2u + 2u);
    EXPECT_EQ(unpackXmPattern(packed, cells.size()), cells);
    EXPECT_THROW(unpackXmPattern(std::span(packed).first(packed.size() - 1), cells.size()), XmFormatError);
    EXPECT_THROW(unpackXmPattern(packed, cells.size() - 1), XmFormatError);
}

}  // namespace
}  // namespace lumen
