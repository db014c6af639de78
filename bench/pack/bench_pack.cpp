// Pack throughput: walking, assembling and disassembling the built-in packs,
// loading the main pack's sections after the textures (meshes, deformers,
// clips, events) and the whole main pack, without GL.
#include <benchmark/benchmark.h>

#include "base/runtime_random.h"
#include "content/packs.h"
#include "pack/pack_lists.h"
#include "pack/pack_loader.h"
#include "pack/pack_model.h"
#include "pack/pack_source.h"
#include "texgen/texture.h"

namespace {

void BM_ReadPackModel(benchmark::State& state) {
    auto bytes = lumen::content::mainPack();
    for (auto _ : state) benchmark::DoNotOptimize(lumen::readPackModel(bytes));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadPackModel);

void BM_DisassembleAndAssemble(benchmark::State& state) {
    lumen::PackModel model = lumen::readPackModel(lumen::content::mainPack());
    for (auto _ : state) {
        std::string source = lumen::disassemblePack(model);
        benchmark::DoNotOptimize(lumen::assemblePack(source, "main.pack"));
    }
}
BENCHMARK(BM_DisassembleAndAssemble)->Unit(benchmark::kMicrosecond);

void BM_LoadScenesAndTimeline(benchmark::State& state) {
    auto bytes = lumen::content::mainPack();
    lumen::RuntimeRandom random;
    auto generator = lumen::initTextureGenerator(random);
    lumen::PackLists textures;
    lumen::PackLoader textureLoader(*generator);
    textureLoader.setUploadImages(false);
    textureLoader.loadTexturesOnly(bytes, textures);
    for (auto _ : state) {
        lumen::PackLists lists;
        lists.textures = textures.textures;
        lumen::PackLoader loader(*generator);
        loader.setUploadImages(false);
        // The whole model is read (the texture programs too) before building.
        const lumen::PackModel model = lumen::readPackModel(bytes);
        loader.buildImages(model, lists);
        loader.buildScenes(model, lists);
        loader.buildTimeline(model, lists);
        benchmark::DoNotOptimize(lists.eventsHead);
    }
}
BENCHMARK(BM_LoadScenesAndTimeline)->Unit(benchmark::kMicrosecond);

// The whole main pack as the player loads it, minus the GL upload: texture
// programs, images, meshes, deformers, clips and events.
void BM_LoadMainPack(benchmark::State& state) {
    auto bytes = lumen::content::mainPack();
    for (auto _ : state) {
        lumen::RuntimeRandom random;
        auto generator = lumen::initTextureGenerator(random);
        lumen::PackLists lists;
        lumen::PackLoader loader(*generator);
        loader.setUploadImages(false);
        loader.loadPack(bytes, lists);
        benchmark::DoNotOptimize(lists.eventsHead);
    }
}
BENCHMARK(BM_LoadMainPack)->Unit(benchmark::kMillisecond);

}  // namespace
