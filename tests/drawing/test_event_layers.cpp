// The 2D event kinds drawn headless and read back: image layers, clears,
// captures with zoom feedback, and the distortion grid.
#include <gtest/gtest.h>

#include <cmath>

#include "base/runtime_random.h"
#include "drawing_support.h"
#include "platform/gl.h"
#include "support/headless_gl.h"
#include "timeline/event_player.h"

namespace lumen {
namespace {

using testing::Picture;
using testing::Rgba;

constexpr float kRed[4] = {1, 0, 0, 1};
constexpr float kWhite[4] = {1, 1, 1, 1};

struct Headless {
    explicit Headless(int w, int h) : display(testing::openHeadlessDisplay(w, h)), player(w, h) {
        if (!display) return;
        glEnable(GL_DEPTH_TEST);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        player.createRenderTargets();
        RuntimeRandom random;
        player.fillJitter(random);
    }
    Picture read() { return Picture(display->readPicture(), display->width(), display->height()); }
    std::unique_ptr<platform::Display> display;
    EventPlayer player;
};

// Pixels whose red channel is set, as a bounding box; every pixel inside must
// be set and every one outside clear.
void expectFilledExactly(const Picture& pic, int x0, int y0, int x1, int y1) {
    int wrong = 0;
    for (int y = 0; y < pic.height(); ++y) {
        for (int x = 0; x < pic.width(); ++x) {
            const bool inside = x >= x0 && x <= x1 && y >= y0 && y <= y1;
            const bool lit = pic.at(x, y).r > 127;
            if (inside != lit && wrong++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << (inside ? " should be filled" : " should be clear");
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(ImageLayer, FillsExactlyItsMappedRectangleAt640x480) {
    Headless h(640, 480);
    ASSERT_TRUE(h.display);
    // (100, 51)-(199, 150) grows by one on the far edges: 100 x 100 units.
    h.player.drawEvent(testing::imageLayer(100, 51, 199, 150, kRed, GL_ONE, GL_ZERO), 0.0f);
    expectFilledExactly(h.read(), 100, 51, 199, 150);
}

TEST(ImageLayer, FillsItsHalvedRectangleAt320x240WithTheTopEdgeNudged) {
    Headless h(320, 240);
    ASSERT_TRUE(h.display);
    // The top edge lands at 25.75 px: a quarter pixel that moves no pixel
    // centre, so the fill is the halved rectangle ...
    h.player.drawEvent(testing::imageLayer(100, 51, 199, 150, kRed, GL_ONE, GL_ZERO), 0.0f);
    expectFilledExactly(h.read(), 50, 26, 99, 75);
    // ... while a capture of the same rectangle records the nudged height.
    TimelineEvent capture = testing::imageLayer(100, 51, 199, 150, kRed, GL_ONE, GL_ZERO);
    capture.type = kEventScreenCapture;
    capture.targetIndex = 4;
    h.player.drawEvent(capture, 0.0f);
    EXPECT_FLOAT_EQ(h.player.renderTargets()[4].vTop, 99.5f * 240 / 480 / 1024);
    EXPECT_FLOAT_EQ(h.player.renderTargets()[4].uRight, 100.0f * 320 / 640 / 1024);
}

TEST(ImageLayer, BlendsWithItsFactorsAndLaterLayersCoverEarlierOnes) {
    Headless h(640, 480);
    ASSERT_TRUE(h.display);
    const float blue[4] = {0, 0, 1, 1};
    const float halfRed[4] = {1, 0, 0, 0.5f};
    TimelineEvent back = testing::imageLayer(0, 0, 639, 479, blue, GL_ONE, GL_ZERO);
    TimelineEvent front = testing::imageLayer(0, 0, 319, 479, halfRed, kBlendSrcAlpha, kBlendOneMinusSrcAlpha);
    TimelineEvent add = testing::imageLayer(320, 0, 639, 479, kRed, GL_ONE, GL_ONE);
    back.next = &front;
    front.next = &add;
    h.player.drawTimeline(&back, 5);
    const Picture pic = h.read();
    const Rgba mixed = pic.at(100, 100);
    EXPECT_NEAR(mixed.r, 128, 1);
    EXPECT_NEAR(mixed.b, 128, 1);
    const Rgba added = pic.at(500, 100);
    EXPECT_EQ(added.r, 255);
    EXPECT_EQ(added.b, 255);
}

TEST(ImageLayer, FirstTextureCoordinateRunsDownTheScreen) {
    Headless h(640, 480);
    ASSERT_TRUE(h.display);
    // A 2 x 2 texture whose first coordinate (s) selects red (s < 0.5) or
    // green (s > 0.5); t selects nothing.
    const uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 255, 0, 0, 255, 0, 255, 0, 255};
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    TimelineEvent e = testing::imageLayer(0, 0, 639, 479, kWhite, GL_ONE, GL_ZERO);
    e.textured = 1;
    e.textureName = name;
    h.player.drawEvent(e, 0.0f);
    const Picture pic = h.read();
    EXPECT_GT(pic.at(100, 50).r, 200);    // top: s near 0
    EXPECT_GT(pic.at(540, 50).r, 200);    // across the screen: still red
    EXPECT_GT(pic.at(100, 430).g, 200);   // bottom: s near 1
    EXPECT_LT(pic.at(100, 430).r, 50);
}

TEST(ClearEvent, ClearsOnlyWhatItsFlagsSay) {
    Headless h(640, 480);
    ASSERT_TRUE(h.display);
    struct Case {
        int color, depth;
    };
    for (const Case c : {Case{0, 0}, Case{1, 0}, Case{0, 1}, Case{1, 1}}) {
        // Red picture, depth 0.25 everywhere.
        glClear(GL_DEPTH_BUFFER_BIT);
        h.player.drawEvent(testing::imageLayer(0, 0, 639, 479, kRed, GL_ONE, GL_ZERO), 0.0f);
        glClearDepth(0.25);
        glClear(GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
        TimelineEvent clear;
        clear.type = kEventClear;
        clear.clearColor = c.color;
        clear.clearDepth = c.depth;
        h.player.drawEvent(clear, 0.0f);
        float depth = 0;
        glReadPixels(320, 240, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        const Rgba px = h.read().at(320, 240);
        EXPECT_EQ(px.r, c.color ? 0 : 255) << c.color << c.depth;
        EXPECT_NEAR(depth, c.depth ? 1.0f : 0.25f, 1e-4) << c.color << c.depth;
    }
}

// A picture with sharp edges and a gradient, so flips, shifts and scaling show.
void drawPattern(EventPlayer& player) {
    TimelineEvent layers[4];
    const float c0[4] = {0.2f, 0.4f, 0.6f, 1}, c1[4] = {1, 0, 0, 1}, c2[4] = {0, 1, 0, 1},
                c3[4] = {1, 1, 0, 1};
    layers[0] = testing::imageLayer(0, 0, 639, 479, c0, GL_ONE, GL_ZERO);
    layers[1] = testing::imageLayer(20, 10, 119, 59, c1, GL_ONE, GL_ZERO);
    layers[2] = testing::imageLayer(500, 400, 629, 469, c2, GL_ONE, GL_ZERO);
    layers[3] = testing::imageLayer(300, 0, 303, 479, c3, GL_ONE, GL_ZERO);
    for (const TimelineEvent& e : layers) player.drawEvent(e, 0.0f);
}

TimelineEvent captureEvent(int slot) {
    TimelineEvent e = testing::imageLayer(0, 0, 639, 479, kWhite, GL_ONE, GL_ZERO);
    e.type = kEventScreenCapture;
    e.targetIndex = slot;
    return e;
}

TEST(CaptureAndZoomFeedback, OneLayerReproducesTheCapturedPicture) {
    Headless h(640, 480);
    ASSERT_TRUE(h.display);
    drawPattern(h.player);
    const Picture before = h.read();
    h.player.drawEvent(captureEvent(3), 0.0f);
    const RenderTarget& slot = h.player.renderTargets()[3];
    EXPECT_FLOAT_EQ(slot.uRight, 640.0f / 1024);
    EXPECT_FLOAT_EQ(slot.vTop, 480.0f / 1024);
    EXPECT_EQ(slot.vBottom, 0.0f);

    // A zoom of 0 still shows layer 0 at scale 1 (0 / 0 would make it NaN).
    for (float zoomFactor : {2.0f, 0.0f}) {
        glClear(GL_COLOR_BUFFER_BIT);
        TimelineEvent zoom = captureEvent(3);
        zoom.type = kEventZoomFeedback;
        zoom.feedbackCount = 1;
        zoom.feedbackZoom = zoomFactor;
        h.player.drawEvent(zoom, 0.0f);
        const Picture after = h.read();
        int differing = 0;
        for (size_t k = 0; k < before.pixels().size(); k += 4)
            for (int c = 0; c < 3; ++c)
                differing += std::abs(before.pixels()[k + c] - after.pixels()[k + c]) > 2;
        EXPECT_EQ(differing, 0) << "zoom " << zoomFactor;
    }
}

TEST(CaptureAndZoomFeedback, LaterLayersAreMagnifiedAndDimmer) {
    Headless h(640, 480);
    ASSERT_TRUE(h.display);
    drawPattern(h.player);
    h.player.drawEvent(captureEvent(0), 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    TimelineEvent zoom = captureEvent(0);
    zoom.type = kEventZoomFeedback;
    zoom.feedbackCount = 2;
    zoom.feedbackZoom = 1.0f;
    zoom.blendSrc = GL_ONE;
    zoom.blendDst = GL_ONE;
    h.player.drawEvent(zoom, 0.0f);
    const Picture pic = h.read();
    // Layer 1 has scale 1.5 and brightness 0.95: at the centre both layers
    // show the background (0.2, 0.4, 0.6), so the sum is 1.95 times it.
    const Rgba centre = pic.at(200, 240);
    EXPECT_NEAR(centre.r, 0.2 * 255 * 1.95, 3);
    EXPECT_NEAR(centre.g, 0.4 * 255 * 1.95, 3);
}

// Samples the capture the way GL's linear filter does, for the inset mapping.
double sampleCapture(const Picture& pic, double u, double v, int channel) {
    // Texture row 0 is the picture's bottom row.
    const double tx = u * 1024 - 0.5, ty = v * 1024 - 0.5;
    const int x0 = static_cast<int>(std::floor(tx)), y0 = static_cast<int>(std::floor(ty));
    const double fx = tx - x0, fy = ty - y0;
    auto texel = [&](int x, int y) -> double {
        if (x < 0 || y < 0 || x >= pic.width() || y >= pic.height()) return 0;
        const Rgba p = pic.at(x, pic.height() - 1 - y);
        return channel == 0 ? p.r : channel == 1 ? p.g : p.b;
    };
    return (1 - fx) * (1 - fy) * texel(x0, y0) + fx * (1 - fy) * texel(x0 + 1, y0) +
           (1 - fx) * fy * texel(x0, y0 + 1) + fx * fy * texel(x0 + 1, y0 + 1);
}

TEST(ScreenDistortion, AtAmountZeroReproducesTheInsetCapture) {
    Headless h(640, 480);
    ASSERT_TRUE(h.display);
    drawPattern(h.player);
    const Picture before = h.read();
    h.player.drawEvent(captureEvent(5), 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    for (int pattern : {0, 3, 6}) {
        TimelineEvent d = captureEvent(5);
        d.type = kEventScreenDistortion;
        d.distortionType = pattern;
        d.distortionStart = d.distortionEnd = 0.0f;
        h.player.drawEvent(d, 0.0f);
        const Picture after = h.read();
        const double uL = 0.002, uR = 0.625 - 0.002, vT = 0.46875 - 0.002, vB = 0.002;
        int bad = 0;
        for (int y = 0; y < 480; y += 3) {
            for (int x = 0; x < 640; x += 3) {
                const double u = uL + (x + 0.5) / 640 * (uR - uL);
                const double v = vT + (y + 0.5) / 480 * (vB - vT);
                for (int c = 0; c < 3; ++c) {
                    const double want = sampleCapture(before, u, v, c);
                    const Rgba got = after.at(x, y);
                    const int g = c == 0 ? got.r : c == 1 ? got.g : got.b;
                    if (std::fabs(g - want) > 4 && bad++ < 5)
                        ADD_FAILURE() << "pattern " << pattern << " at " << x << "," << y << " channel " << c
                                      << ": " << g << " vs " << want;
                }
            }
        }
        EXPECT_EQ(bad, 0) << pattern;
    }
}

TEST(ScreenDistortion, PatternFiveAndSlotsOutsideTheTableDrawNothing) {
    Headless h(640, 480);
    ASSERT_TRUE(h.display);
    drawPattern(h.player);
    h.player.drawEvent(captureEvent(1), 0.0f);
    const float green[4] = {0, 1, 0, 1};
    h.player.drawEvent(testing::imageLayer(0, 0, 639, 479, green, GL_ONE, GL_ZERO), 0.0f);
    for (int slot : {1, 20, -1}) {
        TimelineEvent d = captureEvent(slot);
        d.type = kEventScreenDistortion;
        d.distortionType = slot == 1 ? 5 : 0;
        d.distortionStart = d.distortionEnd = 0.5f;
        h.player.drawEvent(d, 0.5f);
    }
    const Picture pic = h.read();
    for (int y = 0; y < 480; y += 7)
        for (int x = 0; x < 640; x += 7) ASSERT_EQ(pic.at(x, y).g, 255) << x << "," << y;
}

TEST(Capture, TexelsBeyondThePictureAreBlack) {
    Headless h(640, 480);
    ASSERT_TRUE(h.display);
    const float white[4] = {1, 1, 1, 1};
    h.player.drawEvent(testing::imageLayer(0, 0, 639, 479, white, GL_ONE, GL_ZERO), 0.0f);
    // A capture whose block starts mid-picture: most of the 1024 x 1024 block
    // lies past the picture's right and top edges.
    TimelineEvent e = captureEvent(2);
    e.x1Start = e.x1End = 320;
    e.y2Start = e.y2End = 239;
    h.player.drawEvent(e, 0.0f);
    const GLuint tex = h.player.renderTargets()[2].texture;
    std::vector<uint8_t> texels(1024 * 1024 * 4);
    glBindTexture(GL_TEXTURE_2D, tex);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    auto texel = [&](int x, int y) { return texels[(size_t(y) * 1024 + x) * 4]; };
    EXPECT_EQ(texel(0, 0), 255);      // picture pixel (320, 240) counted bottom-up
    EXPECT_EQ(texel(319, 239), 255);  // the picture's top-right corner
    EXPECT_EQ(texel(320, 0), 0);
    EXPECT_EQ(texel(0, 240), 0);
    EXPECT_EQ(texel(1023, 1023), 0);
}

}  // namespace
}  // namespace lumen
