// The loading sequence and display: two list sets, the swap around each
// progress frame, progress mapped to the loader timeline's time.
#include <gtest/gtest.h>

#include <deque>

#include "pack/pack_source.h"
#include "pack/reader.h"
#include "shell/loading.h"
#include "support/gl_fixture.h"

namespace lumen {
namespace {

TEST(LoadingDisplayTime, ProgressTimesFiveThousandTruncated) {
    EXPECT_EQ(loadingTimelineTime(0.0f), 0);
    EXPECT_EQ(loadingTimelineTime(0.99999f), 4999);
    EXPECT_EQ(loadingTimelineTime(1.0f), 5000);
    EXPECT_EQ(loadingTimelineTime(1.025f), 5125);
    EXPECT_EQ(loadingTimelineTime(static_cast<float>(1 + 0.025 * 2)), 5250);
}

// A window that can be given waiting events; each presented frame's centre
// pixel is kept.
class FakeHost final : public LoadingHost {
public:
    explicit FakeHost(platform::Display& display) : display_(display) {}
    bool handleWaitingEvent() override {
        if (waiting == 0) return false;
        --waiting;
        ++handled;
        return true;
    }
    void present() override {
        const testing::Picture pic(display_.readPicture(), display_.width(), display_.height());
        centres.push_back(pic.at(display_.width() / 2, display_.height() / 2));
    }
    int waiting = 0;
    int handled = 0;
    std::vector<testing::Rgba> centres;

private:
    platform::Display& display_;
};

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

class Loading : public testing::GlTest {
protected:
    Loading() : GlTest(64, 48) {
        if (display) host = std::make_unique<FakeHost>(*display);
        if (display) loading = std::make_unique<LoadingSequence>(player, *generator, random, *host);
    }
    RuntimeRandom random;
    std::unique_ptr<TextureGenerator> generator = initTextureGenerator(random);
    std::unique_ptr<FakeHost> host;
    std::unique_ptr<LoadingSequence> loading;
};

TEST_F(Loading, LoaderFramesAreBlackThenTheLoaderTimelinePlaysWhileTheMainPackLoads) {
    const auto loader = assemblePack(kLoaderPack, "loader.pack");
    const auto main = assemblePack(kMainPack, "main.pack");
    EXPECT_FALSE(loading->progressHook());
    loading->run(loader, main);

    // One frame per texture operation: 1 during the loader's own load (the
    // parked set is empty then: black), 4 while the main pack loads (red).
    ASSERT_EQ(host->centres.size(), 5u);
    EXPECT_EQ(host->centres[0].r, 0);
    for (size_t k = 1; k < 5; ++k) EXPECT_EQ(host->centres[k].r, 255) << k;

    // Afterwards the main pack is active and the loader pack parked.
    EXPECT_EQ(findScene(loading->active(), 30), nullptr);
    EXPECT_NE(findScene(loading->active(), 31), nullptr);
    EXPECT_NE(findScene(loading->parked(), 30), nullptr);
    ASSERT_NE(loading->active().eventsHead, nullptr);
    EXPECT_EQ(loading->active().eventsHead->type, kEventClear);
    EXPECT_TRUE(player.animationSwitches().isSet(0));

    // The synthesiser's reports continue the loader timeline past 5000 ms.
    ASSERT_TRUE(loading->progressHook());
    loading->progressHook()(1.0f);     // 5000 ms: red
    loading->progressHook()(1.025f);   // 5125 ms: green
    ASSERT_EQ(host->centres.size(), 7u);
    EXPECT_EQ(host->centres[5].r, 255);
    EXPECT_EQ(host->centres[6].g, 255);
    EXPECT_EQ(host->centres[6].r, 0);
    // The swap is always undone.
    EXPECT_NE(findScene(loading->active(), 31), nullptr);
}

TEST_F(Loading, AWaitingEventWinsOverDrawingAndLeavesTheListsAlone) {
    loading->run(assemblePack(kLoaderPack, "loader.pack"), assemblePack(kMainPack, "main.pack"));
    const size_t frames = host->centres.size();
    host->waiting = 2;
    loading->loadingDisplay(1.0f);
    loading->loadingDisplay(1.0f);
    EXPECT_EQ(host->handled, 2);
    EXPECT_EQ(host->centres.size(), frames);
    EXPECT_NE(findScene(loading->active(), 31), nullptr);
    loading->loadingDisplay(1.0f);
    EXPECT_EQ(host->centres.size(), frames + 1);
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

}  // namespace
}  // namespace lumen
