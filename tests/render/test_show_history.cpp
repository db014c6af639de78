// The earlier-frame history against brute force: a frame drawn after replaying
// only what matters equals the frame drawn after every reference frame before
// it, for timelines whose captures carry over from frame to frame.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "pack/pack_codes.h"
#include "render_test_support.h"
#include "scene/display_lists.h"
#include "shell/headless_show.h"
#include "shell/loading.h"
#include "shell/show_history.h"
#include "support/gl_fixture.h"

namespace lumen {
namespace {

class ShowHistoryTest : public testing::GlTest {
protected:
    ShowHistoryTest() : GlTest(320, 240) {}

    void SetUp() override {
        GlTest::SetUp();
        music = testing::builtInPlayer();
        run = std::make_unique<SongRun>(*music);
    }

    // The event appended to the timeline, shown from start to end.
    TimelineEvent& place(const TimelineEvent& event, int start, int end) {
        TimelineEvent& e = events.emplace_back(event);
        e.startTime = start;
        e.endTime = end;
        return e;
    }
    TimelineEvent& add(int type, int start, int end, int slot, float r, float g, float b, float a) {
        TimelineEvent& e = place(testing::fullScreen(type, slot), start, end);
        const float from[4] = {r, g, b, a}, to[4] = {b, r, g, a};
        std::copy(from, from + 4, e.colorStart);
        std::copy(to, to + 4, e.colorEnd);
        return e;
    }
    void link() {
        for (size_t k = 0; k + 1 < events.size(); ++k) events[k].next = &events[k + 1];
        lists.eventsHead = &events.front();
        lists.eventsTail = &events.back();
    }

    // Every reference frame before t drawn in full, then t.
    std::vector<uint8_t> bruteForce(ShowHistory& h, int t) {
        h.restart();
        for (int j = 0;; ++j) {
            const int tj = run->showTimeAtFrame(int64_t(j) * run->rate() / kReferenceFps);
            if (tj >= t) break;
            drawShowFrame(player, lists, tj);
        }
        drawShowFrame(player, lists, t);
        return read().pixels;
    }

    std::unique_ptr<ModulePlayer> music;
    std::unique_ptr<SongRun> run;
    std::vector<TimelineEvent> events;
    PackLists lists;
};

TEST_F(ShowHistoryTest, FramesAfterCarriedCapturesMatchAPlayFromTheStart) {
    events.reserve(8);
    // A moving colour, a zoom trail fed by the previous frame's capture while
    // it lasts, the captures, and a distortion of a capture made long before.
    add(kEventImageLayer, 0, 3000, 0, 0.9f, 0.2f, 0.1f, 1.0f);
    TimelineEvent& trail = add(kEventZoomFeedback, 200, 600, 0, 0.8f, 0.8f, 0.8f, 0.5f);
    trail.blendSrc = kBlendSrcAlpha;
    trail.blendDst = kBlendOne;
    trail.feedbackCount = 4;
    trail.feedbackZoom = 1.5f;
    add(kEventScreenCapture, 0, 1500, 0, 0, 0, 0, 0);
    add(kEventScreenCapture, 500, 800, 1, 0, 0, 0, 0);
    TimelineEvent& warp = add(kEventScreenDistortion, 1000, 3000, 1, 1, 1, 1, 0.6f);
    warp.blendSrc = kBlendSrcAlpha;
    warp.blendDst = kBlendOneMinusSrcAlpha;
    warp.distortionType = 6;
    warp.distortionEnd = 1.0f;
    link();

    ShowHistory history(player, lists, *run);
    for (int t : {1234, 2700}) {
        SCOPED_TRACE("show time " + std::to_string(t));
        const std::vector<uint8_t> expected = bruteForce(history, t);
        history.restart();
        const int64_t drawnBefore = history.framesDrawnUnseen();
        history.drawFrame(t);
        EXPECT_EQ(read().pixels, expected);
        const int64_t drawn = history.framesDrawnUnseen() - drawnBefore;
        EXPECT_GT(drawn, 0) << "the distortion needs an earlier capture";
        EXPECT_LT(drawn, t / 16) << "frames that matter only";
    }
    // Frames drawn one after another through the history match too, also when
    // one falls between slot 1's last capture and its first reading (900).
    history.restart();
    for (int t : {300, 700, 900, 1100, 1300, 1310, 2650}) history.drawFrame(t);
    const std::vector<uint8_t> stepped = read().pixels;
    EXPECT_THROW(history.drawFrame(2000), std::logic_error) << "going back needs a restart";
    EXPECT_EQ(stepped, bruteForce(history, 2650));
}

// Frames skipped unseen still move the cameras and turn scene 17's machine:
// after a jump into the scripted window, a view whose own camera is not
// animated uses the camera an earlier view left, and the machine's matrices
// carry every earlier frame's rounding.
TEST_F(ShowHistoryTest, CamerasAndScriptedTurnsCarryOverSkippedFrames) {
    Scene& machine = lists.scenes.emplace_front(testing::litScene(17));
    for (int id : {1, 2, 3, 24, 38, 42, 58}) {
        SceneObject& o = testing::addObject(machine, id, 0.3f * float(id % 5) - 0.6f, 0, 0);
        if (id != 24) o.parentId = 1;
        testing::addSquare(o.mesh, -0.4f, -0.4f, 0.4f, 0.4f);
    }
    Camera& moving = testing::addKeyedCamera(machine, 1, {0, 0, 10}, {0, 0, 0});
    moving.tracks[kTrackEyeX] = testing::keyedTrack({{0, -4.0f}, {1000, 4.0f}});
    Camera& still = machine.cameras.emplace_front(testing::frontCamera());
    still.id = 2;
    compileDisplayLists(machine);
    events.reserve(4);
    place(testing::sceneView(machine, &moving), 399000, 400990).cameraTimeEnd = 1000;
    place(testing::sceneView(machine, &still), 401000, 403000);
    link();

    ShowHistory history(player, lists, *run);
    const int t = 401500;
    const std::vector<uint8_t> expected = bruteForce(history, t);
    std::vector<Matrix4> expectedMatrices;
    for (const SceneObject& o : machine.objects) expectedMatrices.push_back(o.matrix);
    history.restart();
    history.drawFrame(t);
    EXPECT_EQ(read().pixels, expected);
    for (size_t k = 0; k < machine.objects.size(); ++k)
        EXPECT_TRUE(std::equal(expectedMatrices[k].m, expectedMatrices[k].m + 16, machine.objects[k].matrix.m))
            << "object " << machine.objects[k].id;
    EXPECT_EQ(history.framesDrawnUnseen(), 0) << "no capture needs an earlier frame here";
}

// The built-in show: a frame drawn after seeking back equals the frame drawn
// going forward from the start (what `lumenkit shot` draws), also where it
// reads a capture taken long before, the cloth flies or scene 17 turns.
TEST(ShowHistorySeek, BackwardSeeksDrawWhatPlayingFromTheStartDraws) {
    std::unique_ptr<HeadlessShow> show;
    try {
        show = std::make_unique<HeadlessShow>(320, 240);
    } catch (const std::exception& e) {
        GTEST_SKIP() << e.what();
    }
    const struct {
        int t, seekFrom;
        const char* what;
    } cases[] = {
        {13100, 36000, "a distortion of this frame's capture"},
        {198464, 199000, "a distortion of a capture taken rows before"},
        {398696, 420000, "a distortion of a capture taken seconds before; scene 17 turned later"},
        {410000, 416000, "scene 17 turning"},
        {416142, 460000, "a zoom trail over the machine"},
        {440000, 500000, "the cloth flag"},
        {495000, 505000, "the cloth flag again, started from a snapshot"},
    };
    ShowHistory& history = show->history();
    std::vector<std::vector<uint8_t>> forward;
    for (const auto& c : cases) {
        history.drawFrame(c.t);
        forward.push_back(show->readPicture());
    }
    // Forward frames are what the shot tool draws.
    const std::filesystem::path shot = testing::scratchDir("seek_back") / "shot.png";
    ASSERT_EQ(testing::runLumenkit("shot 398.696 " + shot.string() + " --size 320x240").status, 0);
    EXPECT_EQ(testing::readPngPicture(shot).pixels, forward[2]);
    // Frames far apart, as a render at a low rate draws them: the capture
    // read at 398696 was made by a reference frame none of them is.
    history.restart();
    for (int t = 391000; t < 398696; t += 97) history.drawFrame(t);
    history.drawFrame(398696);
    EXPECT_EQ(show->readPicture(), forward[2]) << "stepped through the capture";
    for (size_t k = 0; k < std::size(cases); ++k) {
        SCOPED_TRACE(cases[k].what);
        history.restart();
        history.drawFrame(cases[k].seekFrom);
        history.restart();
        history.drawFrame(cases[k].t);
        EXPECT_EQ(show->readPicture(), forward[k]) << "show time " << cases[k].t;
    }
}

}  // namespace
}  // namespace lumen
