// Opening the headless display the GL tests draw into, on SDL's offscreen
// driver, with its picture bound.
#include "support/headless_gl.h"

#include <gtest/gtest.h>

namespace lumen::testing {

std::unique_ptr<platform::Display> openHeadlessDisplay(int width, int height, bool drawIntoWindow) {
    platform::DisplayOptions options;
    options.width = width;
    options.height = height;
    options.fullscreen = false;
    options.headless = true;
    options.drawIntoWindow = drawIntoWindow;
    std::string error;
    auto display = platform::Display::open(options, &error);
    EXPECT_NE(display, nullptr) << error;
    if (display) display->bindPicture();
    return display;
}

}  // namespace lumen::testing
