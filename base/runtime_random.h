// The show's random generator: the linear congruential pair of the Windows C
// runtime, as a value type, so every user gets the same numbers on Linux.
#pragma once
#include <cstdint>

namespace lumen {

class RuntimeRandom {
public:
    static constexpr int kMax = 0x7FFF;

    // The runtime's state at program start is 1, as if srand(1) had run.
    constexpr RuntimeRandom() = default;
    constexpr explicit RuntimeRandom(uint32_t seed) : state_(seed) {}

    constexpr void srand(uint32_t seed) { state_ = seed; }

    // state = state * 214013 + 2531011 (mod 2^32); the result is bits 16..30.
    constexpr int rand() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

    constexpr uint32_t state() const { return state_; }

private:
    uint32_t state_ = 1;
};

}  // namespace lumen
