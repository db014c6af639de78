// Timeline section: bytes per event kind at two float widths, times, the
// fields of each kind and the resolution of images, scenes and cameras.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "pack_test_support.h"
#include "support/headless_gl.h"
#include "timeline/blend_factor.h"

namespace lumen {
namespace {

using testing::LoadFixture;

// A pack with no textures, images or scenes and one event of `kind` whose
// body (after the 6 header bytes) is `bodyBytes` long.
std::vector<uint8_t> oneEvent(int width, int kind, std::size_t bodyBytes) {
    std::vector<uint8_t> bytes(12 + bodyBytes, 0);
    bytes[0] = static_cast<uint8_t>(width);
    bytes[4] = 1;  // one event
    bytes[6] = static_cast<uint8_t>(kind);
    return bytes;
}

TEST(Timeline, EventByteCountsPerKindAtWidthsTwoAndFour) {
    for (int n : {2, 4}) {
        const std::size_t sizes[8] = {
            6, 34, 33, 8, 23, static_cast<std::size_t>(34 + n), static_cast<std::size_t>(34 + 2 * n), 6};
        for (int kind = 0; kind < 8; ++kind) {
            SCOPED_TRACE("width " + std::to_string(n) + ", kind " + std::to_string(kind));
            // Exactly the right size loads; one byte less stops in the timeline.
            LoadFixture f;
            EXPECT_NO_THROW(f.load(oneEvent(n, kind, sizes[kind] - 6)));
            ASSERT_NE(f.lists.eventsHead, nullptr);
            EXPECT_EQ(f.lists.eventsHead->type, kind);
            // Kinds 0 and 7 have no body: one byte less cuts into the header.
            std::vector<uint8_t> cut = oneEvent(n, kind, sizes[kind] - 6);
            cut.pop_back();
            LoadFixture g;
            const auto e = testing::packErrorOf([&] { g.load(cut); });
            ASSERT_TRUE(e) << "short event loaded";
            EXPECT_EQ(e->section(), "timeline section");
        }
    }
}

// The loaded events in timeline order.
std::vector<const TimelineEvent*> eventsOf(const PackLists& lists) {
    std::vector<const TimelineEvent*> events;
    for (const TimelineEvent* e = lists.eventsHead; e; e = e->next) events.push_back(e);
    return events;
}

TEST(Timeline, TimesAreTensOfMillisecondsWithInclusiveEnds) {
    LoadFixture f;
    f.load(R"(pack width 2
        event clear start 100 end 100
        event clear start 0 end 99
        event 9 start 100 end 0xFFFF)");
    const auto e = eventsOf(f.lists);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(std::pair(e[0]->startTime, e[0]->endTime), std::pair(1000, 1009));
    EXPECT_EQ(std::pair(e[1]->startTime, e[1]->endTime), std::pair(0, 999));
    EXPECT_EQ(e[2]->endTime, 655359);
    EXPECT_EQ(e[2], f.lists.eventsTail);
}

TEST(Timeline, KindFieldsAreStoredAndReferencesResolved) {
    auto display = lumen::testing::openHeadlessDisplay(64, 64);
    ASSERT_NE(display, nullptr);
    LoadFixture f;
    f.loader.setUploadImages(true);
    f.load(R"(pack width 2
        texture id 1
        end
        image imageId 4 sourceTexture 1
        scene id 2
          camera id 7
          end
        end
        event imageLayer textured 1 targetIndex 4
        event imageLayer textured 1 targetIndex 5
        event sceneView sceneId 2 cameraId 7 clipId 3 cameraTimeStart -1 cameraTimeEnd 200 clipTimeStart 5 clipTimeEnd 6
        event sceneView sceneId 2 cameraId 8
        event sceneView sceneId 9 cameraId 7
        event screenDistortion targetIndex 19 distortionType 7 distortionStart 0.25 distortionEnd -1
        event clear clearColor 1 clearDepth 0
        event zoomFeedback blendSrc SRC_ALPHA blendDst 11 targetIndex 3 feedbackCount 4 feedbackZoom 1.5
            x1Start -5 y2End 480)");
    const auto e = eventsOf(f.lists);
    ASSERT_EQ(e.size(), 8u);
    EXPECT_EQ(e[0]->textureName, findUploadedImage(f.lists.images, 4)->glName);
    EXPECT_NE(e[0]->textureName, 0u);
    EXPECT_EQ(e[1]->textureName, 0u);
    Scene* scene = findScene(f.lists, 2);
    EXPECT_EQ(e[2]->scene, scene);
    EXPECT_EQ(e[2]->camera, findCamera(*scene, 7));
    EXPECT_EQ(e[2]->clipId, 3);
    EXPECT_EQ(e[2]->cameraTimeStart, -1);
    EXPECT_EQ(e[2]->clipTimeEnd, 6);
    EXPECT_EQ(e[3]->scene, scene);  // camera 8 is not in scene 2
    EXPECT_EQ(e[3]->camera, nullptr);
    EXPECT_EQ(e[4]->scene, nullptr);  // no scene 9, so no camera either
    EXPECT_EQ(e[4]->camera, nullptr);
    EXPECT_EQ(e[5]->targetIndex, 19);
    EXPECT_EQ(e[5]->distortionStart, 0.25f);
    EXPECT_EQ(e[5]->distortionEnd, -1.0f);
    EXPECT_EQ(e[6]->clearColor, 1);
    EXPECT_EQ(e[6]->clearDepth, 0);
    EXPECT_EQ(e[7]->blendSrc, kBlendSrcAlpha);  // records keep the stored codes
    EXPECT_EQ(e[7]->blendDst, 11);
    EXPECT_EQ(e[7]->feedbackCount, 4);
    EXPECT_EQ(e[7]->feedbackZoom, 1.5f);
    EXPECT_EQ(e[7]->x1Start, -5);
    EXPECT_EQ(e[7]->y2End, 480);
}

}  // namespace
}  // namespace lumen
