// The 2D state left between events: identity in the current matrix, the full
// viewport, and an 800 x 600 orthographic projection, which stays current.
#pragma once

namespace lumen {

void restore2DState(int windowWidth, int windowHeight);

}  // namespace lumen
