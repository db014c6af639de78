// The cloth flag: a 14 x 9 mass-spring sheet hung from two pins, stepped at a
// fixed 10 ms and drawn as a lit three-band flag during three show windows.
#pragma once
#include <array>

#include "mesh/math3d.h"

namespace lumen {

struct ClothParticle {
    Vector3 position;
    Vector3 velocity;
    Vector3 force;  // accumulated over one step; unit mass
    Vector3 normal;
};

class ClothFlag {
public:
    static constexpr int kColumns = 14;
    static constexpr int kRows = 9;
    // Storage keeps room for ten particles per column; the tenth is never used.
    static constexpr int kColumnStride = 10;
    static constexpr int kPinInterval = 8;
    static constexpr int kStepMs = 10;
    // The start of the first flag window: the simulation's clock starts there.
    static constexpr int kClockStart = 422130;

    ClothFlag() { reset(); }

    // Particle (i, j) at (i, j, 0), at rest; the clock back at its start.
    void reset();

    // Runs whole steps while the clock is below t, so the state depends only
    // on t, never on how often the caller asks.
    void advanceTo(int t);

    // One 10 ms step: gravity and drag, wind on the faces, springs, integration.
    void step();

    int clock() const { return clock_; }

    // The last column's rows that are multiples of the pin interval.
    static bool isPinned(int i, int j) { return i == kColumns - 1 && j % kPinInterval == 0; }

    ClothParticle& at(int i, int j) { return particles_[i * kColumnStride + j]; }
    const ClothParticle& at(int i, int j) const { return particles_[i * kColumnStride + j]; }

private:
    void spring(int pi, int pj, int qi, int qj, double rest);

    std::array<ClothParticle, kColumns * kColumnStride> particles_{};
    int clock_ = kClockStart;
};

// Emits the flag as one quad batch in the current model-view, front and back
// diffuse material set per band (green, white, red from the top).
void drawClothFlag(const ClothFlag& cloth);

}  // namespace lumen
