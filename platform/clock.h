// The one wall clock and the one sleep of the program; everything that needs
// real time asks here, never the OS directly.
#pragma once
#include <cstdint>

namespace lumen::platform {

// Milliseconds on a monotonic clock since its first use in this process.
int64_t monotonicMs();

// Microseconds on the same clock, for measurements.
int64_t monotonicUs();

void sleepMs(int ms);

}  // namespace lumen::platform
