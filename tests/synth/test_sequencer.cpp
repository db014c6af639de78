// The sequencer: pitch, pattern breaks, envelope loops, and every command over
// short patterns pinned by golden hashes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "song_fixture.h"

namespace lumen {
namespace {

using testing::constantDefinition;
using testing::oneSampleInstrument;
using testing::TestSong;

constexpr uint8_t kC4 = 49;  // period 4608, 8363 Hz

// Instrument 1 loops a constant sample; channel 0 plays `cells` from row 0.
TestSong loopingSong(std::vector<Cell> cells = {}, int patterns = 1) {
    TestSong song(patterns, 2);
    song.addInstrument(oneSampleInstrument(8000, sampletype::ForwardLoop, 0, 8000), constantDefinition(8000));
    for (size_t row = 0; row < cells.size(); ++row) song.set(0, int(row), 0, cells[row]);
    return song;
}

TEST(SequencerPitch, RelativeNoteFinetuneAndTheStepOfC4) {
    TestSong song = loopingSong({{kC4, 1, 0, 0, 0}});
    song.layout.instruments[0].samples[0].relativeNote = 12;
    song.layout.instruments[0].samples[0].finetune = -15;
    auto p = song.start();
    sequencerTick(*p);
    EXPECT_EQ(p->channels[0].period, 7680 - 60 * 64 + 7);  // note 60; -15 / 2 truncates to -7
    song.layout.instruments[0].samples[0] = SampleHeaderRecord{8000, 0, 8000};
    p = song.start();
    sequencerTick(*p);
    EXPECT_EQ(p->mixer.channel(0).stepFraction, uint32_t((uint64_t(8363) << 32) / 44100));
}

TEST(SequencerEffects, PatternBreakGoesToTheNextOrderAndARowPastTheEndToRow0) {
    TestSong song = loopingSong({{0, 0, 0, effect::PatternBreak, 0x12}}, 3);
    song.set(1, 12, 0, Cell{0, 0, 0, effect::PatternBreak, 0x70});
    auto p = song.start();
    testing::mixTicks(*p, 7);
    EXPECT_EQ(std::pair(p->orderPosition, p->row), std::pair(1, 12));
    testing::mixTicks(*p, 6);
    EXPECT_EQ(std::pair(p->orderPosition, p->row), std::pair(2, 0));
}

TEST(SequencerEnvelopes, LoopJumpsBackToItsStartPoint) {
    const EnvelopePoint points[] = {{0, 0}, {2, 64}, {4, 32}};
    EnvelopeState looped;
    std::vector<int> values;
    for (int t = 0; t < 8; ++t) {
        stepEnvelope(looped, points, 3, envflag::On | envflag::Loop, 0, 0, 2, false);
        values.push_back(looped.value);
    }
    EXPECT_EQ(values, (std::vector<int>{0, 32, 64, 48, 0, 32, 64, 48}));
}

// Golden sweep. Channel 0 plays the case's cells; channel 1 holds an enveloped,
// auto-vibrato ping-pong voice released at row 3, so commands reaching every
// channel, sustain, key off and fade-out show.
uint64_t sweepHash(const std::vector<Cell>& cells, uint8_t autoVibrato = autovibrato::Sine) {
    TestSong song(1, 2);
    song.addInstrument(oneSampleInstrument(8192, sampletype::ForwardLoop, 4096, 4096),
                       testing::toneDefinition(8192, 88200.0f / 64));
    InstrumentRecord rich = oneSampleInstrument(8192, sampletype::PingPongLoop, 1000, 3000);
    rich.volume = {{{0, 0}, {3, 64}, {8, 40}, {20, 10}}, 2, 0, 0, envflag::On | envflag::Sustain};
    rich.panning = {{{0, 0}, {4, 64}, {8, 32}}, 0, 0, 2, envflag::On | envflag::Loop};
    rich.vibratoType = autoVibrato;
    rich.vibratoSweep = 4;
    rich.vibratoDepth = 8;
    rich.vibratoRate = 40;
    rich.fadeout = 3000;
    song.addInstrument(rich, testing::toneDefinition(8192, 88200.0f / 32));
    song.addInstrument(oneSampleInstrument(1000), testing::toneDefinition(1000, 88200.0f / 50));
    for (size_t row = 0; row < cells.size(); ++row) song.set(0, int(row), 0, cells[row]);
    song.set(0, 0, 1, Cell{61, 2, 0, 0, 0});
    song.set(0, 3, 1, Cell{note::KeyOffStored, 0, 0, 0, 0});
    auto p = song.start();
    return testing::fnv1a(testing::mixTicks(*p, 6 * 5));
}

TEST(SequencerGolden, EveryCommandOverAShortPattern) {
    std::vector<std::pair<std::string, std::vector<Cell>>> cases = {
        {"plain", {{kC4, 1, 0, 0, 0}}},
        {"Arpeggio 47", {{kC4, 1, 0, effect::Arpeggio, 0x47}, {0, 0, 0, effect::Arpeggio, 0x47}}},
        {"PortaUp 10", {{kC4, 1, 0, effect::PortaUp, 0x10}, {0, 0, 0, effect::PortaUp, 0}}},
        {"PortaUp FF stops at period 56", {{kC4, 1, 0, effect::PortaUp, 0xFF}}},
        {"PortaDown 08", {{kC4, 1, 0, effect::PortaDown, 0x08}, {0, 0, 0, effect::PortaDown, 0}}},
        {"TonePorta 20", {{kC4, 1, 0, 0, 0}, {56, 1, 0, effect::TonePorta, 0x20}, {0, 0, 0, effect::TonePorta, 0}}},
        {"TonePortaVolSlide 20", {{kC4, 1, 0, 0, 0}, {56, 1, 0, effect::TonePortaVolSlide, 0x20}}},
        {"Vibrato 8F", {{kC4, 1, 0, effect::Vibrato, 0x8F}, {0, 0, 0, effect::Vibrato, 0x00}}},
        {"SetPanning 20", {{kC4, 1, 0, effect::SetPanning, 0x20}}},
        {"SetPanning F0 with a column slide", {{kC4, 1, 0x65, effect::SetPanning, 0xF0}, {0, 0, 0x74, 0, 0}}},
        {"SetPanning under a panning envelope", {{kC4, 2, 0, 0, 0}, {0, 0, 0, effect::SetPanning, 0x60}}},
        {"SampleOffset 02", {{kC4, 3, 0, effect::SampleOffset, 0x02}}},
        {"SampleOffset past end", {{kC4, 3, 0, 0, 0}, {kC4, 3, 0, effect::SampleOffset, 0x10}}},
        {"SampleOffset at the loop end", {{kC4, 1, 0, effect::SampleOffset, 0x20}}},
        {"VolSlide 03", {{kC4, 1, 0, effect::VolSlide, 0x03}, {0, 0, 0, effect::VolSlide, 0}}},
        {"VolSlide 20", {{kC4, 1, 0x20, effect::VolSlide, 0x20}}},
        {"PatternBreak 02", {{kC4, 1, 0, effect::PatternBreak, 0x02}}},
        {"Extended E84", {{kC4, 1, 0, effect::Extended, 0x84}}},
        {"Extended EA3", {{kC4, 1, 0x30, effect::Extended, 0xA3}, {0, 0, 0, effect::Extended, 0xA0}}},
        {"SetSpeed 03", {{kC4, 1, 0, effect::SetSpeed, 0x03}}},
        {"SetSpeed 00 is speed 1", {{kC4, 1, 0, effect::SetSpeed, 0x00}}},
        {"SetSpeed tempo C8", {{kC4, 1, 0, effect::SetSpeed, 0xC8}}},
        {"SetGlobalVolume 14", {{kC4, 1, 0, effect::SetGlobalVolume, 0x14}}},
        {"SetGlobalVolume 50", {{kC4, 1, 0, effect::SetGlobalVolume, 0x50}}},
        {"KeyOff", {{kC4, 2, 0, 0, 0}, {0, 0, 0, effect::KeyOff, 0}}},
        {"key off note", {{kC4, 1, 0, 0, 0}, {note::KeyOffStored, 0, 0, 0, 0}}},
        {"missing instrument", {{kC4, 9, 0, 0, 0}}},
        {"column tone porta speed kept", {{kC4, 1, 0, 0, 0}, {56, 1, 0xF4, 0, 0}, {kC4, 1, 0, effect::TonePorta, 0}}},
    };
    for (int change = 0; change < 16; ++change)
        cases.push_back({"MultiRetrig " + std::to_string(change) + "2",
                         {{kC4, 1, 0x28, effect::MultiRetrig, uint8_t(change << 4 | 2)}}});
    for (uint8_t v : {0x10, 0x30, 0x50, 0x55, 0x63, 0x73, 0x83, 0x93, 0xA4, 0xB8, 0xC4, 0xD8, 0xE8, 0xF4}) {
        // Vibrato depth from the column is heard only at a vibrato speed, set here by the effect.
        const uint8_t speed = (v >> 4) == volcmd::Vibrato ? effect::Vibrato : 0;
        cases.push_back({"volume column " + std::to_string(v),
                         {{kC4, 1, 0x48, 0, 0},
                          {uint8_t(v == 0xF4 ? 56 : 0), 0, v, speed, 0x40},
                          {0, 0, uint8_t(v & 0xF0), 0, 0}}});
    }
    for (const auto& [name, cells] : cases) testing::expectGolden("sequencer " + name, sweepHash(cells));
    for (const CodeName& row : kAutoVibratoNames)
        testing::expectGolden(std::string("auto-vibrato ") + row.name, sweepHash({{kC4, 1, 0, 0, 0}}, row.code));
}

TEST(SequencerGolden, IgnoredCommandsPlayLikeNoCommand) {
    const uint64_t plain = sweepHash({{kC4, 1, 0, 0, 0}});
    for (uint8_t ignored :
         {effect::VibratoVolSlide, effect::Tremolo, effect::PositionJump, effect::SetVolume, effect::GlobalVolSlide,
          effect::SetEnvelopePosition, effect::PanSlide, effect::Tremor, effect::ExtraFinePorta})
        EXPECT_EQ(sweepHash({{kC4, 1, 0, ignored, 0x37}, {0, 0, 0, ignored, 0x37}}), plain) << int(ignored);
    EXPECT_EQ(sweepHash({{kC4, 1, 0, effect::Extended, 0x12}, {0, 0, 0, effect::Extended, 0xC1}}), plain);
}

}  // namespace
}  // namespace lumen
