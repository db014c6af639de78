// Frame time across the whole show: steps through it (every 250 ms by
// default) with the earlier-frame history, times one full show frame at each
// step (drawn again after the history has caught up, then glFinish), and
// prints p50/p99/max and the worst moments.
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/show_clock.h"
#include "platform/gl.h"
#include "shell/headless_show.h"

namespace {

// Wall-clock milliseconds, or (--cpu) the CPU time of the whole process,
// llvmpipe's threads included: steady while other work shares the machine.
bool useCpuTime = false;

double nowMs() {
    if (useCpuTime) {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct Sample {
    int t;
    double ms;
};

// Per-event cost over the scan (--events): every event's draw is finished
// and timed on its own.
struct EventCost {
    double totalMs = 0;
    double maxMs = 0;
    int maxAt = 0;
    int frames = 0;
};

const char* kindName(int type, bool cloth) {
    if (cloth) return "cloth";
    switch (type) {
        case lumen::kEventImageLayer: return "image";
        case lumen::kEventSceneView: return "scene";
        case lumen::kEventClear: return "clear";
        case lumen::kEventScreenCapture: return "capture";
        case lumen::kEventZoomFeedback: return "zoom";
        case lumen::kEventScreenDistortion: return "distort";
        default: return "other";
    }
}

void printEventCosts(const std::map<std::pair<const lumen::TimelineEvent*, bool>, EventCost>& costs, int top) {
    std::vector<std::pair<std::pair<const lumen::TimelineEvent*, bool>, EventCost>> v(costs.begin(), costs.end());
    std::sort(v.begin(), v.end(), [](const auto& a, const auto& b) { return a.second.totalMs > b.second.totalMs; });
    std::map<std::string, double> byKind;
    for (const auto& [key, c] : v) byKind[kindName(key.first->type, key.second)] += c.totalMs;
    std::printf("time by event kind (ms, summed over the scanned frames):");
    for (const auto& [k, ms] : byKind) std::printf(" %s %.0f", k.c_str(), ms);
    std::printf("\nevents by summed time:\n");
    for (int k = 0; k < top && k < int(v.size()); ++k) {
        const lumen::TimelineEvent& e = *v[size_t(k)].first.first;
        const EventCost& c = v[size_t(k)].second;
        std::printf(
            "  %-7s %6d-%6d ms  sum %7.0f  frames %4d  mean %6.2f  max %6.2f at %d  rect %d,%d-%d,%d  blend %d/%d"
            "  slot %d  layers %d  scene %d  distortion %d\n",
            kindName(e.type, v[size_t(k)].first.second), e.startTime, e.endTime, c.totalMs, c.frames,
            c.totalMs / c.frames, c.maxMs, c.maxAt, e.x1Start, e.y1Start, e.x2Start, e.y2Start, e.blendSrc,
            e.blendDst, e.targetIndex, e.feedbackCount, e.sceneId, e.distortionType);
    }
}

void usage() {
    std::printf(
        "usage: bench_frame_scan [--size WxH] [--step MS] [--from MS] [--to MS] [--worst N] [--all]\n"
        "                        [--events N] [--cpu] [--hashes]\n"
        "Plays the show headless at the given step (default 640x480, every 250 ms, the whole show)\n"
        "and reports the time of one frame at each step: p50, p99, max and the N worst (default 5).\n"
        "--all also lists every sample as 'show_ms frame_ms'. --events N times every event on its own\n"
        "(each finished before the next) and lists the N costliest. --cpu times by the process's CPU\n"
        "time (all threads) instead of the wall clock. --hashes draws each step once and prints\n"
        "'show_ms hash' of its picture instead: a drawing change must leave them all alone.\n");
}

double percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t k = std::min(v.size() - 1, size_t(q * double(v.size())));
    return v[k];
}

}  // namespace

int main(int argc, char** argv) {
    int w = 640, h = 480, step = 250, from = 0, to = lumen::kEndOfShowMs, worst = 5;
    bool all = false;
    bool hashes = false;
    int events = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--size" && hasValue && std::sscanf(argv[i + 1], "%dx%d", &w, &h) == 2) {
            ++i;
        } else if (a == "--step" && hasValue) {
            step = std::atoi(argv[++i]);
        } else if (a == "--from" && hasValue) {
            from = std::atoi(argv[++i]);
        } else if (a == "--to" && hasValue) {
            to = std::atoi(argv[++i]);
        } else if (a == "--worst" && hasValue) {
            worst = std::atoi(argv[++i]);
        } else if (a == "--events" && hasValue) {
            events = std::atoi(argv[++i]);
        } else if (a == "--hashes") {
            hashes = true;
        } else if (a == "--cpu") {
            useCpuTime = true;
        } else if (a == "--all") {
            all = true;
        } else {
            usage();
            return a == "--help" ? 0 : 2;
        }
    }
    if (step < 1 || w < 1 || h < 1) {
        usage();
        return 2;
    }
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    lumen::HeadlessShow show(w, h);
    const double startupS = std::chrono::duration<double>(Clock::now() - start).count();

    std::map<std::pair<const lumen::TimelineEvent*, bool>, EventCost> costs;
    double last = 0;
    int now = 0;
    const auto observe = [&](const lumen::TimelineEvent& e, bool cloth) {
        glFinish();
        const double at = nowMs();
        EventCost& c = costs[{&e, cloth}];
        const double ms = at - last;
        c.totalMs += ms;
        c.frames += 1;
        if (ms > c.maxMs) c.maxMs = ms, c.maxAt = now;
        last = at;
    };

    if (hashes) {
        for (int t = from; t < to; t += step) {
            show.history().drawFrame(t);
            uint64_t hash = 14695981039346656037ull;  // FNV-1a offset basis
            for (uint8_t b : show.readPicture()) hash = (hash ^ b) * 1099511628211ull;
            std::printf("%d %016llx\n", t, static_cast<unsigned long long>(hash));
        }
        return 0;
    }

    std::vector<Sample> samples;
    for (int t = from; t < to; t += step) {
        // The first call brings the earlier-frame state up to t (and draws t);
        // the second is the frame a player would draw, timed alone.
        show.history().drawFrame(t);
        glFinish();
        if (events) show.player().setEventObserver(observe);
        now = t;
        const double t0 = nowMs();
        last = t0;
        show.history().drawFrame(t);
        glFinish();
        show.player().setEventObserver(nullptr);
        samples.push_back({t, nowMs() - t0});
    }
    std::vector<double> ms;
    for (const Sample& s : samples) ms.push_back(s.ms);
    std::printf("frame_scan %dx%d every %d ms, %d..%d ms: %zu frames, start-up %.2f s, p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
                w, h, step, from, to, samples.size(), startupS, percentile(ms, 0.5), percentile(ms, 0.99),
                ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end()));
    std::vector<Sample> sorted = samples;
    std::sort(sorted.begin(), sorted.end(), [](const Sample& a, const Sample& b) { return a.ms > b.ms; });
    for (int k = 0; k < worst && k < int(sorted.size()); ++k)
        std::printf("  worst %d: %d ms (%d:%06.3f) %.2f ms\n", k + 1, sorted[size_t(k)].t, sorted[size_t(k)].t / 60000,
                    (sorted[size_t(k)].t % 60000) / 1000.0, sorted[size_t(k)].ms);
    if (events) printEventCosts(costs, events);
    if (all)
        for (const Sample& s : samples) std::printf("%d %.3f\n", s.t, s.ms);
    return 0;
}
