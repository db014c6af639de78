// Monotonic time and sleeping on std::chrono's steady clock.
#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace lumen::platform {

namespace {
const std::chrono::steady_clock::time_point kEpoch = std::chrono::steady_clock::now();
}

int64_t monotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - kEpoch).count();
}

int64_t monotonicUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - kEpoch).count();
}

void sleepMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace lumen::platform
