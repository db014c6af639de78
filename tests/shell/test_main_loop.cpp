// The frame loop against a scripted window and clock, and the options.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "shell/frame_timings.h"
#include "shell/main_loop.h"
#include "shell/options.h"

namespace lumen {
namespace {

platform::Event key(int vk) { return {platform::EventKind::KeyDown, vk}; }
const platform::Event kClose{platform::EventKind::Close, 0};
const platform::Event kOther{platform::EventKind::Other, 0};

// Scripted events and clock; logs every call the loop makes as a short word:
// "e" event taken, "d<t>" frame drawn at t, "s<ms>" sleep, "p" present.
class ScriptedHost final : public FrameHost {
public:
    std::deque<platform::Event> waiting;
    std::vector<int> clock;                 // successive clockMs values; the last repeats
    std::map<int, platform::Event> atPoll;  // events arriving before the n-th poll (from 1)
    std::string log;
    size_t clockCalls = 0;
    int polls = 0;

    bool takeEvent(platform::Event& e) override {
        if (auto it = atPoll.find(++polls); it != atPoll.end()) waiting.push_back(it->second);
        if (waiting.empty()) return false;
        e = waiting.front();
        waiting.pop_front();
        log += "e ";
        return true;
    }
    int clockMs() override { return clock[std::min(clockCalls++, clock.size() - 1)]; }
    void drawFrame(int t) override { log += "d" + std::to_string(t) + " "; }
    void sleepMs(int ms) override { log += "s" + std::to_string(ms) + " "; }
    void present(bool) override { log += "p "; }
};

TEST(MainLoop, DrawsAtTheClockPlusOffsetUntilTheEndOrAStop) {
    const struct {
        const char* what;
        std::vector<int> clock;
        std::string log;
        int showTime;
        std::deque<platform::Event> waiting = {};
        std::map<int, platform::Event> atPoll = {};
        std::vector<platform::Event> whileLoading = {};
        int endOfShow = kEndOfShowMs;
    } cases[] = {
        {"the frame reaching the end is still drawn", {0, 100, 511943}, "d57 s10 p d157 s10 p d512000 s10 p ", 512000},
        {"the last regular frame is at 511999",
         {511942, 511942, 511943},
         "d511999 s10 p d511999 s10 p d512000 s10 p ",
         512000},
        {"waiting events go first, without reading the clock",
         {600000},
         "e e e d600057 s10 p ",
         600057,
         {kOther, kOther, kOther}},
        {"other keys do nothing, Escape stops before drawing",
         {0, 20, 40, 60},
         "d57 s10 p e d77 s10 p d97 s10 p e ",
         97,
         {},
         {{2, key('A')}, {5, key(platform::kKeyEscape)}}},
        {"a close request stops after the iteration", {0}, "d57 s10 p d57 s10 p e ", 57, {}, {{3, kClose}}},
        {"a close while loading draws nothing", {0}, "", 0, {}, {}, {kClose}},
        {"Escape while loading is noticed on the first quiet poll",
         {0},
         "e ",
         0,
         {kOther},
         {},
         {key(platform::kKeyEscape)}},
        {"a shortened show", {0, 1000, 1500}, "d57 s10 p d1057 s10 p ", 1057, {}, {}, {}, 1057},
    };
    for (const auto& c : cases) {
        ScriptedHost host;
        host.clock = c.clock;
        host.waiting = c.waiting;
        host.atPoll = c.atPoll;
        ShellState s;
        for (const platform::Event& e : c.whileLoading) handleWindowEvent(s, e);
        // Through the --timings wrapper: it passes every call on once and
        // records each frame presented.
        FrameTimings timings;
        TimedFrameHost timed(host, timings);
        runMainLoop(s, timed, c.endOfShow);
        EXPECT_EQ(host.log, c.log) << c.what;
        EXPECT_EQ(timings.frames(), std::count(host.log.begin(), host.log.end(), 'p')) << c.what;
        EXPECT_EQ(s.showTime, c.showTime) << c.what;
        EXPECT_TRUE(s.stopRequested) << c.what;
        if (c.atPoll.count(2)) {
            EXPECT_EQ(s.keyDown['A'] + s.keyDown[platform::kKeyEscape], 2);  // kept for good
        }
        if (!c.waiting.empty() && c.whileLoading.empty()) {
            EXPECT_EQ(host.clockCalls, 1u);
        }
    }
}

// A song of 20 ms blocks that moves one block per presented frame unless
// paused; block b is order b / 64, row b % 64. Logs "d<t>" per frame drawn,
// "r" per rewind and "." per present without a new frame.
class AuthoringFake final : public FrameHost, public TimeControls {
public:
    static constexpr int kLastBlock = 999;
    std::map<int, std::vector<int>> keysAfterFrame;  // keys arriving after the n-th present
    std::deque<platform::Event> waiting;
    std::string log, title;
    int block = 0, presents = 0, titleRepeats = 0;
    bool isPaused = false, drew = false;

    bool takeEvent(platform::Event& e) override {
        if (auto it = keysAfterFrame.find(presents); it != keysAfterFrame.end()) {
            for (int k : it->second) waiting.push_back(key(k));
            keysAfterFrame.erase(it);
        }
        if (waiting.empty()) return false;
        e = waiting.front();
        waiting.pop_front();
        return true;
    }
    int clockMs() override { return 20 * (block + 1); }
    void drawFrame(int t) override {
        log += "d" + std::to_string(t) + " ";
        drew = true;
    }
    void sleepMs(int) override {}
    void present(bool newFrame) override {
        EXPECT_EQ(newFrame, drew);
        if (!drew) log += ". ";
        drew = false;
        ++presents;
        if (!isPaused) block = std::min(block + 1, kLastBlock);
    }
    void seekTo(int t) override { block = std::clamp((t - kClockOffsetMs + 19) / 20 - 1, 0, kLastBlock); }
    void setPaused(bool p) override { isPaused = p; }
    bool paused() const override { return isPaused; }
    void rewind() override { log += "r "; }
    SongPosition songPosition() override { return {block / 64, block % 64}; }
    void setTitle(const std::string& t) override {
        titleRepeats += t == title;
        title = t;
    }
};

TEST(MainLoop, AuthoringKeysPauseSeekRewindAndTitleTheShow) {
    using namespace platform;
    const struct {
        const char* what;
        std::map<int, std::vector<int>> keys;  // after the n-th frame presented
        std::string log;
        std::string title;  // after the show's name; ends in "(paused)" when the show ends paused
    } cases[] = {
        {"Right seeks a second on from the clock",
         {{2, {kKeyRight}}},
         "d77 d97 d1117 d1137 ",
         "00:01.137  order 00:53"},
        {"Left seeks a second back and rewinds first",
         {{2, {kKeyRight}}, {3, {kKeyLeft}}},
         "d77 d97 d1117 r d137 ",
         "00:00.137  order 00:03"},
        {"PgDn and PgUp seek ten seconds",
         {{1, {kKeyPageDown}}, {3, {kKeyPageUp}}},
         "d77 d10097 d10117 r d137 ",
         "00:00.137  order 00:03"},
        {"Home goes back to the top",
         {{1, {kKeyPageDown}}, {2, {kKeyHome}}},
         "d77 d10097 r d77 d97 ",
         "00:00.097  order 00:01"},
        {"seeking back before the top stops at it", {{2, {kKeyLeft}}}, "d77 d97 r d77 d97 ", "00:00.097  order 00:01"},
        // The clock moved a block on after the last frame: the paused picture
        // catches up with it once, then stands.
        {"Space pauses and resumes", {{1, {kKeySpace}}, {3, {kKeySpace}}}, "d77 d97 . d97 ", "00:00.097  order 00:01"},
        {"a seek while paused draws once and stays paused",
         {{1, {kKeySpace}}, {2, {kKeyRight}}},
         "d77 d97 d1097 . ",
         "00:01.097  order 00:51  (paused)"},
        {"a seek to where the paused clock stands draws nothing",
         {{1, {kKeySpace}}, {2, {kKeyRight, kKeyLeft}}},
         "d77 d97 . . ",
         "00:00.097  order 00:01  (paused)"},
        {"other keys do nothing", {{1, {'A', kKeyUp, kKeyDown}}}, "d77 d97 d117 d137 ", "00:00.137  order 00:03"},
    };
    for (const auto& c : cases) {
        AuthoringFake fake;
        fake.keysAfterFrame = c.keys;
        fake.keysAfterFrame[4].push_back(kKeyEscape);
        FrameTimings timings;
        TimedFrameHost timed(fake, timings);
        ShellState s;
        runMainLoop(s, timed, kEndOfShowMs, &fake);
        EXPECT_EQ(fake.log, c.log) << c.what;
        EXPECT_EQ(fake.isPaused, c.title.ends_with("(paused)")) << c.what;
        EXPECT_EQ(fake.title, "Halcyon - Project Lumen  " + c.title) << c.what;
        EXPECT_EQ(fake.titleRepeats, 0) << c.what << ": the title is set only when it changes";
        const auto drawn = std::count(fake.log.begin(), fake.log.end(), 'd');
        EXPECT_EQ(timings.frames(), drawn) << c.what << ": a standing picture is no new frame";
    }
    // Seeking past the end stops at the last block, and reaching the end ends the show.
    AuthoringFake fake;
    fake.keysAfterFrame[1] = {kKeyPageDown};
    ShellState s;
    runMainLoop(s, fake, 5000, &fake);
    EXPECT_EQ(fake.log, "d77 d10097 ");
    AuthoringFake last;
    last.seekTo(1e6);
    EXPECT_EQ(last.clockMs(), 20000);
}

TEST(DisplayOptions, CaseSensitiveSubstringsOfTheWholeLineTheLastSizeInTableOrderWins) {
    const struct {
        const char* line;
        int width, height;
        bool windowed;
    } cases[] = {{"lumen", 640, 480, false},
                 {"lumen -m0", 320, 240, false},
                 {"lumen -m2 -m0", 800, 600, false},
                 {"lumen -m0 -m3", 1024, 768, false},
                 {"lumen -m3 -m0", 1024, 768, false},
                 {"lumen -m1 -M3", 640, 480, false},
                 {"/opt/demo-m2/lumen", 800, 600, false},
                 {"lumen x-windowedy", 640, 480, true},
                 {"lumen -Windowed", 640, 480, false}};
    for (const auto& c : cases) {
        const DisplayChoice d = readDisplayOptions(c.line);
        EXPECT_EQ(d.width, c.width) << c.line;
        EXPECT_EQ(d.height, c.height) << c.line;
        EXPECT_EQ(d.windowed, c.windowed) << c.line;
    }
    const char* argv[] = {"/usr/bin/lumen", "-m", "0", "-windowed"};
    EXPECT_EQ(joinCommandLine(4, argv), "/usr/bin/lumen -m 0 -windowed");  // "-m 0" is not "-m0"
}

}  // namespace
}  // namespace lumen
