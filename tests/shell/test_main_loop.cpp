#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "shell/main_loop.h"

namespace lumen {
namespace {

// Scripted events and clock; records every call the loop makes, in order.
class FakeHost final : public FrameHost {
public:
    std::deque<platform::Event> events;
    std::vector<int> clock;  // values returned by successive clockMs calls; the last repeats
    std::vector<std::string> log;
    int draws = 0;
    int presents = 0;
    size_t clockCalls = 0;
    // Called before each takeEvent, so a test can inject events mid-show.
    std::function<void(FakeHost&)> beforePoll;

    bool takeEvent(platform::Event& e) override {
        if (beforePoll) beforePoll(*this);
        if (events.empty()) return false;
        e = events.front();
        events.pop_front();
        log.push_back("event");
        return true;
    }
    int clockMs() override {
        const int v = clock.empty() ? 0 : clock[std::min(clockCalls, clock.size() - 1)];
        ++clockCalls;
        return v;
    }
    void drawFrame(int t) override {
        ++draws;
        log.push_back("draw " + std::to_string(t));
    }
    void sleepMs(int ms) override { log.push_back("sleep " + std::to_string(ms)); }
    void present() override {
        ++presents;
        log.push_back("present");
    }
};

platform::Event key(int vk) { return {platform::EventKind::KeyDown, vk}; }
platform::Event closeRequest() { return {platform::EventKind::Close, 0}; }

TEST(MainLoop, FrameIsDrawnAtClockPlusOffsetThenSleptThenPresented) {
    FakeHost host;
    host.clock = {0, 100, 511943};
    ShellState s;
    runMainLoop(s, host);
    const std::vector<std::string> expected = {"draw 57",  "sleep 10", "present", "draw 157", "sleep 10",
                                               "present",  "draw 512000", "sleep 10", "present"};
    EXPECT_EQ(host.log, expected);  // the frame reaching the end is still drawn and presented
    EXPECT_TRUE(s.stopRequested);
    EXPECT_EQ(s.showTime, 512000);
}

TEST(MainLoop, LastRegularFrameIsAt511999) {
    FakeHost host;
    host.clock = {511942, 511942, 511943};
    ShellState s;
    runMainLoop(s, host);
    EXPECT_EQ(host.draws, 3);
}

TEST(MainLoop, WaitingEventTakesPrecedenceOverDrawing) {
    FakeHost host;
    host.clock = {600000};
    for (int i = 0; i < 5; ++i) host.events.push_back({platform::EventKind::Other, 0});
    ShellState s;
    runMainLoop(s, host);
    ASSERT_EQ(host.log.size(), 8u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(host.log[i], "event");
    EXPECT_EQ(host.log[5], "draw 600057");
    EXPECT_EQ(host.clockCalls, 1u);  // the clock is not read while events are waiting
}

TEST(MainLoop, EscapeEndsTheShowWithoutDrawingOtherKeysDoNothing) {
    FakeHost host;
    host.clock = {0, 20, 40, 60};
    int polls = 0;
    host.beforePoll = [&polls](FakeHost& h) {
        ++polls;
        if (polls == 2) h.events.push_back(key('A'));
        if (polls == 5) h.events.push_back(key(0x1B));
    };
    ShellState s;
    runMainLoop(s, host);
    // polls 1: frame; 2: 'A'; 3: frame; 4: frame; 5: Escape; 6: stop before drawing.
    EXPECT_EQ(host.draws, 3);
    EXPECT_TRUE(s.stopRequested);
    EXPECT_EQ(s.keyDown['A'], 1);  // the key table keeps every key ever pressed
    EXPECT_EQ(s.keyDown[0x1B], 1);
}

TEST(MainLoop, CloseRequestEndsAfterTheCurrentIteration) {
    FakeHost host;
    host.clock = {0};
    int polls = 0;
    host.beforePoll = [&polls](FakeHost& h) {
        if (++polls == 3) h.events.push_back(closeRequest());
    };
    ShellState s;
    runMainLoop(s, host);
    EXPECT_EQ(host.draws, 2);
    EXPECT_EQ(host.presents, 2);
}

TEST(MainLoop, StopDuringLoadingDrawsNothing) {
    FakeHost host;
    host.clock = {0};
    ShellState s;
    handleWindowEvent(s, closeRequest());  // the close arrived while packs were loading
    runMainLoop(s, host);
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(s.showTime, 0);
}

TEST(MainLoop, EscapeDuringLoadingIsNoticedOnTheFirstQuietIteration) {
    FakeHost host;
    host.clock = {0};
    host.events.push_back({platform::EventKind::Other, 0});
    ShellState s;
    handleWindowEvent(s, key(0x1B));
    runMainLoop(s, host);
    EXPECT_EQ(host.draws, 0);
    EXPECT_EQ(host.log, std::vector<std::string>{"event"});
}

TEST(MainLoop, ShortenedEndStillDrawsTheReachingFrame) {
    FakeHost host;
    host.clock = {0, 1000, 1500};
    ShellState s;
    runMainLoop(s, host, 1057);
    EXPECT_EQ(host.draws, 2);
    EXPECT_EQ(s.showTime, 1057);
}

}  // namespace
}  // namespace lumen
