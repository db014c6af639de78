// Fuzz target: the loader's image, scene and timeline sections (mesh building,
// deformers, cameras, clips, event references) over arbitrary bytes. The
// texture section is left out (its cost is the generator's, fuzzed nowhere
// here): the input is a pack without it, an empty one is put in for the model
// reader, and four blank textures with ids 0..3 stand in for it. A vertex
// budget keeps each run small in memory.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/runtime_random.h"
#include "pack/pack_lists.h"
#include "pack/pack_loader.h"
#include "pack/pack_model.h"
#include "pack/reader.h"
#include "texgen/texture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static lumen::RuntimeRandom random;
    static auto generator = lumen::initTextureGenerator(random);
    lumen::PackLoader loader(*generator);
    loader.setUploadImages(false);
    loader.setVertexBudget(50000);
    // The loader only reads textures, so one set serves every run.
    static lumen::PackLists textures = [] {
        lumen::PackLists t;
        for (int id = 0; id < 4; ++id) {
            auto texture = lumen::createTexture();
            texture->id = id;
            texture->layers[id][0] = 255;
            texture->next = t.textures;
            t.textures = texture.get();
            t.textureStore.push_back(std::move(texture));
        }
        return t;
    }();
    lumen::PackLists lists;
    lists.textures = textures.textures;
    // The float width, then an empty texture section, then the input's rest.
    std::vector<uint8_t> bytes(data, data + size);
    bytes.insert(bytes.begin() + 1, 0);
    try {
        const lumen::PackModel model = lumen::readPackModel(bytes);
        loader.buildImages(model, lists);
        loader.buildScenes(model, lists);
        loader.buildTimeline(model, lists);
    } catch (const lumen::PackError&) {
    }
    return 0;
}
