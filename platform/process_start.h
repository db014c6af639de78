// How long this process has been running, counted from the kernel's record of
// its start, so the time spent loading libraries before main counts too.
#pragma once
#include <cstdint>

namespace lumen::platform {

// Microseconds since the process started. The kernel records the start in
// clock ticks (10 ms on most systems); where that record cannot be read the
// count starts at this library's static initialisation instead.
int64_t processAgeUs();

}  // namespace lumen::platform
