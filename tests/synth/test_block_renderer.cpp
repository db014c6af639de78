#include <gtest/gtest.h>

#include "song_fixture.h"
#include "synth/block_renderer.h"

namespace lumen {
namespace {

TEST(BlockSizes, At44100TheRingIs100BlocksOf884Frames) {
    const OutputSizes s = OutputSizes::forRate(44100);
    EXPECT_EQ(s.blockFrames, 884);
    EXPECT_EQ(s.ringFrames, 88400);
    EXPECT_EQ(s.blockCount, 100);
    EXPECT_EQ(OutputSizes::forRate(22050).blockFrames, 444);  // 441 rounded up to a multiple of 4
    EXPECT_EQ(Mixer(44100).rampLength(), 128);
}

TEST(BlockConversion, RoundsTiesToEvenAndClamps) {
    const std::pair<float, int> cases[] = {{40000.0f, 32767}, {-40000.0f, -32768}, {2.5f, 2},          {3.5f, 4},
                                           {-2.5f, -2},        {32767.4f, 32767},  {-32768.0f, -32768}};
    for (auto [mix, pcm] : cases) EXPECT_EQ(pcmFromMix(mix), pcm) << mix;
}

TEST(BlockClock, EachPieceAddsItsOwnTruncatedMilliseconds) {
    testing::TestSong song;
    auto p = song.start();
    BlockRenderer r(*p);
    r.prefill();
    EXPECT_EQ(r.fillIndex(), 0);
    // Block 0: a whole 882-frame tick (20 ms) and a 2-frame piece (0 ms).
    EXPECT_EQ(r.positionAt(0), 20);
    // Block 1: the tick's remaining 880 frames (19 ms) and 4 frames (0 ms).
    EXPECT_EQ(r.positionAt(1), 39);
    // The clock loses a little against the sample count, block after block.
    EXPECT_LT(r.positionAt(99), 100 * 884 * 1000 / 44100);
    EXPECT_EQ(p->songTime, r.positionAt(99));
    // Refilling block 0 goes on from where the pre-fill stopped.
    r.renderBlock();
    EXPECT_EQ(r.fillIndex(), 1);
    EXPECT_GT(r.positionAt(0), r.positionAt(99));
}

TEST(BlockClock, SlowTempoTicksSpanSeveralBlocks) {
    testing::TestSong song;
    song.layout.defaultTempo = 32;
    auto p = song.start();
    EXPECT_EQ(p->samplesPerTick, 3445);
    BlockRenderer r(*p);
    r.renderBlock();
    EXPECT_EQ(p->samplesLeftInTick, 3445 - 884);
    EXPECT_EQ(p->tick, 1);
}

TEST(BlockMixing, ASoundingNoteReachesTheRing) {
    testing::TestSong song(1, 1);
    song.addInstrument(testing::oneSampleInstrument(8000, sampletype::ForwardLoop, 0, 8000), testing::constantDefinition(8000, 0.5f));
    song.set(0, 0, 0, Cell{49, 1, 0, 0, 0});
    auto p = song.start();
    BlockRenderer r(*p);
    r.renderBlock();
    const int16_t* b = r.block(0);
    // Sample value 62 * 256, full volume 127, pan 128: both targets are 63,
    // so each side settles at 15872 * 63 / 255 = 3921.3.
    EXPECT_EQ(b[0], 0);  // the fade-in starts from silence
    EXPECT_EQ(b[2 * 200], 3921);
    EXPECT_EQ(b[2 * 200 + 1], 3921);
}

}  // namespace
}  // namespace lumen
