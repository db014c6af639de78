// The mixer's per-frame loops: one voice at constant gains or along a gain
// ramp, added into separate left and right float planes.
#pragma once
#include <cstdint>

namespace lumen::mixframes {

// Mixes `frames` frames of the 16-bit sample `s` from the 32.32 `position`,
// moving by the signed 32.32 `step` per frame, at constant gains; returns the
// position reached. Each output value becomes float(double(out) + v * gain),
// v being the linearly interpolated sample (the fraction's lowest bit ignored).
int64_t mixConstantScalar(const int16_t* s, int64_t position, int64_t step, float* left, float* right, int frames,
                          double gainA, double gainB);

// The same loop four frames at a time on processors with AVX2; identical bits.
// Falls back to the scalar loop elsewhere.
int64_t mixConstantVector(const int16_t* s, int64_t position, int64_t step, float* left, float* right, int frames,
                          double gainA, double gainB);

// True when mixConstantVector has a vector path on this processor.
bool hasVectorPath();

// As mixConstantScalar, but each gain is used for a frame and then grows by
// its increment; the gains reached are returned through gainA and gainB.
int64_t mixRamp(const int16_t* s, int64_t position, int64_t step, float* left, float* right, int frames,
                double& gainA, double& gainB, double incrementA, double incrementB);

}  // namespace lumen::mixframes
