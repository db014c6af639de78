// The mixer's per-frame loops: one voice at constant gains or along a gain
// ramp, added into separate left and right float planes.
#pragma once
#include <cstddef>
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
int64_t mixRampScalar(const int16_t* s, int64_t position, int64_t step, float* left, float* right, int frames,
                      double& gainA, double& gainB, double incrementA, double incrementB);

// The same ramp four frames at a time with AVX2; identical bits, scalar elsewhere.
int64_t mixRampVector(const int16_t* s, int64_t position, int64_t step, float* left, float* right, int frames,
                      double& gainA, double& gainB, double incrementA, double incrementB);

// Splits interleaved stereo frames into left and right planes, and joins
// them back; plain copies, vectorised where the processor allows.
void splitFrames(const float* interleaved, float* left, float* right, size_t frames);
void joinFrames(const float* left, const float* right, float* interleaved, size_t frames);

// 16-bit PCM of mixed samples: each value rounded to the nearest integer
// (ties to even), clamped to -32768..32767, NaN as 0. `scalar` is the one-value
// form the vector loop must match.
void pcmFromMixed(const float* mixed, int16_t* pcm, size_t count, int16_t (*scalar)(float));

}  // namespace lumen::mixframes
