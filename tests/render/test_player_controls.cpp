// The player's time controls: whole arguments only, times in both forms, and
// the seekable soundtrack's ring after a seek holding the bytes of a play from
// the start.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "render_test_support.h"
#include "shell/player_controls.h"
#include "shell/seekable_sound.h"

namespace lumen {
namespace {

TEST(PlayerControls, AreWholeArgumentsWithTimesInEitherForm) {
    const struct {
        std::vector<const char*> args;
        bool ok;
        int from, to;  // -1: not given
        bool dev;
    } cases[] = {
        {{"lumen"}, true, -1, -1, false},
        {{"/opt/--dev--from/lumen", "-m0--dev", "x--to=3"}, true, -1, -1, false},  // never substrings
        {{"lumen", "--dev"}, true, -1, -1, true},
        {{"lumen", "--from", "20", "--to", "23.5"}, true, 20000, 23500, false},
        {{"lumen", "--from=1:15.250", "-windowed", "--dev"}, true, 75250, -1, true},
        {{"lumen", "--fromage", "--tonic"}, true, -1, -1, false},
        {{"lumen", "--to", "1:00"}, true, -1, 60000, false},
        {{"lumen", "--from"}, false, -1, -1, false},
        {{"lumen", "--from", "soon"}, false, -1, -1, false},
        {{"lumen", "--to="}, false, -1, -1, false},
        {{"lumen", "--from", "20", "--to", "10"}, false, -1, -1, false},
    };
    for (const auto& c : cases) {
        PlayerControls controls;
        std::string error;
        const bool ok = readPlayerControls(int(c.args.size()), c.args.data(), &controls, &error);
        const std::string line = c.args.size() > 1 ? c.args[1] : "(none)";
        ASSERT_EQ(ok, c.ok) << line << ": " << error;
        if (!ok) {
            EXPECT_FALSE(error.empty()) << line;
            continue;
        }
        EXPECT_EQ(controls.from.value_or(-1), c.from) << line;
        EXPECT_EQ(controls.to.value_or(-1), c.to) << line;
        EXPECT_EQ(controls.dev, c.dev) << line;
    }
}

TEST(SeekableSound, TheRingAfterASeekHoldsTheBlocksOfAPlayFromTheStart) {
    testing::RecordedRun straight;
    SeekableSound sound;
    ASSERT_TRUE(sound.init(testing::builtInSongSource(), {}, 60000));
    for (int showTime : {45000, 20000, 0, 59000}) {
        SCOPED_TRACE("seek to " + std::to_string(showTime));
        const int b = sound.blockReaching(showTime);
        sound.startAt(b);
        sound.pause();  // stops the refilling thread
        const BlockRenderer& ring = sound.renderer();
        const int blocks = ring.sizes().blockCount;
        const size_t values = size_t(ring.sizes().blockFrames) * 2;
        straight.run.renderThrough(b + 2 * blocks);
        for (int i = 0; i < blocks; ++i) {
            // Block i of the ring holds song block b + i, or one ring later
            // if the thread refilled it before the pause.
            ASSERT_TRUE(straight.blockEquals(ring.block(i), values, b + i) ||
                        straight.blockEquals(ring.block(i), values, b + i + blocks))
                << "ring block " << i;
        }
        EXPECT_EQ(sound.clockMs(), straight.run.endTime(sound.playingBlock()));
    }
    // Seeks go no further than a second past the show's end given to init.
    EXPECT_EQ(sound.blockReaching(24 * 3600 * 1000), sound.blockReaching(61000));
    EXPECT_LT(sound.blockReaching(60500), sound.blockReaching(61000));
}

}  // namespace
}  // namespace lumen
