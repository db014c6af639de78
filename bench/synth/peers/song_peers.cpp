// Whole-song render time side by side: Lumen's offline render against libxmp
// and libopenmpt (linear interpolation in both) playing the song's exported
// XM, for the built-in song and the busy 18-channel song in bench/synth/busy18,
// all on one processor core in one run.
#include <sched.h>

#include <libopenmpt/libopenmpt.h>
#include <xmp.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "content/song_builtin.h"
#include "synth/block_renderer.h"
#include "synth/offline_render.h"
#include "synth/song_source_format.h"
#include "synth/song_timemap.h"
#include "synth/synth.h"
#include "synth/xm_export.h"

namespace {

constexpr int kRate = 44100;
constexpr size_t kChunkFrames = 4096;  // what each peer renders per call

struct Song {
    std::string name;
    lumen::StoredSong pieces;
    lumen::SongSource source() const { return {pieces.image, pieces.planes, pieces.definitions}; }
};

// Frames of the song's first pass, as Lumen's block renderer plays it.
size_t firstPassFrames(const Song& song) {
    auto player = std::make_unique<lumen::ModulePlayer>();
    lumen::loadSongSource(*player, song.source());
    const lumen::SongTimeMap map = lumen::buildTimeMap(*player);
    if (!map.wrapped) throw std::runtime_error(song.name + ": the song never wraps");
    return size_t(map.wrap.audioFrame);
}

std::vector<uint8_t> exportedXm(const Song& song) {
    auto player = std::make_unique<lumen::ModulePlayer>();
    lumen::loadSongSource(*player, song.source());
    return lumen::exportXm(*player, song.name).bytes;
}

// A checksum of the PCM, printed so that no render can be optimised away and
// so that a silent peer stands out.
struct Pcm {
    uint64_t sum = 0;
    size_t frames = 0;
    void add(const int16_t* s, size_t count) {
        for (size_t k = 0; k < 2 * count; ++k) sum += uint64_t(s[k] < 0 ? -s[k] : s[k]);
        frames += count;
    }
};

Pcm renderLumen(const Song& song, size_t frames) {
    Pcm pcm;
    lumen::renderSongOffline(song.source(), frames, [&](const int16_t* s, size_t count) { pcm.add(s, count); });
    return pcm;
}

Pcm renderLibxmp(const std::vector<uint8_t>& xm, size_t frames) {
    xmp_context c = xmp_create_context();
    if (xmp_load_module_from_memory(c, xm.data(), long(xm.size())) != 0) {
        xmp_free_context(c);
        throw std::runtime_error("libxmp does not load the exported XM");
    }
    xmp_start_player(c, kRate, 0);
    xmp_set_player(c, XMP_PLAYER_INTERP, XMP_INTERP_LINEAR);
    std::vector<int16_t> buffer(2 * kChunkFrames);
    Pcm pcm;
    while (pcm.frames < frames) {
        const size_t n = std::min(kChunkFrames, frames - pcm.frames);
        // Loop count 0: the player keeps going past the song's end.
        xmp_play_buffer(c, buffer.data(), int(n * 4), 0);
        pcm.add(buffer.data(), n);
    }
    xmp_end_player(c);
    xmp_release_module(c);
    xmp_free_context(c);
    return pcm;
}

Pcm renderLibopenmpt(const std::vector<uint8_t>& xm, size_t frames) {
    openmpt_module* m =
        openmpt_module_create_from_memory2(xm.data(), xm.size(), openmpt_log_func_silent, nullptr,
                                           openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
    if (!m) throw std::runtime_error("libopenmpt does not load the exported XM");
    openmpt_module_set_render_param(m, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 2);  // linear
    openmpt_module_set_repeat_count(m, -1);
    std::vector<int16_t> buffer(2 * kChunkFrames);
    Pcm pcm;
    while (pcm.frames < frames) {
        const size_t n = std::min(kChunkFrames, frames - pcm.frames);
        const size_t got = openmpt_module_read_interleaved_stereo(m, kRate, n, buffer.data());
        if (got == 0) break;
        pcm.add(buffer.data(), got);
    }
    openmpt_module_destroy(m);
    return pcm;
}

// Processor time of this thread, in seconds: other work on a shared machine
// stretches wall time but not this.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The fastest of `runs` renders, in seconds of processor time: the least
// disturbed run is the one that measures the code.
double bestSeconds(int runs, const std::function<Pcm()>& render, Pcm& pcm) {
    double best = 1e30;
    for (int r = 0; r < runs; ++r) {
        const double t0 = threadSeconds();
        pcm = render();
        best = std::min(best, threadSeconds() - t0);
    }
    return best;
}

// Lumen's render includes generating its samples; this is that part alone.
double bestLoadSeconds(int runs, const Song& song) {
    double best = 1e30;
    for (int r = 0; r < runs; ++r) {
        auto player = std::make_unique<lumen::ModulePlayer>();
        const double t0 = threadSeconds();
        lumen::loadSongSource(*player, song.source());
        best = std::min(best, threadSeconds() - t0);
    }
    return best;
}

void compare(const Song& song, int runs) {
    const size_t frames = firstPassFrames(song);
    const std::vector<uint8_t> xm = exportedXm(song);
    const double audio = double(frames) / kRate;
    struct Result {
        const char* player;
        double seconds;
        Pcm pcm;
    };
    std::vector<Result> results = {{"lumen", 0, {}}, {"libxmp", 0, {}}, {"libopenmpt", 0, {}}};
    results[0].seconds = bestSeconds(
        runs, [&] { return renderLumen(song, frames); }, results[0].pcm);
    results[1].seconds = bestSeconds(
        runs, [&] { return renderLibxmp(xm, frames); }, results[1].pcm);
    results[2].seconds = bestSeconds(
        runs, [&] { return renderLibopenmpt(xm, frames); }, results[2].pcm);
    const double load = bestLoadSeconds(runs, song);
    std::printf("%s: %.2f s of audio (%zu frames), best of %d; Lumen's time includes %.1f ms generating samples\n",
                song.name.c_str(), audio, frames, runs, load * 1000);
    for (const Result& r : results)
        std::printf("  %-11s %8.1f ms  %7.1fx real time  lumen is %.2fx as fast  (frames %zu, |pcm| %llu)\n", r.player,
                    r.seconds * 1000, audio / r.seconds, r.seconds / results[0].seconds, r.pcm.frames,
                    static_cast<unsigned long long>(r.pcm.sum));
}

void usage() {
    std::puts(
        "Usage: bench_song_peers [--runs N] [--no-pin] [--busy DIR]\n"
        "Renders the built-in song and the busy 18-channel song (source folder DIR,\n"
        "default bench/synth/busy18 in the source tree) through Lumen's offline render,\n"
        "and their exported XM files through libxmp and libopenmpt with linear\n"
        "interpolation at 44100 Hz stereo, each for the song's first pass; prints the\n"
        "least processor time of N runs (default 3) and the ratios. Pins itself to core 0\n"
        "unless --no-pin.");
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 3;
    bool pin = true;
    std::string busy = LUMEN_BUSY_SONG_DIR;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            usage();
            return 0;
        } else if (a == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--busy" && i + 1 < argc) {
            busy = argv[++i];
        } else if (a == "--no-pin") {
            pin = false;
        } else {
            std::fprintf(stderr, "bench_song_peers: unknown argument '%s' (try --help)\n", a.c_str());
            return 2;
        }
    }
    if (pin) {
        cpu_set_t set;
        CPU_ZERO(&set);
        CPU_SET(0, &set);
        if (sched_setaffinity(0, sizeof set, &set) != 0) std::perror("bench_song_peers: pinning to core 0");
    }
    try {
        const lumen::content::SongBytes& b = lumen::content::builtInSong();
        compare(Song{"built-in song", {b.image, b.planes, b.definitions}}, runs);
        compare(Song{"busy 18-channel song", lumen::compileSongSource(lumen::readSongSourceFolder(busy))}, runs);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_song_peers: %s\n", e.what());
        return 1;
    }
    return 0;
}
