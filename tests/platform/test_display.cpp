// The platform display without a screen: letterboxing, key codes, the
// headless picture's size and row order, and presenting into a wider window.
#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

#include "platform/gl.h"
#include "support/headless_gl.h"

namespace lumen {
namespace {

TEST(Letterbox, KeepsAspectAndCentresAndVirtualKeysMapToWindowsCodes) {
    const struct {
        int w, h, windowW, windowH, x, y, width, height;
    } cases[] = {{640, 480, 1280, 720, 160, 0, 960, 720},  // bars left and right
                 {640, 480, 640, 640, 0, 80, 640, 480},    // bars top and bottom
                 {320, 240, 320, 240, 0, 0, 320, 240},
                 {640, 480, 0, 0, 0, 0, 0, 0}};
    for (const auto& c : cases) {
        const auto r = platform::letterbox(c.w, c.h, c.windowW, c.windowH);
        EXPECT_EQ((std::vector{r.x, r.y, r.width, r.height}), (std::vector{c.x, c.y, c.width, c.height}))
            << c.windowW << "x" << c.windowH;
    }
    EXPECT_EQ(platform::virtualKeyFromSdl(27), 0x1B);  // SDLK_ESCAPE
    EXPECT_EQ(platform::virtualKeyFromSdl('q'), 'Q');
    EXPECT_EQ(platform::virtualKeyFromSdl('7'), '7');
}

TEST(HeadlessDisplay, PictureHasTheChosenSizeAndReadsBackItsClearColour) {
    auto d = testing::openHeadlessDisplay(320, 240);
    ASSERT_NE(d, nullptr);
    GLint viewport[4], red = 0, alpha = 0, depth = 0;
    for (auto [name, value] :
         {std::pair{GL_VIEWPORT, viewport}, {GL_RED_BITS, &red}, {GL_ALPHA_BITS, &alpha}, {GL_DEPTH_BITS, &depth}})
        glGetIntegerv(name, value);
    EXPECT_EQ((std::vector<int>{viewport[2], viewport[3], red, alpha}), (std::vector<int>{320, 240, 8, 8}));
    EXPECT_GE(depth, 24);
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // A scissored clear marks the bottom-left corner, so row order is checked too.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    const auto px = d->readPicture();
    ASSERT_EQ(px.size(), 320u * 240 * 4);
    EXPECT_EQ(std::vector<uint8_t>(px.begin(), px.begin() + 4), (std::vector<uint8_t>{51, 102, 153, 255}));
    const size_t bottomLeft = (239u * 320) * 4;  // rows are top-down
    EXPECT_EQ(px[bottomLeft] + px[bottomLeft + 1], 255);
}

TEST(HeadlessDisplay, PresentScalesThePictureIntoTheWindowWithBlackBars) {
    const platform::DisplayOptions o{
        .width = 320, .height = 240, .fullscreen = false, .headless = true, .windowWidth = 640, .windowHeight = 240};
    std::string error;
    auto d = platform::Display::open(o, &error);
    ASSERT_NE(d, nullptr) << error;
    d->bindPicture();
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    d->present();

    int w = 0, h = 0;
    const auto px = d->readDrawable(&w, &h);
    ASSERT_EQ(w, 640);
    ASSERT_EQ(h, 240);
    // The left bar, the picture and the right bar, at their edges.
    for (auto [x, y, red] :
         {std::array{0, 120, 0}, {159, 120, 0}, {160, 120, 255}, {479, 0, 255}, {480, 120, 0}, {639, 239, 0}})
        EXPECT_EQ(px[(size_t(y) * size_t(w) + size_t(x)) * 4], red) << x << "," << y;

    // After presenting, drawing goes to the picture again and the clear colour is kept.
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[0], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(d->readPicture()[0], 255);
}

}  // namespace
}  // namespace lumen
