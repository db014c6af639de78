#include <gtest/gtest.h>

#include <cmath>

#include "song_fixture.h"
#include "synth/sequencer.h"

namespace lumen {
namespace {

using testing::constantDefinition;
using testing::oneSampleInstrument;
using testing::TestSong;

// One channel playing a looping constant sample, speed 6, tempo 125.
TestSong loopingSong(int patterns = 1) {
    TestSong song(patterns, 2);
    song.addInstrument(oneSampleInstrument(8000, 1, 0, 8000), constantDefinition(8000));
    return song;
}

void ticks(ModulePlayer& p, int n) {
    for (int i = 0; i < n; ++i) sequencerTick(p);
}

MixerChannel& voiceOf(ModulePlayer& p, int songChannel) {
    return p.mixer.channel(p.channels[size_t(songChannel)].mixerChannel);
}

TEST(SequencerTempo, SamplesPerTickFollowTheTempo) {
    ModulePlayer p;
    setTempo(p, 125);
    EXPECT_EQ(p.samplesPerTick, 882);
    setTempo(p, 32);
    EXPECT_EQ(p.samplesPerTick, 3445);
    setTempo(p, 255);
    EXPECT_EQ(p.tempo, 255);
    EXPECT_EQ(p.samplesPerTick, 432);
}

TEST(SequencerPitch, Note49IsPeriod4608At8363Hz) {
    TestSong song = loopingSong();
    song.set(0, 0, 0, Cell{49, 1, 0, 0, 0});
    auto p = song.start();
    ticks(*p, 1);
    const ChannelState& ch = p->channels[0];
    EXPECT_EQ(ch.realNote, 48);
    EXPECT_EQ(ch.period, 4608);
    const MixerChannel& m = voiceOf(*p, 0);
    EXPECT_EQ(m.step, 0);
    EXPECT_EQ(m.stepFraction, uint32_t(((uint64_t(8363) << 32) + 0) / 44100));
    EXPECT_EQ(m.sample, p->song.instruments[0].samples[0]);
}

TEST(SequencerPitch, FinetuneAndRelativeNoteMoveThePeriod) {
    TestSong song(1, 1);
    InstrumentSpec in = oneSampleInstrument(100);
    in.samples[0].relativeNote = 12;
    in.samples[0].finetune = -15;
    song.addInstrument(in, constantDefinition(100));
    song.set(0, 0, 0, Cell{49, 1, 0, 0, 0});
    auto p = song.start();
    ticks(*p, 1);
    EXPECT_EQ(p->channels[0].realNote, 60);
    EXPECT_EQ(p->channels[0].period, 7680 - 60 * 64 + 7);  // -15 / 2 truncates to -7
}

TEST(SequencerEffects, ArpeggioCyclesNoteThirdAndFifth) {
    TestSong song = loopingSong();
    song.set(0, 0, 0, Cell{49, 1, 0, 0x00, 0x47});
    auto p = song.start();
    std::vector<int> deltas;
    for (int t = 0; t < 6; ++t) {
        sequencerTick(*p);
        deltas.push_back(p->channels[0].periodDelta);
    }
    EXPECT_EQ(deltas, (std::vector<int>{0, 4 * 64, 7 * 64, 0, 4 * 64, 7 * 64}));
    // The last tick (mod 3 = 2) plays a fifth above 8363 Hz.
    const double hz = 8363 * std::pow(2.0, 7.0 / 12);
    const MixerChannel& m = voiceOf(*p, 0);
    EXPECT_NEAR(m.stepFraction / 4294967296.0 * 44100, hz, 1.0);
}

TEST(SequencerEffects, PortamentoSlidesByFourPerStepAndStopsAt56) {
    TestSong song = loopingSong();
    song.set(0, 0, 0, Cell{49, 1, 0, 0x01, 0x10});
    song.set(0, 0, 1, Cell{49, 1, 0, 0x02, 0x08});
    song.set(0, 1, 0, Cell{0, 0, 0, 0x01, 0xFF});
    auto p = song.start();
    ticks(*p, 6);
    EXPECT_EQ(p->channels[0].period, 4608 - 5 * 64);
    EXPECT_EQ(p->channels[1].period, 4608 + 5 * 32);
    // Row 1 reuses the large step until the floor at 56.
    ticks(*p, 6 * 4);
    EXPECT_EQ(p->channels[0].period, 56);
}

TEST(SequencerEffects, TonePortamentoGlidesWithoutRetriggering) {
    TestSong song = loopingSong();
    song.set(0, 0, 0, Cell{49, 1, 0, 0, 0});
    song.set(0, 1, 0, Cell{53, 1, 0, 0x03, 0x20});  // 4 semitones up, 128 period units per tick
    auto p = song.start();
    ticks(*p, 6);
    const int mixerBefore = p->channels[0].mixerChannel;
    sequencerTick(*p);
    EXPECT_EQ(p->channels[0].period, 4608);
    EXPECT_EQ(p->channels[0].portamentoTarget, 4608 - 256);
    EXPECT_EQ(p->channels[0].mixerChannel, mixerBefore);  // no new note
    sequencerTick(*p);
    EXPECT_EQ(p->channels[0].period, 4608 - 128);
    ticks(*p, 3);
    EXPECT_EQ(p->channels[0].period, 4608 - 256);  // holds at the target
}

TEST(SequencerEffects, VibratoFollowsTheSineTable) {
    TestSong song = loopingSong();
    song.set(0, 0, 0, Cell{49, 1, 0, 0x04, 0x8F});
    auto p = song.start();
    std::vector<int> deltas;
    for (int t = 0; t < 4; ++t) {
        sequencerTick(*p);
        deltas.push_back(p->channels[0].periodDelta);
    }
    // Positions 0, 0, 8, 16: sin 0, sin(pi/4) -> 181, and just under sin(pi/2)
    // -> 255 (not 256), at depth 15 with the low two bits cleared.
    EXPECT_EQ(deltas, (std::vector<int>{0, 0, -84, -116}));
}

TEST(SequencerEffects, VolumeSlideAndVolumeColumn) {
    TestSong song = loopingSong();
    song.set(0, 0, 0, Cell{49, 1, 0x30, 0x0A, 0x03});  // volume 32, slide down 3
    song.set(0, 0, 1, Cell{49, 1, 0x10, 0x0A, 0x20});  // volume 0, slide up 2
    auto p = song.start();
    sequencerTick(*p);
    EXPECT_EQ(p->channels[0].volume, 32);
    ticks(*p, 5);
    EXPECT_EQ(p->channels[0].volume, 32 - 5 * 3);
    EXPECT_EQ(p->channels[1].volume, 10);
}

TEST(SequencerEffects, PatternBreakJumpsToTheRowOfTheNextOrder) {
    TestSong song = loopingSong(3);
    song.set(0, 0, 0, Cell{0, 0, 0, 0x0D, 0x12});
    song.set(1, 12, 0, Cell{0, 0, 0, 0x0D, 0x70});
    auto p = song.start();
    ticks(*p, 6);
    sequencerTick(*p);
    EXPECT_EQ(p->orderPosition, 1);
    EXPECT_EQ(p->row, 12);
    ticks(*p, 6);
    EXPECT_EQ(p->orderPosition, 2);
    EXPECT_EQ(p->row, 0);
}

TEST(SequencerEffects, SongWrapsToTheRestartPosition) {
    TestSong song = loopingSong(2);
    song.layout.restartPosition = 1;
    auto p = song.start();
    ticks(*p, 6 * 128 + 1);
    EXPECT_EQ(p->orderPosition, 1);
    EXPECT_EQ(p->row, 0);
}

TEST(SequencerEffects, SampleOffsetPastTheEndRestartsWhatIsPlaying) {
    TestSong song(1, 1);
    song.addInstrument(oneSampleInstrument(4000), constantDefinition(4000));
    song.set(0, 0, 0, Cell{49, 1, 0, 0, 0});
    song.set(0, 1, 0, Cell{49, 1, 0, 0x09, 0x10});
    song.set(0, 2, 0, Cell{49, 1, 0, 0x09, 0x08});
    auto p = song.start();
    ticks(*p, 6);
    MixerChannel& m = voiceOf(*p, 0);
    m.position = 1234;
    sequencerTick(*p);
    EXPECT_EQ(&voiceOf(*p, 0), &m);  // not triggered: no move to the partner
    EXPECT_EQ(m.position, 0);
    ticks(*p, 5);
    sequencerTick(*p);  // 0x800 fits: the new note starts there on the partner
    EXPECT_NE(&voiceOf(*p, 0), &m);
    EXPECT_EQ(voiceOf(*p, 0).position, 0x800);
}

TEST(SequencerEffects, GlobalVolumeScalesEveryChannel) {
    TestSong song = loopingSong();
    song.set(0, 0, 0, Cell{49, 1, 0, 0, 0});
    song.set(0, 0, 1, Cell{49, 1, 0, 0, 0});
    song.set(0, 1, 1, Cell{0, 0, 0, 0x10, 32});
    auto p = song.start();
    sequencerTick(*p);
    EXPECT_EQ(voiceOf(*p, 0).volume, 127);
    ticks(*p, 6);
    EXPECT_EQ(p->globalVolume, 32);
    // Channel 0 came before the change on that row; channel 1 set it.
    EXPECT_EQ(voiceOf(*p, 0).volume, 127);
    EXPECT_EQ(voiceOf(*p, 1).volume, 63);
    ticks(*p, 6);
    EXPECT_EQ(voiceOf(*p, 0).volume, 63);
    EXPECT_EQ(voiceOf(*p, 1).volume, 63);
    EXPECT_EQ(voiceOf(*p, 0).targetA, 63 * 128 / 255);
}

TEST(SequencerEnvelopes, TwoPointEnvelopeFallsThenFinishes) {
    TestSong song(1, 1);
    InstrumentSpec in = oneSampleInstrument(8000, 1, 0, 8000);
    in.volume.points = {{0, 64}, {10, 0}};
    in.volume.type = 1;
    song.addInstrument(in, constantDefinition(8000));
    song.set(0, 0, 0, Cell{49, 1, 0, 0, 0});
    auto p = song.start();
    std::vector<int> values;
    for (int t = 0; t < 13; ++t) {
        sequencerTick(*p);
        values.push_back(p->channels[0].volumeEnvelope.value);
    }
    EXPECT_EQ(values, (std::vector<int>{64, 57, 51, 44, 38, 32, 25, 19, 12, 6, 0, 0, 0}));
    EXPECT_EQ(p->channels[0].volumeEnvelope.finished, 1);
}

TEST(SequencerEnvelopes, KeyOffCutsWithoutAnEnvelopeAndReleasesWithOne) {
    TestSong song(1, 2);
    song.addInstrument(oneSampleInstrument(8000, 1, 0, 8000), constantDefinition(8000));
    InstrumentSpec sustained = oneSampleInstrument(8000, 1, 0, 8000);
    sustained.volume.points = {{0, 64}, {4, 48}, {20, 0}};
    sustained.volume.sustain = 1;
    sustained.volume.type = 3;
    sustained.fadeout = 1024;
    song.addInstrument(sustained, constantDefinition(8000));
    song.set(0, 0, 0, Cell{49, 1, 0, 0, 0});
    song.set(0, 0, 1, Cell{49, 2, 0, 0, 0});
    song.set(0, 2, 0, Cell{97, 0, 0, 0, 0});
    song.set(0, 2, 1, Cell{0, 0, 0, 0x14, 0});
    auto p = song.start();
    ticks(*p, 12);
    EXPECT_EQ(p->channels[1].volumeEnvelope.value, 48);  // held at the sustain point
    EXPECT_EQ(p->channels[1].volumeEnvelope.tick, 4);
    EXPECT_GT(voiceOf(*p, 0).volume, 0);
    sequencerTick(*p);
    EXPECT_EQ(p->channels[0].volumeEnvelope.value, 0);
    EXPECT_EQ(voiceOf(*p, 0).volume, 0);
    EXPECT_EQ(p->channels[1].keyOff, 1);
    EXPECT_EQ(p->channels[1].fadeoutVolume, 65536 - 2048);
    ticks(*p, 3);
    EXPECT_LT(p->channels[1].volumeEnvelope.value, 48);
    EXPECT_EQ(p->channels[1].fadeoutVolume, 65536 - 4 * 2048);
}

TEST(SequencerMixing, NewNoteMovesToThePartnerAndTheOldOneRampsOut) {
    TestSong song = loopingSong();
    song.set(0, 0, 0, Cell{49, 1, 0, 0, 0});
    song.set(0, 1, 0, Cell{61, 1, 0, 0, 0});
    song.set(0, 2, 0, Cell{49, 1, 0, 0, 0});
    auto p = song.start();
    ticks(*p, 6);
    EXPECT_EQ(p->channels[0].mixerChannel, 0);
    sequencerTick(*p);
    EXPECT_EQ(p->channels[0].mixerChannel, 32);
    const MixerChannel& old = p->mixer.channel(0);
    EXPECT_NE(old.sample, nullptr);
    EXPECT_EQ(old.targetA, 0);
    EXPECT_EQ(old.targetB, 0);
    const MixerChannel& now = p->mixer.channel(32);
    EXPECT_EQ(now.index, 32);
    EXPECT_EQ(now.currentA, 0);
    EXPECT_GT(now.targetA, 0);
    ticks(*p, 6);
    EXPECT_EQ(p->channels[0].mixerChannel, 0);
}

TEST(SequencerEffects, MultiRetriggerRestartsEveryIntervalAndChangesVolume) {
    TestSong song = loopingSong();
    song.set(0, 0, 0, Cell{49, 1, 0x40, 0x1B, 0x12});  // volume 48, -1 every 2 ticks
    auto p = song.start();
    sequencerTick(*p);
    const int first = p->channels[0].mixerChannel;
    sequencerTick(*p);  // tick 1: nothing
    EXPECT_EQ(p->channels[0].mixerChannel, first);
    sequencerTick(*p);  // tick 2: retrigger
    EXPECT_NE(p->channels[0].mixerChannel, first);
    EXPECT_EQ(p->channels[0].volume, 47);
    ticks(*p, 2);
    EXPECT_EQ(p->channels[0].volume, 46);
}

TEST(SequencerEffects, SpeedZeroStartsARowEveryTick) {
    TestSong song = loopingSong();
    song.set(0, 0, 0, Cell{0, 0, 0, 0x0F, 0});
    auto p = song.start();
    sequencerTick(*p);
    sequencerTick(*p);
    EXPECT_EQ(p->row, 1);
    song.set(0, 0, 0, Cell{0, 0, 0, 0x0F, 0x80});
    auto q = song.start();
    sequencerTick(*q);
    EXPECT_EQ(q->tempo, 128);
}

TEST(SequencerLookups, MissingInstrumentsAndSamplesPlaySilence) {
    TestSong song = loopingSong();
    song.set(0, 0, 0, Cell{49, 7, 0, 0, 0});
    song.set(0, 1, 0, Cell{49, 1, 0, 0, 0});
    auto p = song.start();
    sequencerTick(*p);
    EXPECT_EQ(&channelSample(*p, p->channels[0]), &p->song.emptySample);
    ticks(*p, 5);
    sequencerTick(*p);
    EXPECT_EQ(&channelSample(*p, p->channels[0]), p->song.instruments[0].samples[0]);
    p->channels[0].note = 120;  // not a note: no map entry to read
    EXPECT_EQ(&channelSample(*p, p->channels[0]), &p->song.emptySample);
}

}  // namespace
}  // namespace lumen
