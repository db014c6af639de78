// Fuzz target: the loader's image, scene and timeline sections (mesh building,
// deformers, cameras, clips, event references) over arbitrary bytes. The
// texture section is left out (its cost is the generator's, fuzzed nowhere
// here): four blank textures with ids 0..3 stand in for it. A vertex budget
// keeps each run small in memory.
#include <cstddef>
#include <cstdint>
#include <span>

#include "base/runtime_random.h"
#include "pack/pack_lists.h"
#include "pack/pack_loader.h"
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
    lumen::PackReader reader(std::span<const uint8_t>(data, size));
    try {
        const int width = reader.readByte("float width");
        if (width < 1 || width > 4) return 0;
        loader.loadImageSection(reader, lists);
        loader.loadSceneSection(reader, width, lists);
        loader.loadTimelineSection(reader, width, lists);
    } catch (const lumen::PackError&) {
    }
    return 0;
}
