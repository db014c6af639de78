// The test programs' main: sets the environment every test runs in (headless
// video, the dummy audio driver, where lumenkit is), unless the caller set it.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("LUMENKIT", LUMEN_LUMENKIT_PATH, 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
