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
#if defined(__SANITIZE_THREAD__)
constexpr bool kTimingChecked = false;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool kTimingChecked = false;
#else
constexpr bool kTimingChecked = true;
#endif
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

// The longest time a value stood still, from its first move to the end, and
// whether it ever went back.
struct Movement {
    int64_t longestStillUs = 0;
    bool wentBack = false;
    size_t firstMove = 0;  // index of the first sample after the value first changed
};

Movement movement(const std::vector<Sample>& s) {
    Movement m;
    while (m.firstMove < s.size() && s[m.firstMove].value == s.front().value) ++m.firstMove;
    int64_t since = m.firstMove < s.size() ? s[m.firstMove].us : 0;
    for (size_t i = m.firstMove + 1; i < s.size(); ++i) {
        if (s[i].value < s[i - 1].value) m.wentBack = true;
        if (s[i].value != s[i - 1].value) since = s[i].us;
        m.longestStillUs = std::max(m.longestStillUs, s[i].us - since);
    }
    return m;
}

// The middle of the sizes of the value's moves, from its first move on.
int64_t medianStep(const std::vector<Sample>& s, const Movement& m) {
    std::vector<int64_t> steps;
    for (size_t i = m.firstMove + 1; i < s.size(); ++i)
        if (s[i].value != s[i - 1].value) steps.push_back(s[i].value - s[i - 1].value);
    if (steps.empty()) return 0;
    std::nth_element(steps.begin(), steps.begin() + std::ptrdiff_t(steps.size() / 2), steps.end());
    return steps[steps.size() / 2];
}

// Value gained per second from kSettleUs after the first move to the last sample.
double pacePerSecond(const std::vector<Sample>& s, const Movement& m) {
    if (m.firstMove >= s.size()) return 0;
    const int64_t fromUs = s[m.firstMove].us + kSettleUs;
    auto from = std::find_if(s.begin(), s.end(), [&](const Sample& x) { return x.us >= fromUs; });
    if (from == s.end() || from == s.end() - 1) return 0;
    const Sample& to = s.back();
    return double(to.value - from->value) * 1e6 / double(to.us - from->us);
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

    const Movement m = movement(samples);
    ASSERT_LT(m.firstMove, samples.size()) << "the device never played";
    EXPECT_FALSE(m.wentBack);
    for (const Sample& s : samples) ASSERT_EQ(s.value % 4, 0) << "not whole stereo frames at " << s.us << " us";
    if (!kTimingChecked) return;
    EXPECT_LT(m.longestStillUs, kStallUs);
    const double bytesPerSecond = double(kOutputRate) * 4;
    EXPECT_NEAR(pacePerSecond(samples, m), bytesPerSecond, bytesPerSecond * kPaceTolerance);
    // Between callbacks the position moves on, in steps well under one block.
    const int64_t blockBytes = int64_t(OutputSizes::forRate(kOutputRate).blockFrames) * 4;
    EXPECT_LE(medianStep(samples, m), blockBytes) << "the position moves only at callbacks";
    EXPECT_EQ(underruns, "");
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
    const OutputSizes sizes = OutputSizes::forRate(kOutputRate);
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

    const Movement m = movement(samples);
    ASSERT_LT(m.firstMove, samples.size()) << "the clock never moved";
    EXPECT_FALSE(m.wentBack);
    if (!kTimingChecked) return;
    EXPECT_LT(m.longestStillUs, kStallUs);
    EXPECT_NEAR(pacePerSecond(samples, m), expected.pace, expected.pace * kPaceTolerance)
        << "real time would be 1000 ms per second; blocks of " << sizes.blockFrames << " frames";
    // The clock moves one block (about 20 ms) at a time, not a whole device
    // period (93 ms, four or five blocks) at a time.
    EXPECT_LE(medianStep(samples, m), kOneBlockMs) << "the clock moves in steps of device periods";
    EXPECT_EQ(underruns, "");
}

}  // namespace
}  // namespace lumen
