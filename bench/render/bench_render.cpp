// Frames per second of `lumenkit render`, drawing and encoding timed apart, at
// 640 x 480 and 1440 x 1080: drawing is the show's frames at 60 fps through
// the earlier-frame history plus the read-back; encoding is ffmpeg (x264 and
// AAC, the render's own settings) taking those frames down its pipe.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "shell/headless_show.h"
#include "synth/wav_writer.h"
#include "video_encoder.h"

namespace lumen {
namespace {

constexpr int kFps = 60;
// Where the drawing starts: far enough in that captures, trails and scenes run.
constexpr int kStartMs = 9000;

void drawFrames(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    HeadlessShow show(w, h);
    SongRun& song = show.song();
    const int64_t p0 = int64_t(song.firstBlockReaching(kStartMs)) * song.blockFrames();
    int64_t k = 0;
    int shown = -1;
    // The render's read-back: RGB rows as GL keeps them, into a frame buffer.
    std::vector<uint8_t> frame(size_t(w) * size_t(h) * 3);
    for (auto _ : state) {
        const int t = song.showTimeAtFrame(p0 + k * song.rate() / kFps);
        // A repeated show time repeats the picture, as the render does.
        if (t != shown) {
            show.history().drawFrame(t);
            show.readPictureRgbBottomUp(frame.data(), w);
            benchmark::DoNotOptimize(frame.data());
            shown = t;
        }
        ++k;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

// A backward seek in the player near the show's end: the forward-only state
// rebuilt from the start (earlier frames replayed, those that matter drawn).
void seekBackToNearTheEnd(benchmark::State& state) {
    HeadlessShow show(640, 480);
    const int t = 500000;
    show.song().firstBlockReaching(t);
    for (auto _ : state) {
        show.history().restart();
        show.history().drawFrame(t);
    }
    state.counters["replayed"] = double(show.history().framesReplayed()) / double(state.iterations());
    state.counters["drawn_unseen"] = double(show.history().framesDrawnUnseen()) / double(state.iterations());
}

// Encodes 240 frames per iteration (4 s of video) from 60 distinct drawn pictures.
void encodeFrames(benchmark::State& state) {
    const int w = int(state.range(0)), h = int(state.range(1));
    constexpr int kFrames = 240, kDistinct = 60;
    std::vector<std::vector<uint8_t>> frames;
    {
        HeadlessShow show(w, h);
        SongRun& song = show.song();
        const int64_t p0 = int64_t(song.firstBlockReaching(kStartMs)) * song.blockFrames();
        for (int k = 0; k < kDistinct; ++k) {
            show.history().drawFrame(song.showTimeAtFrame(p0 + int64_t(k) * song.rate() / kFps));
            const std::vector<uint8_t> rgba = show.readPicture();
            std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
            for (size_t p = 0; p < size_t(w) * size_t(h); ++p)
                for (int c = 0; c < 3; ++c) rgb[p * 3 + size_t(c)] = rgba[p * 4 + size_t(c)];
            frames.push_back(std::move(rgb));
        }
    }
    const std::string dir = "/tmp/lumen_bench_render_" + std::to_string(getpid());
    std::string ffmpeg;
    try {
        ffmpeg = lumenkit::findFfmpeg();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    const std::string wav = dir + ".wav", mp4 = dir + ".mp4";
    {
        WavWriter writer(wav, 2, 44100);
        std::vector<int16_t> silence(size_t(44100 / kFps) * kFrames * 2, 0);
        writer.write(silence.data(), silence.size() / 2);
        writer.finish();
    }
    for (auto _ : state) {
        lumenkit::VideoEncoder encoder(ffmpeg, mp4, {w, h, kFps, 18, wav});
        for (int k = 0; k < kFrames; ++k) encoder.writeFrame(frames[size_t(k % kDistinct)].data());
        encoder.finish();
    }
    unlink(wav.c_str());
    unlink(mp4.c_str());
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.counters["fps"] = benchmark::Counter(double(state.iterations() * kFrames), benchmark::Counter::kIsRate);
}

BENCHMARK(drawFrames)->Args({640, 480})->Args({1440, 1080})->Unit(benchmark::kMillisecond)->MinTime(5.0)->UseRealTime();
BENCHMARK(seekBackToNearTheEnd)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(encodeFrames)
    ->Args({640, 480})
    ->Args({1440, 1080})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();

}  // namespace
}  // namespace lumen
