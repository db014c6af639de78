// Timeline section: bytes per event kind at two float widths, times, the
// fields of each kind and the resolution of images, scenes and cameras.
#include <gtest/gtest.h>

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

TEST(Timeline, TimesAreTensOfMillisecondsWithInclusiveEnds) {
    LoadFixture f;
    f.load(R"(pack width 2
        event clear start 100 end 100
        event clear start 0 end 99
        event 9 start 100 end 0xFFFF)");
    const TimelineEvent* e = f.lists.eventsHead;
    EXPECT_EQ(e->startTime, 1000);
    EXPECT_EQ(e->endTime, 1009);
    e = e->next;
    EXPECT_EQ(e->startTime, 0);
    EXPECT_EQ(e->endTime, 999);
    e = e->next;
    EXPECT_EQ(e->endTime, 655359);
    EXPECT_EQ(e, f.lists.eventsTail);
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
    const TimelineEvent* e = f.lists.eventsHead;
    EXPECT_EQ(e->textureName, findUploadedImage(f.lists.images, 4)->glName);
    EXPECT_NE(e->textureName, 0u);
    e = e->next;
    EXPECT_EQ(e->textureName, 0u);
    e = e->next;
    Scene* scene = findScene(f.lists, 2);
    EXPECT_EQ(e->scene, scene);
    EXPECT_EQ(e->camera, findCamera(*scene, 7));
    EXPECT_EQ(e->clipId, 3);
    EXPECT_EQ(e->cameraTimeStart, -1);
    EXPECT_EQ(e->clipTimeEnd, 6);
    e = e->next;
    EXPECT_EQ(e->scene, scene);
    EXPECT_EQ(e->camera, nullptr);
    e = e->next;
    EXPECT_EQ(e->scene, nullptr);
    EXPECT_EQ(e->camera, nullptr);
    e = e->next;
    EXPECT_EQ(e->targetIndex, 19);
    EXPECT_EQ(e->distortionStart, 0.25f);
    EXPECT_EQ(e->distortionEnd, -1.0f);
    e = e->next;
    EXPECT_EQ(e->clearColor, 1);
    EXPECT_EQ(e->clearDepth, 0);
    e = e->next;
    EXPECT_EQ(e->blendSrc, kBlendSrcAlpha);  // records keep the stored codes
    EXPECT_EQ(e->blendDst, 11);
    EXPECT_EQ(e->feedbackCount, 4);
    EXPECT_EQ(e->feedbackZoom, 1.5f);
    EXPECT_EQ(e->x1Start, -5);
    EXPECT_EQ(e->y2End, 480);
}

}  // namespace
}  // namespace lumen
