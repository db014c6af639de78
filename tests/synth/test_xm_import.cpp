// Reading Extended Modules back: export then import gives the song back, bad
// and truncated modules are errors naming the byte, panning comes back
// mirrored and arpeggios respelled.
#include <gtest/gtest.h>

#include <string>

#include "song_fixture.h"
#include "synth/song_loader.h"
#include "synth/xm_export.h"
#include "synth/xm_format.h"
#include "synth/xm_import.h"

namespace lumen {
namespace {

using C = Cell;
using testing::putLe;

// Songs whose every cell and header the exporter writes unchanged (each note
// names its instrument, no effect reuses a memory, nothing Lumen ignores), so
// export then import must give back the very bytes.
testing::TestSong panningAndEnvelopes() {
    testing::TestSong song(2, 4);
    song.layout.orders = {0, 1, 0};
    song.layout.restartPosition = 1;
    song.layout.flags = 0;
    song.layout.defaultSpeed = 4;
    song.layout.defaultTempo = 140;
    InstrumentRecord three;
    three.samples = {{400, 0, 0, 50, -8, 0, 10, 12},
                     {300, 100, 200, 64, 7, sampletype::ForwardLoop, 250, -5},
                     {200, 50, 100, 30, 0, sampletype::PingPongLoop, 0, 0}};
    for (int n = 0; n < kNotes; ++n) three.noteMap[n] = uint8_t(n / 32);
    three.volume = {{{0, 64}, {10, 32}, {40, 0}}, 1, 0, 1, envflag::On | envflag::Sustain | envflag::Loop};
    three.panning = {{{0, 0}, {20, 64}, {30, 10}}, 2, 1, 2, envflag::On};
    three.vibratoType = autovibrato::RampDown;
    three.vibratoSweep = 3;
    three.vibratoDepth = 4;
    three.vibratoRate = 5;
    three.fadeout = 1234;
    song.addInstrument(three, testing::toneDefinition(400, 900));
    InstrumentRecord one = testing::oneSampleInstrument(100);
    one.samples[0].panning = 255;
    song.addInstrument(one, testing::constantDefinition(100));
    song.addInstrument(InstrumentRecord{}, testing::constantDefinition(0));  // no samples
    const std::tuple<int, int, int, Cell> cells[] = {
        {0, 0, 0, C{49, 1, 0x40, effect::SetPanning, 0x30}},
        {0, 0, 1, C{53, 2, 0, effect::VolSlide, 0x20}},
        {0, 0, 2, C{80, 1, 0xD3, 0, 0}},  // pan slide left in the volume column
        {0, 0, 3, C{note::KeyOffStored, 0, 0, effect::KeyOff, 0}},
        {0, 4, 0, C{51, 1, 0xE4, effect::PortaUp, 0x04}},
        {0, 4, 1, C{0, 0, 0xA5, effect::Vibrato, 0x46}},
        {0, 4, 2, C{0, 0, 0xB3, effect::PortaDown, 0x02}},
        {0, 8, 0, C{46, 2, 0x93, effect::SetGlobalVolume, 0x30}},
        {0, 8, 1, C{61, 2, 0x82, effect::MultiRetrig, 0x52}},
        {0, 8, 2, C{0, 0, 0xF2, 0, 0}},
        {0, 12, 3, C{49, 1, 0, effect::SampleOffset, 0x01}},
        {0, 16, 3, C{0, 0, 0, effect::SetSpeed, 3}},
        {0, 17, 3, C{0, 0, 0, effect::SetSpeed, 0x80}},
        {0, 20, 0, C{0, 0, 0, effect::PatternBreak, 0x10}},
        {1, 10, 0, C{37, 1, 0x20, effect::SetPanning, 0xFF}},
        {1, 11, 1, C{0, 0, 0, effect::SetPanning, 0}},
        {1, 62, 2, C{96, 2, 0, 0, 0}},
        {1, 63, 2, C{1, 1, 0, effect::Extended, extended::FineVolSlideUp << 4 | 3}},
    };
    for (const auto& [p, row, ch, cell] : cells) song.set(p, row, ch, cell);
    return song;
}

testing::TestSong eighteenChannels() {
    testing::TestSong song(1, 18);
    song.layout.defaultSpeed = 31;
    song.layout.defaultTempo = 32;
    song.addInstrument(testing::oneSampleInstrument(64, sampletype::ForwardLoop, 0, 64),
                       testing::toneDefinition(64, 300));
    for (int ch = 0; ch < 18; ++ch)
        song.set(0, ch, ch, C{uint8_t(13 + ch), 1, uint8_t(0x10 + ch), effect::SetPanning, uint8_t(ch * 15)});
    return song;
}

TEST(XmImport, ExportThenImportGivesBackPlanesAndInstrumentHeaders) {
    for (auto make : {panningAndEnvelopes, eighteenChannels}) {
        testing::TestSong song = make();
        auto player = song.start();  // song.image and the planes stay as loaded
        const XmImport back = importXm(exportXm(*player).bytes);
        EXPECT_EQ(back.song.planes, song.planes->bytes());
        EXPECT_EQ(back.song.image, song.image);
        // The source form compiles to the same pieces, and each generator is a
        // placeholder as long as the instrument's longest sample.
        const StoredSong built = compileSongSource(xmImportSource(back, "song.xm"));
        EXPECT_EQ(built.image, back.song.image);
        EXPECT_EQ(built.planes, back.song.planes);
        EXPECT_EQ(built.definitions, back.song.definitions);
        const std::vector<GeneratorDefinition> defs = parseGeneratorDefinitions(built.definitions);
        ASSERT_EQ(defs.size(), song.layout.instruments.size());
        for (size_t i = 0; i < defs.size(); ++i) {
            uint32_t longest = 0;
            for (const auto& s : song.layout.instruments[i].samples) longest = std::max(longest, s.length);
            EXPECT_EQ(defs[i].length, int32_t(longest));
            EXPECT_EQ(packGeneratorDefinition(defs[i]),
                      packGeneratorDefinition(placeholderGenerator(int32_t(longest))));
        }
    }
    // A whole tune whose export only respells arpeggios for XM's tick order:
    // the import spells them back. (The show's own song uses volume-column
    // slides XM plays differently, so its export is rewritten and not expected back.)
    const StoredSong tune = compileSongSource(readSongSourceFolder(LUMEN_SOURCE_DIR "/tests/synth/data/drift-song"));
    ModulePlayer player;
    loadSongSource(player, testing::sourceOf(tune));
    const XmImport back = importXm(exportXm(player).bytes);
    EXPECT_EQ(back.song.image, tune.image);
    EXPECT_EQ(back.song.planes, tune.planes);
    EXPECT_EQ(back.report, std::vector<std::string>{});
}

// A module written field by field, for what the exporter never writes.
struct XmBuilder {
    int channels = 2;
    std::vector<uint8_t> orders{0};
    std::vector<std::vector<XmCell>> patterns{std::vector<XmCell>(64 * 2)};
    int rows = 64;
    int speed = 6;
    int samples = 1;
    uint8_t samplePan = 0;
    uint8_t panEnvelopeY = 0;

    std::vector<uint8_t> bytes() const {
        std::vector<uint8_t> b(336, 0);
        std::copy(xm::kIdText, xm::kIdText + xm::kIdBytes, b.begin());
        const std::pair<size_t, int> fields[] = {{58, 0x0104},
                                                 {60, 276},
                                                 {64, int(orders.size())},
                                                 {68, channels},
                                                 {70, int(patterns.size())},
                                                 {72, 1},
                                                 {74, 1},
                                                 {76, speed},
                                                 {78, 125}};
        for (const auto& [at, v] : fields) putLe(b, at, v, at == 60 ? 4 : 2);
        std::copy(orders.begin(), orders.end(), b.begin() + 80);
        for (std::vector<XmCell> cells : patterns) {
            cells.resize(size_t(rows * channels));  // a changed shape gets empty cells
            const std::vector<uint8_t> packed = packXmPattern(cells);
            const size_t at = b.size();
            b.resize(at + 9 + packed.size());
            putLe(b, at, 9, 4);
            putLe(b, at + 5, rows, 2);
            putLe(b, at + 7, int(packed.size()), 2);
            std::copy(packed.begin(), packed.end(), b.begin() + long(at + 9));
        }
        const size_t in = b.size();
        b.resize(in + 263 + size_t(samples) * (40 + 32), 0);
        putLe(b, in, 263, 4);
        putLe(b, in + 27, samples, 2);
        putLe(b, in + 29, 40, 4);
        putLe(b, in + 177 + 2, panEnvelopeY, 2);  // first panning point's value
        putLe(b, in + 226, 1, 1);
        for (int s = 0; s < samples; ++s) {
            const size_t at = in + 263 + size_t(s) * 40;
            putLe(b, at, 32, 4);
            putLe(b, at + 12, 64, 1);
            putLe(b, at + 15, samplePan, 1);
        }
        return b;
    }
};

std::string importError(const std::vector<uint8_t>& bytes) {
    try {
        importXm(bytes);
    } catch (const XmFormatError& e) {
        return e.what();
    }
    return "no error";
}

TEST(XmImport, BadModulesAreErrorsNamingTheByteAndWhatToChange) {
    const std::vector<uint8_t> good = XmBuilder{}.bytes();
    ASSERT_EQ(importError(good), "no error");
    auto patched = [&](std::initializer_list<std::pair<size_t, uint8_t>> bytes) {
        std::vector<uint8_t> b = good;
        for (const auto& [at, v] : bytes) b[at] = v;
        return b;
    };
    const auto built = [](void (*change)(XmBuilder&)) {
        XmBuilder b;
        change(b);
        return b.bytes();
    };
    const std::pair<std::vector<uint8_t>, std::string> cases[] = {
        {patched({{0, 'X'}}), "byte 0: expected the text 'Extended Module: '"},
        {patched({{58, 3}}), "byte 58: expected format version 0x0104, got 0x0103"},
        {built([](XmBuilder& b) { b.channels = 20; }),
         "byte 68: expected at most 18 channels, got 20; move the notes of channels 19 and up"},
        {built([](XmBuilder& b) { b.rows = 32; }),
         "byte 341: expected 64 rows in pattern 0, got 32; resize it to 64 rows"},
        {built([](XmBuilder& b) { b.samples = 17; }), "byte 500: expected at most 16 samples in instrument 1, got 17"},
        // Row 0, channel 2: a volume byte with no meaning.
        {built([](XmBuilder& b) { b.patterns[0][1].volume = 0x05; }),
         "byte 346: expected pattern 0 row 0 channel 2: a volume-column byte"},
        {built([](XmBuilder& b) { b.orders.push_back(3); }),
         "byte 81: expected order entry 1 naming one of the module's 1 patterns"},
        // The instrument starts after 128 empty cells of one byte each; its sample header at 263 on.
        // A forward loop of 30 + 10 samples.
        {patched({{736 + 14, 1}, {736 + 4, 30}, {736 + 8, 10}}),
         "byte 740: expected a loop that ends within the 32 samples of sample 1 of instrument 1, got 30 + 10"},
        {patched({{736 + 12, 65}}), "byte 748: expected the volume of sample 1 of instrument 1 from 0 to 64"},
        {patched({{345, 0x9F}}), "byte 473: expected 128 cells in the packed pattern, but its data ends"},
    };
    for (const auto& [bytes, message] : cases)
        EXPECT_NE(importError(bytes).find(message), std::string::npos) << message << "\n got: " << importError(bytes);
    // Cut anywhere, the module is an error naming a byte, never a crash.
    for (size_t n = 0; n < good.size(); ++n)
        ASSERT_EQ(importError(std::vector<uint8_t>(good.begin(), good.begin() + long(n))).rfind("byte ", 0), 0u) << n;
}

// Note, instrument, volume, effect and parameter of the imported cell of pattern 0.
std::vector<uint8_t> importedCell(const XmImport& m, int row, int channel) {
    std::vector<uint8_t> got(5);
    PatternPlanes::fromBytes(m.song.planes).cell(0, row, channel, got.data());
    return got;
}

TEST(XmImport, PanningIsMirroredBack) {
    XmBuilder b;
    b.samplePan = 200;
    b.panEnvelopeY = 10;
    const std::pair<XmCell, Cell> cells[] = {
        {XmCell{0, 0, 0, effect::SetPanning, 0xC0}, C{0, 0, 0, effect::SetPanning, 0x3F}},
        {XmCell{0, 0, 0, effect::Extended, 0x82}, C{0, 0, 0, effect::Extended, 0x8D}},
        {XmCell{0, 0, 0xC3, 0, 0}, C{0, 0, 0xCC, 0, 0}},
        {XmCell{0, 0, 0xD2, 0, 0}, C{0, 0, 0xE2, 0, 0}},
        {XmCell{0, 0, 0xE5, 0, 0}, C{0, 0, 0xD5, 0, 0}},
        {XmCell{0, 0, 0, effect::PanSlide, 0x40}, C{0, 0, 0, effect::PanSlide, 0x04}},
        {XmCell{49, 1, 0x30, effect::VolSlide, 0x40}, C{49, 1, 0x30, effect::VolSlide, 0x40}},
    };
    for (size_t i = 0; i < std::size(cells); ++i) b.patterns[0][i * 2] = cells[i].first;
    const XmImport m = importXm(b.bytes());
    for (size_t i = 0; i < std::size(cells); ++i) {
        const Cell& want = cells[i].second;
        EXPECT_EQ(importedCell(m, int(i), 0),
                  (std::vector<uint8_t>{want.note, want.instrument, want.volume, want.effect, want.parameter}))
            << "row " << i;
    }
    ModulePlayer player;
    loadSongSource(player, testing::sourceOf(m.song));
    EXPECT_EQ(player.song.instruments[0].samples[0]->panning, 255 - 200);
    EXPECT_EQ(player.song.instruments[0].panningEnvelope[0].y, 64 - 10);
}

TEST(XmImport, ArpeggiosAreRespelledForLumensTickOrderAndTheRestIsReported) {
    XmBuilder b;
    b.orders = {0, 0};
    const XmCell cells[][2] = {
        {XmCell{0, 0, 0, effect::Arpeggio, 0x37}, XmCell{0, 0, 0x62, 0, 0}},  // speed 6: nibbles swap
        {XmCell{0, 0, 0, effect::SetSpeed, 5}, XmCell{}},
        {XmCell{0, 0, 0, effect::Arpeggio, 0x47}, XmCell{0, 0, 0, effect::Arpeggio, 0x40}},  // speed 5
    };
    for (int row = 0; row < 3; ++row)
        for (int ch = 0; ch < 2; ++ch) b.patterns[0][size_t(row * 2 + ch)] = cells[row][ch];
    const XmImport m = importXm(b.bytes());
    const std::tuple<int, int, int> parameters[] = {{0, 0, 0x73}, {2, 0, 0x47}, {2, 1, 0x40}};
    for (const auto& [row, ch, parameter] : parameters)
        EXPECT_EQ(importedCell(m, row, ch)[4], parameter) << "row " << row << " channel " << ch;
    // The pattern plays twice, the second time at speed 5 from its first row on.
    const std::vector<std::string> report = {
        "order 0 row 0 channel 2 (pattern 0): a volume-column slide also acts on the row's first tick in Lumen",
        "order 0 row 2 channel 1 (pattern 0): arpeggio at speed 5 has no Lumen spelling (XM counts its ticks down)",
        "order 1 row 0 channel 1 (pattern 0): played again at another speed; written as first played"};
    EXPECT_EQ(m.report, report);
}

}  // namespace
}  // namespace lumen
