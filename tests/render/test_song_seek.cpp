// Seeking the soundtrack: a player put at any block from another's checkpoint
// plays the very bytes a run from the start plays there. Also how show times are typed
// and how large captures grow.
#include <gtest/gtest.h>

#include <memory>

#include "render_test_support.h"
#include "shell/headless_show.h"
#include "shell/main_loop.h"
#include "shell/show_time_text.h"
#include "synth/block_renderer.h"
#include "timeline/event_player.h"

namespace lumen {
namespace {

TEST(SongSeek, PlayingAfterASeekGivesTheBytesOfARunFromTheStart) {
    constexpr int kEvery = 50, kBlocks = 3200, kAfter = 120;
    testing::RecordedRun straight;
    SongRun& run = straight.run;
    run.renderThrough(kBlocks + kAfter);

    // The map runs on its own player; the seeking player is another, loaded
    // from the same song. The map goes only as far as the seeks ask.
    const auto mapped = testing::builtInPlayer(), seeking = testing::builtInPlayer();
    SongRun map(*mapped, kEvery);
    // Checkpoint blocks and their neighbours, far ahead of the map first, then
    // backwards, since the player seeks both ways.
    for (int b : {kBlocks, 2501, 2500, 2499, 777, 51, 50, 49, 1, 0}) {
        SCOPED_TRACE("block " + std::to_string(b));
        map.placeInto(*seeking, b);
        EXPECT_LE(map.blocks(), kBlocks + kEvery) << "mapped no further than the checkpoint";
        BlockRenderer renderer(*seeking, seeking->rate);
        const size_t blockValues = size_t(renderer.sizes().blockFrames) * 2;
        for (int k = 0; k < kAfter; ++k) {
            const int index = renderer.fillIndex();
            renderer.renderBlock();
            ASSERT_EQ(renderer.positionAt(index), run.endTime(b + k)) << "clock, block " << b + k;
            ASSERT_TRUE(straight.blockEquals(renderer.block(index), blockValues, b + k)) << "bytes, block " << b + k;
        }
    }
    // Placing another player leaves the map's own run going on as before.
    EXPECT_EQ(map.endTime(kBlocks + kAfter - 1), run.endTime(kBlocks + kAfter - 1));
}

TEST(SongSeek, ShowTimeReachedAtAnAudioPositionFollowsTheBlockClock) {
    const auto player = testing::builtInPlayer();
    SongRun run(*player);
    const int64_t block = run.blockFrames();
    EXPECT_EQ(run.showTimeAtFrame(0), run.endTime(0) + kClockOffsetMs);
    EXPECT_EQ(run.showTimeAtFrame(block - 1), run.showTimeAtFrame(0));
    EXPECT_EQ(run.showTimeAtFrame(block), run.endTime(1) + kClockOffsetMs);
    for (int t : {0, 77, 78, 20000, 23000, 400000}) {
        const int b = run.firstBlockReaching(t);
        EXPECT_GE(run.endTime(b) + kClockOffsetMs, t);
        if (b > 0) {
            EXPECT_LT(run.endTime(b - 1) + kClockOffsetMs, t);
        }
    }
}

TEST(ShowTimeText, ReadsSecondsAndMinutesToMilliseconds) {
    const struct {
        const char* text;
        int ms;
    } accepted[] = {{"0", 0},        {"20", 20000},        {"20.5", 20500},      {"20.0005", 20000},
                    {"1:15", 75000}, {"01:15.250", 75250}, {"8:32.000", 512000}, {"0:59.999", 59999}};
    for (const auto& c : accepted) EXPECT_EQ(parseShowTime(c.text), c.ms) << "'" << c.text << "'";
    for (const char* refused : {"1:60", "", "-1", "1.", ".5", "1:2:3", "12s", "1.5:00", "99999999999", ":30"})
        EXPECT_EQ(parseShowTime(refused), std::nullopt) << "'" << refused << "'";
    EXPECT_EQ(formatShowTime(75250), "01:15.250");
    EXPECT_EQ(formatShowTime(512000), "08:32.000");
}

TEST(CaptureBlock, GrowsOnlyForPicturesOverTheBlock) {
    const struct {
        int w, h, block;
    } cases[] = {{320, 240, 1024},  {640, 480, 1024},   {800, 600, 1024},   {1024, 768, 1024}, {1024, 1024, 1024},
                 {1025, 768, 2048}, {1440, 1080, 2048}, {1920, 1080, 2048}, {768, 1100, 2048}, {2049, 100, 4096}};
    for (const auto& c : cases) EXPECT_EQ(captureBlockSize(c.w, c.h), c.block) << c.w << "x" << c.h;
}

TEST(ShowPicture, IsTheLargest4By3RectangleCentredInTheFrame) {
    const struct {
        int w, h, x, y, pw, ph;
    } cases[] = {{640, 480, 0, 0, 640, 480},    {1440, 1080, 0, 0, 1440, 1080}, {1920, 1080, 240, 0, 1440, 1080},
                 {1280, 720, 160, 0, 960, 720}, {640, 600, 0, 60, 640, 480},    {400, 200, 67, 0, 266, 200}};
    for (const auto& c : cases) {
        const platform::PresentRect r = showPictureRect(c.w, c.h);
        EXPECT_EQ(std::vector<int>({r.x, r.y, r.width, r.height}), std::vector<int>({c.x, c.y, c.pw, c.ph}))
            << c.w << "x" << c.h;
    }
}

}  // namespace
}  // namespace lumen
