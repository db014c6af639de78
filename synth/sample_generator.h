// The sample generator: synthesises an instrument's 8-bit sample from its
// definition. One generator object serves a whole song load, because the
// filter memory and the random generator run on from one instrument to the next.
#pragma once
#include <cstdint>
#include <vector>

#include "base/progress.h"
#include "base/runtime_random.h"
#include "synth/generator_definition.h"

namespace lumen {

// Filter state shared by every definition generated in order; never reset.
struct FilterMemory {
    float previousInput = 0;
    float previousOutput = 0;
    float s1 = 0;
    float s2 = 0;
};

class SampleGenerator {
public:
    SampleGenerator() = default;
    explicit SampleGenerator(std::vector<GeneratorDefinition> definitions, ProgressHook progress = {})
        : definitions_(std::move(definitions)), progress_(std::move(progress)) {}

    const std::vector<GeneratorDefinition>& definitions() const { return definitions_; }
    FilterMemory& filterMemory() { return filter_; }
    RuntimeRandom& random() { return random_; }

    // Fills values[0..n) from the definition; n must not exceed its length.
    void render(const GeneratorDefinition& definition, float* values, int n);

    // Writes min(count, length) signed bytes into destination; the rest of
    // destination is left as it is.
    void toBytes(const GeneratorDefinition& definition, int8_t* destination, int count);

    // The loader's entry: reports progress, then writes count bytes of
    // definition[instrument]. bits and sample are unused (every sample is 8-bit
    // and each instrument has one definition). Throws SongDataError when the
    // instrument has no definition.
    void generate(int8_t* destination, int count, int bits, int instrument, int sample);

private:
    std::vector<GeneratorDefinition> definitions_;
    ProgressHook progress_;
    FilterMemory filter_;
    RuntimeRandom random_;
    std::vector<float> scratch_;
};

// 255 - (trunc(-127 * v) mod 256) as a signed byte: trunc(127 v) - 1 within +-1.
int8_t sampleByteFromValue(float value);

}  // namespace lumen
