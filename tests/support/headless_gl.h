// A headless OpenGL context for tests: SDL's offscreen driver on Mesa, drawing
// into the same W x H picture framebuffer the player uses.
#pragma once
#include <memory>

#include "platform/display.h"

namespace lumen::testing {

// Opens a headless display of the given size with its picture bound; fails
// the calling test (returns null) when no context can be had. The picture is
// the window itself when asked, as in the player.
std::unique_ptr<platform::Display> openHeadlessDisplay(int width = 640, int height = 480,
                                                       bool drawIntoWindow = false);

}  // namespace lumen::testing
