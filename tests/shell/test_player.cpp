#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/tool_run.h"

namespace {

// Runs the player with a shell command prefix; stderr is captured, stdout dropped.
lumen::testing::CommandResult runPlayer(const std::string& environment, const std::string& args) {
    return lumen::testing::runCommand("{ " + environment + " " + LUMEN_SHORTSHOW + " " + args + " 2>&1 >/dev/null; }");
}

TEST(Player, WindowedHeadlessShowEndsCleanlyByItselfAtTheEndTime) {
    const auto start = std::chrono::steady_clock::now();
    const auto r = runPlayer("SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy", "-windowed -m0");
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(r.status, 0);
    // The dummy audio driver keeps no time: the show plays silently on the
    // steady clock and says so in one line.
    EXPECT_EQ(r.output, "no audio device: playing without sound\n");
    // The shortened show ends at 1500 ms of show time, 57 ms of which is the clock offset.
    EXPECT_GE(ms.count(), 1400);
}

TEST(Player, NoGlContextIsOneLineOnStderrAndAFailureExit) {
    const auto r = runPlayer("SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy", "-windowed");
    EXPECT_NE(r.status, 0);
    ASSERT_FALSE(r.output.empty());
    EXPECT_EQ(r.output.find('\n'), r.output.size() - 1) << r.output;
    EXPECT_EQ(r.output.rfind("lumen: ", 0), 0u) << r.output;
}

}  // namespace
