// The 2D event kinds drawn headless and read back: image layers, clears,
// captures, zoom feedback and the distortion grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/gl_fixture.h"

namespace lumen {
namespace {

using testing::GlTest;
using testing::imageLayer;
using testing::Picture;
using testing::Rgba;

constexpr float kRed[4] = {1, 0, 0, 1};

// Pixels inside (x0, y0)-(x1, y1) that are not red, plus those outside that are.
int wrongPixels(const Picture& pic, int x0, int y0, int x1, int y1) {
    int wrong = 0;
    pic.forEach([&](int x, int y, Rgba p) { wrong += (x >= x0 && x <= x1 && y >= y0 && y <= y1) != (p.r > 127); });
    return wrong;
}

class Events2D : public GlTest {
protected:
    // R grows from left to right and G from top to bottom, both affine in the
    // pixel position, so any linear sample of a capture of it is known exactly:
    // capture pixel (X, Y), Y counted from the top, holds (X / 640, Y / 480).
    void drawGradient() {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glDisable(GL_DEPTH_TEST);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluOrtho2D(0, 640, 480, 0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glBegin(GL_QUADS);
        for (const int corner : {0, 1, 3, 2}) {  // bit 0: right edge, bit 1: bottom edge
            glColor3f(float(corner & 1), float(corner >> 1), 0);
            glVertex2f(640.0f * float(corner & 1), 480.0f * float(corner >> 1));
        }
        glEnd();
        glPopAttrib();
    }
    void captureInto(int slot) { player.drawEvent(testing::fullScreen(kEventScreenCapture, slot), 0); }
};

TEST_F(Events2D, ImageLayerFillsItsMappedRectangleGrownByOneOnTheFarEdges) {
    player.drawEvent(imageLayer(100, 51, 199, 150, kRed), 0.0f);
    EXPECT_EQ(wrongPixels(read(), 100, 51, 199, 150), 0);
}

class Events2DSmall : public GlTest {
protected:
    Events2DSmall() : GlTest(320, 240) {}
};

TEST_F(Events2DSmall, ImageLayerIsHalvedAndACaptureRecordsTheNudgedTopEdge) {
    // The top edge lands at 25.75 px: no pixel centre moves, so the fill is the
    // halved rectangle, while the capture records the nudged height.
    player.drawEvent(imageLayer(100, 51, 199, 150, kRed), 0.0f);
    EXPECT_EQ(wrongPixels(read(), 50, 26, 99, 75), 0);
    TimelineEvent capture = imageLayer(100, 51, 199, 150, kRed);
    capture.type = kEventScreenCapture;
    capture.targetIndex = 4;
    player.drawEvent(capture, 0.0f);
    EXPECT_FLOAT_EQ(player.renderTargets()[4].vTop, 99.5f * 240 / 480 / 1024);
    EXPECT_FLOAT_EQ(player.renderTargets()[4].uRight, 100.0f * 320 / 640 / 1024);
}

TEST_F(Events2D, LayersBlendWithTheirFactorsInListOrderAndTexturesRunDownTheScreen) {
    const float blue[4] = {0, 0, 1, 1}, halfRed[4] = {1, 0, 0, 0.5f};
    TimelineEvent back = imageLayer(0, 0, 639, 479, blue);
    TimelineEvent front = imageLayer(0, 0, 319, 479, halfRed, kBlendSrcAlpha, kBlendOneMinusSrcAlpha);
    TimelineEvent add = imageLayer(320, 0, 639, 479, kRed, kBlendOne, kBlendOne);
    back.next = &front;
    front.next = &add;
    player.drawTimeline(&back, 5);
    Picture pic = read();
    EXPECT_NEAR(pic.at(100, 100).r, 128, 1);
    EXPECT_NEAR(pic.at(100, 100).b, 128, 1);
    EXPECT_EQ(pic.at(500, 100).r, 255);
    EXPECT_EQ(pic.at(500, 100).b, 255);

    // A texture whose first coordinate picks red (s < 0.5) or green.
    const uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 255, 0, 0, 255, 0, 255, 0, 255};
    TimelineEvent e = testing::fullScreen(kEventImageLayer);
    e.textured = 1;
    e.textureName = testing::solidTexture(0, 0, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    player.drawEvent(e, 0.0f);
    pic = read();
    EXPECT_GT(pic.at(100, 50).r, 200);
    EXPECT_GT(pic.at(540, 50).r, 200);
    EXPECT_GT(pic.at(100, 430).g, 200);
    EXPECT_LT(pic.at(100, 430).r, 50);
}

TEST_F(Events2D, ClearDoesWhatItsFlagsSay) {
    for (const int flags : {0, 1, 2, 3}) {
        glClear(GL_DEPTH_BUFFER_BIT);
        player.drawEvent(imageLayer(0, 0, 639, 479, kRed), 0.0f);
        glClearDepth(0.25);
        glClear(GL_DEPTH_BUFFER_BIT);
        glClearDepth(1.0);
        TimelineEvent e;
        e.type = kEventClear;
        e.clearColor = flags & 1;
        e.clearDepth = flags >> 1;
        player.drawEvent(e, 0.0f);
        EXPECT_EQ(read().at(320, 240).r, e.clearColor ? 0 : 255) << flags;
        EXPECT_NEAR(depthAt(320, 240), e.clearDepth ? 1.0f : 0.25f, 1e-4) << flags;
    }
}

// A block starting mid-picture: most of it lies past the right and top edges.
// (The whole-picture rectangle is checked through the zoom feedback's samples.)
TEST_F(Events2D, CaptureTexelsBeyondThePictureAreBlack) {
    player.drawEvent(testing::fullScreen(kEventImageLayer), 0.0f);
    TimelineEvent e = testing::fullScreen(kEventScreenCapture, 2);
    e.x1Start = e.x1End = 320;
    e.y2Start = e.y2End = 239;
    player.drawEvent(e, 0.0f);
    std::vector<uint8_t> texels(1024 * 1024 * 4);
    glBindTexture(GL_TEXTURE_2D, player.renderTargets()[2].texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    // (x, y, red); texel (0, 0) is picture pixel (320, 240) counted bottom-up.
    const int cases[][3] = {{0, 0, 255}, {319, 239, 255}, {320, 0, 0}, {0, 240, 0}, {1023, 1023, 0}};
    for (const auto& [x, y, red] : cases) EXPECT_EQ(texels[(size_t(y) * 1024 + x) * 4], red) << x << "," << y;
}

// Zoom feedback of the captured gradient: layer i samples the capture at
// centre + (pixel - centre) / s_i with s_i = i / count / zoom + 1 (layer 0 at
// 1, also for a zoom of 0), dimmed by (20 - i) / 20 and tinted by the colour.
TEST_F(Events2D, ZoomFeedbackMagnifiesAndDimsEachLayer) {
    const std::pair<int, float> cases[] = {{0, 1}, {1, 0}, {1, 2}, {3, 2}, {2, 0.5f}};
    for (const auto& [count, zoom] : cases) {
        clear();
        drawGradient();
        captureInto(0);
        const Picture gradient = read();
        if (count > 0) clear();
        const float tint[4] = {0.3f, 0.25f, 1, 1};
        TimelineEvent e = testing::fullScreen(kEventZoomFeedback, 0, tint);
        e.feedbackCount = count;
        e.feedbackZoom = zoom;
        e.blendDst = kBlendOne;
        player.drawEvent(e, 0.0f);
        const Picture pic = read();
        int bad = 0;
        for (int y = 10; y < 480; y += 47) {
            for (int x = 10; x < 640; x += 53) {
                double r = 0, g = 0;
                for (int i = 0; i < count; ++i) {
                    const double s = i == 0 ? 1.0 : double(i) / count / zoom + 1;
                    const double b = (20 - i) * 0.05;
                    r += b * tint[0] * (320 + (x + 0.5 - 320) / s) / 640;
                    g += b * tint[1] * (240 + (y + 0.5 - 240) / s) / 480;
                }
                const Rgba got = pic.at(x, y), before = gradient.at(x, y);
                // No layers: the picture is left as it was.
                const double wantR = count ? r * 255 : before.r, wantG = count ? g * 255 : before.g;
                if ((std::fabs(got.r - wantR) > 3 || std::fabs(got.g - wantG) > 3) && bad++ < 4)
                    ADD_FAILURE() << "count " << count << " zoom " << zoom << " at " << x << "," << y << ": " << got.r
                                  << "," << got.g << " want " << wantR << "," << wantG;
            }
        }
        EXPECT_EQ(bad, 0);
    }
}

// Every pattern at a non-zero amount, drawn: each cell shows the gradient
// sampled at the grid coordinates of its corners.
TEST_F(Events2D, DistortionDrawsEachPatternThroughItsGrid) {
    drawGradient();
    captureInto(5);
    const RenderTarget& slot = player.renderTargets()[5];
    const TextureRect rect{slot.uLeft, slot.vTop, slot.uRight, slot.vBottom};
    const float su = (slot.uRight - slot.uLeft) / 64, sv = (slot.vBottom - slot.vTop) / 48;
    for (const float amount : {0.0f, 0.5f, 0.8f}) {
        for (const int pattern : {0, 1, 2, 3, 4, 6, 7}) {
            clear();
            TimelineEvent d = testing::fullScreen(kEventScreenDistortion, 5);
            d.distortionType = pattern;
            d.distortionStart = 0;
            d.distortionEnd = amount * 2;
            player.drawEvent(d, 0.5f);
            DistortionGrid grid;
            ASSERT_TRUE(computeDistortionGrid(grid, pattern, amount, rect, player.jitter()));
            const Picture pic = read();
            int bad = 0, checked = 0;
            for (int i = 0; i < kGridColumns - 1; i += 3) {
                for (int j = 0; j < kGridRows - 1; j += 3) {
                    // The pixel centre lies a twentieth of the way along the cell's
                    // diagonal, the shared edge of the quad's two triangles.
                    const DistortionGrid::Coord a = grid.at(i, j);
                    const DistortionGrid::Coord c =
                        pattern == 4 ? DistortionGrid::Coord{a.u + su, a.v + sv} : grid.at(i + 1, j + 1);
                    const double X = (a.u + 0.05 * (c.u - a.u)) * 1024.0;
                    const double Y = 480 - (a.v + 0.05 * (c.v - a.v)) * 1024.0;
                    if (X < 3 || X > 637 || Y < 3 || Y > 477) continue;  // near the capture's edge
                    ++checked;
                    const Rgba got = pic.at(10 * i, 10 * j);
                    if ((std::fabs(got.r - X / 640 * 255) > 4 || std::fabs(got.g - Y / 480 * 255) > 4) && bad++ < 3)
                        ADD_FAILURE() << "pattern " << pattern << " amount " << amount << " corner " << i << "," << j
                                      << ": " << got.r << "," << got.g << " want " << X / 640 * 255 << ","
                                      << Y / 480 * 255;
                }
            }
            EXPECT_EQ(bad, 0) << pattern;
            EXPECT_GT(checked, 100) << pattern;
        }
    }
}

TEST_F(Events2D, DistortionPatternFiveUnknownPatternsAndSlotsOutsideTheTableDrawNothing) {
    drawGradient();
    captureInto(1);
    const float green[4] = {0, 1, 0, 1};
    player.drawEvent(testing::fullScreen(kEventImageLayer, 0, green), 0.0f);
    const int cases[][2] = {{1, 5}, {1, 8}, {1, -1}, {20, 0}, {-1, 0}};  // (slot, pattern)
    for (const auto& [slot, pattern] : cases) {
        TimelineEvent d = testing::fullScreen(kEventScreenDistortion, slot);
        d.distortionType = pattern;
        d.distortionStart = d.distortionEnd = 0.5f;
        player.drawEvent(d, 0.5f);
        TimelineEvent z = testing::fullScreen(kEventZoomFeedback, slot);
        z.feedbackCount = slot == 1 ? 0 : 2;
        player.drawEvent(z, 0.5f);
    }
    const Picture pic = read();
    for (int y = 0; y < 480; y += 7)
        for (int x = 0; x < 640; x += 7) ASSERT_EQ(pic.at(x, y).g, 255) << x << "," << y;
}

}  // namespace
}  // namespace lumen
