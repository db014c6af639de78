// The frame loop against a scripted window and clock, and the options.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

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
    void present() override { log += "p "; }
};

TEST(MainLoop, DrawsAtTheClockPlusOffsetUntilTheEndOrAStop) {
    struct Case {
        const char* what;
        std::vector<int> clock;
        std::deque<platform::Event> waiting;
        std::map<int, platform::Event> atPoll;
        std::vector<platform::Event> whileLoading;
        int endOfShow;
        std::string log;
        int showTime;
    };
    const Case cases[] = {
        {"the frame reaching the end is still drawn",
         {0, 100, 511943},
         {},
         {},
         {},
         kEndOfShowMs,
         "d57 s10 p d157 s10 p d512000 s10 p ",
         512000},
        {"the last regular frame is at 511999",
         {511942, 511942, 511943},
         {},
         {},
         {},
         kEndOfShowMs,
         "d511999 s10 p d511999 s10 p d512000 s10 p ",
         512000},
        {"waiting events go first, without reading the clock",
         {600000},
         {kOther, kOther, kOther},
         {},
         {},
         kEndOfShowMs,
         "e e e d600057 s10 p ",
         600057},
        {"other keys do nothing, Escape stops before drawing",
         {0, 20, 40, 60},
         {},
         {{2, key('A')}, {5, key(0x1B)}},
         {},
         kEndOfShowMs,
         "d57 s10 p e d77 s10 p d97 s10 p e ",
         97},
        {"a close request stops after the iteration",
         {0},
         {},
         {{3, kClose}},
         {},
         kEndOfShowMs,
         "d57 s10 p d57 s10 p e ",
         57},
        {"a close while loading draws nothing", {0}, {}, {}, {kClose}, kEndOfShowMs, "", 0},
        {"Escape while loading is noticed on the first quiet poll",
         {0},
         {kOther},
         {},
         {key(0x1B)},
         kEndOfShowMs,
         "e ",
         0},
        {"a shortened show", {0, 1000, 1500}, {}, {}, {}, 1057, "d57 s10 p d1057 s10 p ", 1057},
    };
    for (const Case& c : cases) {
        ScriptedHost host;
        host.clock = c.clock;
        host.waiting = c.waiting;
        host.atPoll = c.atPoll;
        ShellState s;
        for (const platform::Event& e : c.whileLoading) handleWindowEvent(s, e);
        runMainLoop(s, host, c.endOfShow);
        EXPECT_EQ(host.log, c.log) << c.what;
        EXPECT_EQ(s.showTime, c.showTime) << c.what;
        EXPECT_TRUE(s.stopRequested) << c.what;
        if (c.atPoll.count(2)) {
            EXPECT_EQ(s.keyDown['A'] + s.keyDown[0x1B], 2);  // kept for good
        }
        if (!c.waiting.empty() && c.whileLoading.empty()) {
            EXPECT_EQ(host.clockCalls, 1u);
        }
    }
}

TEST(DisplayOptions, CaseSensitiveSubstringsOfTheWholeLineTheLastSizeInTableOrderWins) {
    struct Case {
        const char* line;
        int width, height;
        bool windowed;
    };
    const Case cases[] = {{"lumen", 640, 480, false},
                          {"lumen -m0", 320, 240, false},
                          {"lumen -m2 -m0", 800, 600, false},
                          {"lumen -m0 -m3", 1024, 768, false},
                          {"lumen -m3 -m0", 1024, 768, false},
                          {"lumen -m1 -M3", 640, 480, false},
                          {"/opt/demo-m2/lumen", 800, 600, false},
                          {"lumen x-windowedy", 640, 480, true},
                          {"lumen -Windowed", 640, 480, false}};
    for (const Case& c : cases) {
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
