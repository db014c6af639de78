// Helpers for the pack tests: assembling inline pack sources and loading them
// into fresh list sets without a GL context.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/runtime_random.h"
#include "pack/pack_lists.h"
#include "pack/pack_loader.h"
#include "pack/pack_source.h"
#include "pack/reader.h"
#include "texgen/texture.h"

namespace lumen::testing {

// The PackError `run` throws, or nothing when it returns normally; other
// exceptions pass through so they fail the test.
template <class Run>
std::optional<PackError> packErrorOf(Run&& run) {
    try {
        run();
    } catch (const PackError& e) {
        return e;
    }
    return std::nullopt;
}

inline std::vector<uint8_t> assemble(const std::string& source) { return assemblePack(source, "test.pack"); }

// A fresh generator, loader and list set; images are recorded, not uploaded.
struct LoadFixture {
    RuntimeRandom random;
    std::unique_ptr<TextureGenerator> generator = initTextureGenerator(random);
    PackLoader loader{*generator};
    PackLists lists;

    LoadFixture() { loader.setUploadImages(false); }
    void load(const std::vector<uint8_t>& bytes) { loader.loadPack(bytes, lists); }
    void load(const std::string& source) { load(assemble(source)); }
    // Loads the source and returns its newest scene.
    Scene& loadScene(const std::string& source) {
        load(source);
        return lists.scenes.front();
    }
};

}  // namespace lumen::testing
