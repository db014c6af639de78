// The real sound path: the platform device and the show's soundtrack played
// into a PulseAudio null sink, which consumes audio at the real rate. The clock
// must keep the device's pace, never stand still and never let the sink run dry.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "content/song_builtin.h"
#include "platform/audio_device.h"
#include "pulse_null_sink.h"
#include "synth/block_renderer.h"
#include "synth/sequencer.h"
#include "synth/synth.h"

namespace lumen {
namespace {

using Clock = std::chrono::steady_clock;

// Under ThreadSanitizer (tests/sound/run_tsan.sh) the mixer runs many times
// slower than real time, so only the checks that do not depend on speed apply.
#if !defined(__has_feature)
#define __has_feature(x) 0
#endif
#if defined(__SANITIZE_THREAD__) || __has_feature(thread_sanitizer)
constexpr bool kTimingChecked = false;
#else
constexpr bool kTimingChecked = true;
#endif

constexpr int kPollMs = 5;
// Longest wait between two moves of a position. One SDL period is 93 ms and the
// clock moves in 20 ms blocks; a busy two-core machine may add a period or two.
constexpr int64_t kStallUs = 300'000;
// The measured pace may differ from the expected one by this fraction, which
// allows for the device's start-up latency and the clock's block steps.
constexpr double kPaceTolerance = 0.02;
// Pace is measured from this long after the first move on, once the stream
// has settled.
constexpr int64_t kSettleUs = 500'000;
constexpr auto kStreamStartHold = std::chrono::milliseconds(2500);
// A block of 884 frames adds 20 ms to the song time, or less.
constexpr int64_t kOneBlockMs = 20;

struct Sample {
    int64_t us;     // since the first sample
    int64_t value;  // bytes played, or the clock in ms
};

template <typename Read>
std::vector<Sample> sampleFor(std::chrono::milliseconds span, Read read) {
    std::vector<Sample> samples;
    const auto start = Clock::now();
    for (auto now = start; now - start < span; now = Clock::now()) {
        samples.push_back({std::chrono::duration_cast<std::chrono::microseconds>(now - start).count(), read()});
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    return samples;
}

// How a sampled value moved from its first move on: the longest time it stood
// still, whether it ever went back, the median size of its steps and the value
// gained per second from kSettleUs after the first move to the last sample.
struct Movement {
    bool moved = false, wentBack = false;
    int64_t longestStillUs = 0, medianStep = 0;
    double pacePerSecond = 0;
};

Movement movement(const std::vector<Sample>& s) {
    Movement m;
    size_t first = 0;
    while (first < s.size() && s[first].value == s.front().value) ++first;
    if (first == s.size()) return m;
    m.moved = true;
    int64_t since = s[first].us;
    std::vector<int64_t> steps;
    for (size_t i = first + 1; i < s.size(); ++i) {
        m.wentBack |= s[i].value < s[i - 1].value;
        if (s[i].value != s[i - 1].value) since = s[i].us, steps.push_back(s[i].value - s[i - 1].value);
        m.longestStillUs = std::max(m.longestStillUs, s[i].us - since);
    }
    if (!steps.empty()) {
        std::nth_element(steps.begin(), steps.begin() + std::ptrdiff_t(steps.size() / 2), steps.end());
        m.medianStep = steps[steps.size() / 2];
    }
    const auto from =
        std::find_if(s.begin(), s.end(), [&](const Sample& x) { return x.us >= s[first].us + kSettleUs; });
    if (from < s.end() - 1)
        m.pacePerSecond = double(s.back().value - from->value) * 1e6 / double(s.back().us - from->us);
    return m;
}

// What both streams must do against the sink: move on, never back, at the
// expected pace, in steps of at most `maxStep`, and never let the sink run dry.
void expectSteadyStream(const std::vector<Sample>& samples, double pace, int64_t maxStep,
                        const std::string& underruns) {
    const Movement m = movement(samples);
    ASSERT_TRUE(m.moved) << "the position never moved";
    EXPECT_FALSE(m.wentBack);
    if (!kTimingChecked) return;
    EXPECT_LT(m.longestStillUs, kStallUs);
    EXPECT_NEAR(m.pacePerSecond, pace, pace * kPaceTolerance);
    EXPECT_LE(m.medianStep, maxStep) << "the position moves in steps of whole device periods";
    EXPECT_EQ(underruns, "");
}

class SoundDevice : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sink_ = std::make_unique<testing::PulseNullSink>(); }
    static void TearDownTestSuite() { sink_.reset(); }

    void SetUp() override {
        if (!sink_->running()) GTEST_SKIP() << "no PulseAudio null sink: " << sink_->error();
    }

    static std::unique_ptr<testing::PulseNullSink> sink_;
};

std::unique_ptr<testing::PulseNullSink> SoundDevice::sink_;

TEST_F(SoundDevice, PlatformDeviceConsumesTheRingAtTheSinksRealRate) {
    std::string error;
    auto device = platform::openAudioDevice(kOutputRate, &error);
    ASSERT_NE(device, nullptr) << error;
    // Against the null sink, a newly opened SDL pulseaudio stream takes its
    // second period only about two seconds after the first. The player opens
    // the device before generating its samples, which takes longer; wait
    // the same way here.
    std::this_thread::sleep_for(kStreamStartHold);
    std::vector<uint8_t> ring(size_t(kOutputRate) * 4 / 2);  // half a second, looped
    const size_t logMark = sink_->log().size();
    device->play(ring.data(), ring.size());
    const auto samples = sampleFor(std::chrono::seconds(5), [&] { return int64_t(device->bytesPlayed()); });
    // Read the sink's log while the stream still plays: closing it ends in an underrun of its own.
    const std::string underruns = sink_->underrunsSince(logMark);
    device.reset();

    for (const Sample& s : samples) ASSERT_EQ(s.value % 4, 0) << "not whole stereo frames at " << s.us << " us";
    // Between callbacks the position moves on, in steps well under one block.
    expectSteadyStream(samples, double(kOutputRate) * 4, int64_t(OutputSizes::forRate(kOutputRate).blockFrames) * 4,
                       underruns);
}

// What the clock should read, from the same block renderer run offline.
struct ExpectedClock {
    int firstBlockEnd = 0;  // the clock right after the start
    // Song milliseconds per second of audio: the clock adds each piece's
    // truncated milliseconds, so it runs a little slower than 1000.
    double pace = 0;
};

ExpectedClock expectedClock(const SongSource& song, int blocks) {
    auto player = std::make_unique<ModulePlayer>();
    loadSongSource(*player, song);
    startSong(*player);
    BlockRenderer renderer(*player);
    ExpectedClock e;
    for (int b = 0; b < blocks; ++b) {
        renderer.renderBlock();
        if (b == 0) e.firstBlockEnd = player->songTime;
    }
    const OutputSizes& sizes = renderer.sizes();
    e.pace = double(player->songTime) / (double(blocks) * sizes.blockFrames / sizes.rate);
    return e;
}

TEST_F(SoundDevice, ShowClockKeepsTheDevicesPaceForTenSecondsWithoutStallOrUnderrun) {
    const content::SongBytes& bytes = content::builtInSong();
    const SongSource song{bytes.image, bytes.planes, bytes.definitions};
    const ExpectedClock expected = expectedClock(song, 10 * 1000 / 20);

    Synth synth;
    const auto opened = Clock::now();
    ASSERT_EQ(synth.synthInit(song), 1);
    ASSERT_TRUE(synth.hasSound()) << "the pulseaudio device did not open";
    std::this_thread::sleep_until(opened + kStreamStartHold);  // see the device test
    const size_t logMark = sink_->log().size();
    synth.synthStart();
    const auto samples = sampleFor(std::chrono::seconds(10), [&] { return int64_t(synth.synthGetTimeMs()); });
    // Read the sink's log while the stream still plays: closing it ends in an underrun of its own.
    const std::string underruns = sink_->underrunsSince(logMark);

    // Right after the start the clock reads the end of the first block.
    EXPECT_EQ(samples.front().value, expected.firstBlockEnd);
    // The clock runs a little under 1000 ms per second (see ExpectedClock) and
    // moves one block (about 20 ms) at a time, not a whole device period (93
    // ms, four or five blocks) at a time.
    expectSteadyStream(samples, expected.pace, kOneBlockMs, underruns);
}

}  // namespace
}  // namespace lumen
