// Opening the headless display the GL tests draw into, on SDL's offscreen
// driver, with its picture bound.
#include "support/headless_gl.h"

#include <gtest/gtest.h>

namespace lumen::testing {

std::unique_ptr<platform::Display> openHeadlessDisplay(int width, int height) {
    platform::DisplayOptions options;
    options.width = width;
    options.height = height;
    options.fullscreen = false;
    options.headless = true;
    std::string error;
    auto display = platform::Display::open(options, &error);
    EXPECT_NE(display, nullptr) << error;
    if (display) display->bindPicture();
    return display;
}

}  // namespace lumen::testing
