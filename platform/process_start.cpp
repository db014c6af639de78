// The process start from /proc/self/stat (field 22, clock ticks since boot)
// against CLOCK_BOOTTIME, which counts from the same boot.
#include "platform/process_start.h"

#include <time.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

namespace lumen::platform {

namespace {

constexpr int kStartTimeField = 22;  // starttime in proc(5), counted from 1

const std::chrono::steady_clock::time_point kStaticStart = std::chrono::steady_clock::now();

int64_t bootClockUs() {
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0) return -1;
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

// The start in microseconds since boot, or -1.
int64_t startSinceBootUs() {
    std::ifstream in("/proc/self/stat");
    std::string stat;
    if (!std::getline(in, stat)) return -1;
    // Field 2 is the command name in parentheses and may hold spaces: count
    // fields from the last closing parenthesis, which ends field 2.
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    for (int i = 3; i <= kStartTimeField; ++i) {
        if (!(fields >> field)) return -1;
    }
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    if (ticksPerSecond <= 0) return -1;
    try {
        return int64_t(std::stoull(field)) * 1000000 / ticksPerSecond;
    } catch (const std::exception&) {
        return -1;
    }
}

}  // namespace

int64_t processAgeUs() {
    const int64_t now = bootClockUs();
    const int64_t start = startSinceBootUs();
    const int64_t fallback =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - kStaticStart).count();
    // A start after now, or long before the static start, means the record is
    // not on the boot clock here: trust the static start instead.
    if (now < 0 || start < 0 || start > now) return fallback;
    const int64_t age = now - start;
    constexpr int64_t kLoaderSlackUs = 60'000'000;
    return age > fallback + kLoaderSlackUs ? fallback : age;
}

}  // namespace lumen::platform
