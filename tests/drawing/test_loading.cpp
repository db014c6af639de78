// The loading sequence and display: two list sets, the swap around each
// progress frame, progress mapped to the loader timeline's time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "content/packs.h"
#include "pack/pack_source.h"
#include "pack/reader.h"
#include "shell/loading.h"
#include "support/gl_fixture.h"

namespace lumen {
namespace {

TEST(LoadingDisplayTime, ProgressTimesFiveThousandRoundedToAFloatThenTruncated) {
    const std::pair<float, int> cases[] = {
        {0.0f, 0}, {0.99999f, 4999}, {1.0f, 5000}, {1.025f, 5125}, {float(1 + 0.025 * 2), 5250}};
    for (const auto& [p, ms] : cases) EXPECT_EQ(loadingTimelineTime(p), ms) << p;
}

// Loader timeline: red until 5119 ms, green from 5120 ms.
const char* kLoaderPack = R"(
pack width 2
texture id 1
  op Clear layer 0
end
scene id 30
end
event imageLayer start 0 end 511 x2Start 639 y2Start 479 x2End 639 y2End 479 colorStart 255 0 0 255 colorEnd 255 0 0 255 blendSrc ONE blendDst ZERO
event imageLayer start 512 end 1000 x2Start 639 y2Start 479 x2End 639 y2End 479 colorStart 0 255 0 255 colorEnd 0 255 0 255 blendSrc ONE blendDst ZERO
)";

const char* kMainPack = R"(
pack width 2
texture id 1
  op Clear layer 0
  op Clear layer 1
  op Clear layer 2
  op Clear layer 3
end
scene id 31
end
event clear start 0 end 99 clearColor 1
)";

// The fixture is the window too: it can be given waiting events, and keeps
// each presented frame's centre pixel.
class Loading : public testing::GlTest, public LoadingHost {
protected:
    Loading() : GlTest(64, 48) {}
    bool handleWaitingEvent() override { return waiting > 0 && (--waiting, ++handled, true); }
    void present() override { centres.push_back(read().at(width / 2, height / 2)); }

    int waiting = 0, handled = 0;
    std::vector<testing::Rgba> centres;
    RuntimeRandom random;
    std::unique_ptr<TextureGenerator> generator = initTextureGenerator(random);
    std::unique_ptr<LoadingSequence> loading = std::make_unique<LoadingSequence>(player, *generator, random, *this);
};

TEST_F(Loading, LoaderFramesAreBlackThenTheLoaderTimelinePlaysWhileTheMainPackLoads) {
    const auto loader = assemblePack(kLoaderPack, "loader.pack");
    const auto main = assemblePack(kMainPack, "main.pack");
    EXPECT_FALSE(loading->progressHook());
    loading->run(loader, main);

    // One frame per texture operation: 1 during the loader's own load (the
    // parked set is empty then: black), 4 while the main pack loads (red).
    ASSERT_EQ(centres.size(), 5u);
    EXPECT_EQ(centres[0].r, 0);
    for (size_t k = 1; k < 5; ++k) EXPECT_EQ(centres[k].r, 255) << k;

    // Afterwards the main pack is active and the loader pack parked.
    EXPECT_EQ(findScene(loading->active(), 30), nullptr);
    EXPECT_NE(findScene(loading->active(), 31), nullptr);
    EXPECT_NE(findScene(loading->parked(), 30), nullptr);
    ASSERT_NE(loading->active().eventsHead, nullptr);
    EXPECT_EQ(loading->active().eventsHead->type, kEventClear);
    EXPECT_TRUE(player.animationSwitches().isSet(0));

    // The synthesiser's reports continue the loader timeline past 5000 ms.
    ASSERT_TRUE(loading->progressHook());
    loading->progressHook()(1.0f);    // 5000 ms: red
    loading->progressHook()(1.025f);  // 5125 ms: green
    ASSERT_EQ(centres.size(), 7u);
    EXPECT_EQ(centres[5].r, 255);
    EXPECT_EQ(centres[6].g, 255);
    EXPECT_EQ(centres[6].r, 0);
    // A waiting window event wins over drawing; the swap is always undone.
    waiting = 2;
    for (int k = 0; k < 3; ++k) loading->loadingDisplay(1.0f);
    EXPECT_EQ(handled, 2);
    EXPECT_EQ(centres.size(), 8u);
    EXPECT_NE(findScene(loading->active(), 31), nullptr);
}

TEST_F(Loading, ABadMainPackStopsWithItsSectionAndOffset) {
    auto main = assemblePack(kMainPack, "main.pack");
    main.resize(main.size() - 3);
    try {
        loading->run(assemblePack(kLoaderPack, "loader.pack"), main);
        FAIL() << "a truncated pack loaded";
    } catch (const PackError& e) {
        EXPECT_EQ(e.section().empty(), false);
        EXPECT_NE(std::string(e.what()).find("byte"), std::string::npos) << e.what();
    }
}

// The player draws straight into a window of the picture's size. That window
// must show what the offscreen picture holds: both built-in packs' loading
// frames, then show frames with fog, chrome, captures and distortions. Mesa
// keeps the window in another byte order, and its drawing there rounds a
// channel the other way now and then and sets a few lone pixels apart (up to
// 80 levels, at most 10 values a frame in the built-in show). A wrong
// framebuffer or a lost capture changes far more.
class KeptFrames final : public LoadingHost {
public:
    explicit KeptFrames(platform::Display& display) : display_(display) {}
    bool handleWaitingEvent() override { return false; }
    void present() override {
        if (presented_++ % 16 == 0) pictures.push_back(display_.readPicture());
    }
    void keep() { pictures.push_back(display_.readPicture()); }
    std::vector<std::vector<uint8_t>> pictures;

private:
    platform::Display& display_;
    int presented_ = 0;
};

std::vector<std::vector<uint8_t>> builtInFrames(bool intoWindow) {
    auto display = testing::openHeadlessDisplay(640, 480, intoWindow);
    if (!display) return {};
    EXPECT_EQ(display->drawsIntoWindow(), intoWindow);
    glEnable(GL_DEPTH_TEST);
    EventPlayer player(640, 480);
    RuntimeRandom random;
    auto generator = initTextureGenerator(random);
    KeptFrames frames(*display);
    LoadingSequence loading(player, *generator, random, frames);
    loading.run(content::loaderPack(), content::mainPack());
    for (float p : {1.0f, 1.5f, 2.0f}) {
        loading.loadingDisplay(p);
        frames.keep();
    }
    for (int id : kShowAnimatedScenes) player.animationSwitches().set(id);
    // In order, so that captures read earlier ones as in the show.
    for (int ms : {1500, 14000, 36000, 120000, 291000, 387000, 405000, 430000, 500000}) {
        drawShowFrame(player, loading.active(), ms);
        display->present();
        frames.keep();
    }
    return frames.pictures;
}

TEST(LoadingAndShowFrames, DrawnIntoTheWindowTheyMatchTheOffscreenPicture) {
    const auto offscreen = builtInFrames(false);
    const auto window = builtInFrames(true);
    ASSERT_EQ(window.size(), offscreen.size());
    ASSERT_GT(offscreen.size(), 30u);
    for (size_t k = 0; k < offscreen.size(); ++k) {
        ASSERT_EQ(window[k].size(), offscreen[k].size());
        size_t differing = 0, distinct = 0;
        for (size_t i = 0; i < offscreen[k].size(); ++i) {
            const int d = std::abs(int(window[k][i]) - int(offscreen[k][i]));
            differing += d != 0;
            distinct += d > 4;
        }
        EXPECT_LE(differing, offscreen[k].size() / 200) << "frame " << k;
        EXPECT_LE(distinct, 40u) << "frame " << k;
    }
}

}  // namespace
}  // namespace lumen
