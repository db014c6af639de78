#include "timeline/restore_2d_state.h"

#include "platform/gl.h"

namespace lumen {

void restore2DState(int windowWidth, int windowHeight) {
    glLoadIdentity();
    glViewport(0, 0, windowWidth, windowHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 800, 600, 0, -1, 1);
}

}  // namespace lumen
