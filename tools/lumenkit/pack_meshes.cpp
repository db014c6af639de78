// Builds a pack's content without GL to report the size of every built mesh.
#include "pack_meshes.h"

#include <algorithm>

#include "base/runtime_random.h"
#include "pack/pack_lists.h"
#include "pack/pack_loader.h"
#include "texgen/texture.h"

namespace lumenkit {

std::vector<std::vector<BuiltObjectSize>> buildObjectSizes(const lumen::PackModel& model, long vertexBudget,
                                                           const std::function<void(float)>& progress) {
    // Deformers displace meshes by generated textures, so those are built too;
    // images keep their pixels without an upload.
    lumen::RuntimeRandom random;
    auto generator = lumen::initTextureGenerator(random);
    lumen::PackLoader loader(*generator);
    loader.setUploadImages(false);
    loader.setVertexBudget(vertexBudget);
    loader.setProgress(progress);
    lumen::PackLists lists;
    loader.buildPack(model, lists);

    // The list holds scenes newest first; report them in pack order.
    std::vector<std::vector<BuiltObjectSize>> sizes;
    for (const lumen::Scene& s : lists.scenes) {
        std::vector<BuiltObjectSize>& objects = sizes.emplace_back();
        for (int o = 0; o < s.objectCount; ++o) {
            const lumen::Mesh& mesh = s.objects[static_cast<std::size_t>(o)].mesh;
            objects.push_back({mesh.vertexCount, mesh.faceCount});
        }
    }
    std::reverse(sizes.begin(), sizes.end());
    return sizes;
}

}  // namespace lumenkit
