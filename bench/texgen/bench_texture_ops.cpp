// Time per 256 x 256 layer for every texture operation, at typical parameters
// and at the costly end of each operation's range.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "texgen/texture.h"

namespace {

using lumen::TextureOp;

struct Case {
    const char* name;
    TextureOp op;
    const char* text;  // for Text records
};

// Shared across all cases, as in the program: one generator, one texture.
struct Bench {
    lumen::RuntimeRandom random;
    std::unique_ptr<lumen::TextureGenerator> gen = lumen::initTextureGenerator(random);
    std::unique_ptr<lumen::Texture> tex = lumen::createTexture();
    std::unique_ptr<lumen::Texture> pristine = lumen::createTexture();

    Bench() {
        // Every channel of every layer holds its own seven-octave Noise, the
        // usual content of a texture when the shaping operations run.
        for (int n = 0; n < lumen::kLayerCount; ++n)
            for (int c = 0; c < 4; ++c) {
                TextureOp noise{{lumen::kOpNoise, uint8_t(n), uint8_t(c), 0, 0, 0, uint8_t(n), uint8_t(c)}};
                gen->applyTextureOp(*pristine, noise);
            }
    }
};

Bench& bench() {
    static Bench b;
    return b;
}

void runCase(benchmark::State& state, const Case& c) {
    Bench& b = bench();
    // Every case starts from the same layers, whichever cases ran before it.
    std::memcpy(b.tex->layers, b.pristine->layers, sizeof b.tex->layers);
    if (c.text) std::snprintf(b.tex->textSlots[c.op.b[8]], lumen::kTextSlotBytes, "%s", c.text);
    if (c.op.code() == lumen::kOpText && !b.gen->fontRasterizer()) {
        state.SkipWithError("no fonts installed");
        return;
    }
    for (auto _ : state) {
        b.gen->applyTextureOp(*b.tex, c.op);
        benchmark::DoNotOptimize(b.tex->layers[c.op.b[1]][0]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());  // items = layers
}

using namespace lumen;

const Case kCases[] = {
    // Generators.
    {"Noise", {{kOpNoise, 0, 1, 0, 1, 2, 3, 4}}, nullptr},
    {"NoiseOctave/grid16", {{kOpNoiseOctave, 0, 1, 16, 1, 2, 3, 4}}, nullptr},
    {"NoiseOctave/grid128_costly", {{kOpNoiseOctave, 0, 1, 128, 1, 2, 3, 4}}, nullptr},
    {"NoiseOctave/grid1_costly", {{kOpNoiseOctave, 0, 1, 1, 1, 2, 3, 4}}, nullptr},
    {"SinePlasma", {{kOpSinePlasma, 0, 2, 3, 10, 20, 0, 0, 0}}, nullptr},
    {"Cells/16points", {{kOpCells, 0, 0, 16, 20, 1, 2, 3, 4}}, nullptr},
    {"Cells/255points_costly", {{kOpCells, 0, 0, 255, 20, 1, 2, 3, 4}}, nullptr},
    {"RadialSpot/colour", {{kOpRadialSpot, 0, 0}}, nullptr},
    {"RadialSpot/channel", {{kOpRadialSpot, 0, 1, 2, 64}}, nullptr},
    {"Clear", {{kOpClear, 3}}, nullptr},
    // Text.
    {"Text/height40", {{kOpText, 2, 0, 40, 10, 10, 0, 0, 1}}, "Lumen"},
    {"Text/height157_costly", {{kOpText, 2, 3, 157, 35, 45, 0, 1, 2}}, "100"},
    // Distortions and filters.
    {"SineWarp", {{kOpSineWarp, 1, 2, 3, 8, 8, 0, 0}}, nullptr},
    {"Offset", {{kOpOffset, 1, 10, 20}}, nullptr},
    {"Twirl", {{kOpTwirl, 1, 140}}, nullptr},
    {"Blur/1pass", {{kOpBlur, 1, 1}}, nullptr},
    {"Blur/8passes_costly", {{kOpBlur, 1, 8}}, nullptr},
    {"Displace", {{kOpDisplace, 1, 2, 0, 16, 2, 1, 16}}, nullptr},
    {"Smear/16samples", {{kOpSmear, 1, 2, 0, 16}}, nullptr},
    {"Smear/255samples_costly", {{kOpSmear, 1, 2, 0, 255}}, nullptr},
    {"Emboss", {{kOpEmboss, 1}}, nullptr},
    // Colour and channel operations.
    {"CopyChannel", {{kOpCopyChannel, 0, 1, 2, 0}}, nullptr},
    {"Contrast", {{kOpContrast, 0, 40}}, nullptr},
    {"Invert", {{kOpInvert, 0}}, nullptr},
    {"Brightness", {{kOpBrightness, 0, 150}}, nullptr},
    {"SineMap", {{kOpSineMap, 0, 1, 3}}, nullptr},
    {"Range", {{kOpRange, 0, 0, 20, 230}}, nullptr},
    {"HueSaturation", {{kOpHueSaturation, 0, 30, 40}}, nullptr},
    {"GradientMap", {{kOpGradientMap, 0, 0, 10, 250, 20, 240, 30, 230}}, nullptr},
    // Layer combinations.
    {"Mix", {{kOpMix, 0, 2, 100}}, nullptr},
    {"Multiply", {{kOpMultiply, 0, 2}}, nullptr},
    {"Add", {{kOpAdd, 0, 2}}, nullptr},
    {"Lighten", {{kOpLighten, 0, 2}}, nullptr},
    {"Modulate", {{kOpModulate, 0, 2, 1}}, nullptr},
    {"MaskBlend", {{kOpMaskBlend, 0, 2, 3, 1}}, nullptr},
};

const bool kRegistered = [] {
    for (const Case& c : kCases)
        benchmark::RegisterBenchmark(c.name, [&c](benchmark::State& s) {
            runCase(s, c);
        })->Unit(benchmark::kMicrosecond);
    return true;
}();

}  // namespace
