// lumen --timings on a headless run of the shortened show: one report line on
// stdout at exit, and only for the whole argument.
#include <gtest/gtest.h>

#include <string>

#include "support/tool_run.h"

namespace {

constexpr const char* kHeadless = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ";
constexpr const char* kReportStart = "lumen: timings: start-up ";

// stdout only: the player's own warnings go to stderr.
lumen::testing::CommandResult runPlayerStdout(const std::string& program, const std::string& args) {
    return lumen::testing::runCommand(std::string("{ ") + kHeadless + program + " " + args + " 2>/dev/null; }");
}

TEST(PlayerTimings, ReportsStartUpFramesAndFrameTimesInOneLineAtExit) {
    // The plain show, and the seekable one started mid-show with the authoring keys.
    for (const char* args : {"-windowed -m0 --timings", "-windowed -m0 --timings --dev --from 0.3"}) {
        SCOPED_TRACE(args);
        const auto r = runPlayerStdout(LUMEN_SHORTSHOW, args);
        EXPECT_EQ(r.status, 0);
        ASSERT_EQ(r.output.rfind(kReportStart, 0), 0u) << r.output;
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
        const auto r = runPlayerStdout("'" + copy + "'", args);
        EXPECT_EQ(r.status, 0) << args;
        EXPECT_EQ(r.output, "") << args;
    }
    lumen::testing::runCommand("rm -rf '" + dir + "'");
}

}  // namespace
