#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

struct PlayerRun {
    int status = -1;
    std::string stderrText;
};

// Runs the player with a shell command prefix; stderr is captured, stdout dropped.
PlayerRun runPlayer(const std::string& environment, const std::string& args) {
    const std::string cmd = environment + " " + LUMEN_SHORTSHOW + " " + args + " 2>&1 >/dev/null";
    PlayerRun r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 256> buf;
    while (fgets(buf.data(), buf.size(), p)) r.stderrText += buf.data();
    r.status = pclose(p);
    return r;
}

TEST(Player, WindowedHeadlessShowEndsCleanlyByItselfAtTheEndTime) {
    const auto start = std::chrono::steady_clock::now();
    const PlayerRun r = runPlayer("SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy", "-windowed -m0");
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(r.status, 0);
    // The dummy audio driver keeps no time: the show plays silently on the
    // steady clock and says so in one line.
    EXPECT_EQ(r.stderrText, "no audio device: playing without sound\n");
    // The shortened show ends at 1500 ms of show time, 57 ms of which is the clock offset.
    EXPECT_GE(ms.count(), 1400);
}

TEST(Player, NoGlContextIsOneLineOnStderrAndAFailureExit) {
    const PlayerRun r = runPlayer("SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy", "-windowed");
    EXPECT_NE(r.status, 0);
    ASSERT_FALSE(r.stderrText.empty());
    EXPECT_EQ(r.stderrText.find('\n'), r.stderrText.size() - 1) << r.stderrText;
    EXPECT_EQ(r.stderrText.rfind("lumen: ", 0), 0u) << r.stderrText;
}

}  // namespace
