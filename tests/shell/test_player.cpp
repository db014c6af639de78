// The player run headless on the shortened show: it ends by itself, a missing
// GL context is one error line, and lumen --timings prints one report line on
// stdout at exit, only for the whole argument.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/tool_run.h"

namespace {

constexpr const char* kHeadless = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy";

// Runs a player program with a shell command prefix. By default stderr is
// captured and stdout dropped; `streams` redirects them otherwise.
lumen::testing::CommandResult runPlayer(const std::string& environment, const std::string& args,
                                        const std::string& program = LUMEN_SHORTSHOW,
                                        const std::string& streams = "2>&1 >/dev/null") {
    return lumen::testing::runCommand("{ " + environment + " " + program + " " + args + " " + streams + "; }");
}

TEST(Player, WindowedHeadlessShowEndsCleanlyByItselfAtTheEndTime) {
    const auto start = std::chrono::steady_clock::now();
    const auto r = runPlayer(kHeadless, "-windowed -m0");
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

// stdout only: the player's own warnings go to stderr.
constexpr const char* kStdoutOnly = "2>/dev/null";

TEST(PlayerTimings, ReportsStartUpFramesAndFrameTimesInOneLineAtExit) {
    // The plain show, and the seekable one started mid-show with the authoring keys.
    for (const char* args : {"-windowed -m0 --timings", "-windowed -m0 --timings --dev --from 0.3"}) {
        SCOPED_TRACE(args);
        const auto r = runPlayer(kHeadless, args, LUMEN_SHORTSHOW, kStdoutOnly);
        EXPECT_EQ(r.status, 0);
        ASSERT_EQ(r.output.rfind("lumen: timings: start-up ", 0), 0u) << r.output;
        EXPECT_EQ(r.output.find('\n'), r.output.size() - 1) << r.output;
        // The shortened show runs at least 1.2 s with a 10 ms sleep per frame:
        // many frames, each at least 10 ms apart.
        int frames = 0;
        double p50 = 0, p99 = 0, max = 0, startUp = 0;
        ASSERT_EQ(
            std::sscanf(r.output.c_str(),
                        "lumen: timings: start-up %lf s, %d frames, frame time p50 %lf ms, p99 %lf ms, max %lf ms",
                        &startUp, &frames, &p50, &p99, &max),
            5)
            << r.output;
        EXPECT_GT(startUp, 0.0);
        EXPECT_GT(frames, 10);
        EXPECT_GE(p50, 10.0);
        EXPECT_LE(p50, p99);
        EXPECT_LE(p99, max);
    }
}

TEST(PlayerTimings, OnlyTheWholeArgumentTurnsTheReportOn) {
    // A program path or an argument that merely contains the text plays as before.
    const std::string dir = ::testing::TempDir() + "/lumen--timings";
    const std::string copy = dir + "/lumen--timings";
    ASSERT_EQ(lumen::testing::runCommand("mkdir -p '" + dir + "' && cp '" LUMEN_SHORTSHOW "' '" + copy + "'").status,
              0);
    for (const char* args : {"-windowed -m0", "-windowed -m0 --timingsx", "-windowed -m0 x--timings"}) {
        const auto r = runPlayer(kHeadless, args, "'" + copy + "'", kStdoutOnly);
        EXPECT_EQ(r.status, 0) << args;
        EXPECT_EQ(r.output, "") << args;
    }
    lumen::testing::runCommand("rm -rf '" + dir + "'");
}

}  // namespace
