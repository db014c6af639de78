// Collecting frame times and formatting the one-line report.
#include "shell/frame_timings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/process_start.h"

namespace lumen {

namespace {

constexpr double kMedian = 0.50;
constexpr double kNinetyNinth = 0.99;

std::string milliseconds(int64_t us) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", double(us) / 1000.0);
    return text;
}

}  // namespace

void FrameTimings::frameShown(int64_t processAgeUs) {
    if (frames_ == 0) {
        firstUs_ = processAgeUs;
    } else {
        intervalsUs_.push_back(processAgeUs - lastUs_);
    }
    lastUs_ = processAgeUs;
    ++frames_;
}

int64_t percentileUs(const std::vector<int64_t>& sorted, double p) {
    if (sorted.empty()) return 0;
    const auto rank = size_t(std::ceil(p * double(sorted.size())));
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

std::string FrameTimings::report() const {
    std::string line = "lumen: timings: start-up ";
    if (frames_ == 0) {
        line += "none";
    } else {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f s", double(firstUs_) / 1e6);
        line += text;
    }
    line += ", " + std::to_string(frames_) + (frames_ == 1 ? " frame" : " frames") + ", frame time ";
    if (intervalsUs_.empty()) return line + "none";
    std::vector<int64_t> sorted = intervalsUs_;
    std::sort(sorted.begin(), sorted.end());
    return line + "p50 " + milliseconds(percentileUs(sorted, kMedian)) + ", p99 " +
           milliseconds(percentileUs(sorted, kNinetyNinth)) + ", max " + milliseconds(sorted.back());
}

void TimedFrameHost::present(bool newFrame) {
    inner_.present(newFrame);
    if (newFrame) timings_.frameShown(platform::processAgeUs());
}

}  // namespace lumen
