// lumenkit texture: runs the texture section of a binary pack through the
// texture generator (one scratch image shared by every program, in pack order)
// and writes layers out as raw RGBA or PNG.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "command.h"
#include "file_io.h"
#include "pack/pack_loader.h"
#include "png_io.h"
#include "texgen/texture.h"

namespace lumenkit {

namespace {

std::vector<uint8_t> readWholeFile(const std::string& path) {
    std::vector<uint8_t> bytes = readFileBytes(path);
    if (bytes.empty()) throw CommandError(path + ": byte 0: expected the float-width header byte, the file is empty");
    return bytes;
}

struct TextureOptions {
    std::string pack;
    int id = -1;
    int layer = -1;
    std::string raw;
    std::string png;
    std::string all;
};

// Option checks, one generator run and the three output forms in sequence.
void runTexture(const TextureOptions& o) {
    const bool oneLayer = !o.raw.empty() || !o.png.empty();
    if (!oneLayer && o.all.empty()) throw CommandError("texture: nothing to write: give --raw, --png or --all");
    if (oneLayer && (o.id < 0 || o.layer < 0)) throw CommandError("texture: --raw and --png need --id and --layer");

    const std::vector<uint8_t> bytes = readWholeFile(o.pack);
    lumen::RuntimeRandom random;
    auto generator = lumen::initTextureGenerator(random);
    lumen::PackLoader loader(*generator);
    loader.setUploadImages(false);
    lumen::PackLists lists;
    {
        ProgressBar bar("textures");
        loader.setProgress([&bar](float p) { bar.update(p); });
        try {
            loader.loadTexturesOnly(bytes, lists);
        } catch (const lumen::PackError& e) {
            bar.finish();
            throw CommandError(o.pack + ": " + e.what());
        }
    }

    if (oneLayer) {
        const lumen::Texture* texture = lumen::findTexture(lists.textures, o.id);
        if (!texture) {
            std::string ids;
            std::set<int> seen;
            for (const lumen::Texture* t = lists.textures; t; t = t->next) seen.insert(t->id);
            for (int id : seen) ids += (ids.empty() ? "" : ", ") + std::to_string(id);
            throw CommandError(o.pack + ": no texture with id " + std::to_string(o.id) +
                               (ids.empty() ? " (the pack has no textures)" : " (ids present: " + ids + ")"));
        }
        const uint8_t* layer = texture->layers[o.layer];
        if (!o.raw.empty()) writeFileAtomically(o.raw, layer, lumen::kLayerBytes);
        if (!o.png.empty()) writePngRgba(o.png, lumen::kTextureSize, lumen::kTextureSize, layer);
    }

    if (!o.all.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(o.all, ec);
        if (ec) throw CommandError(o.all + ": cannot create directory: " + ec.message());
        // The texture each id finds is the newest; older ones with the same id
        // are never seen by the show and are only counted.
        std::map<int, const lumen::Texture*> visible;
        int shadowed = 0;
        for (const lumen::Texture* t = lists.textures; t; t = t->next) {
            if (visible.count(t->id))
                ++shadowed;
            else
                visible[t->id] = t;
        }
        ProgressBar bar("writing");
        int done = 0;
        for (const auto& [id, texture] : visible) {
            for (int l = 0; l < lumen::kLayerCount; ++l) {
                const std::string path =
                    (std::filesystem::path(o.all) / ("tex" + std::to_string(id) + "_l" + std::to_string(l) + ".png"))
                        .string();
                writePngRgba(path, lumen::kTextureSize, lumen::kTextureSize, texture->layers[l]);
                bar.update(float(++done) / float(visible.size() * lumen::kLayerCount));
            }
        }
        bar.finish();
        if (shadowed > 0)
            std::fprintf(stderr,
                         "lumenkit: %d texture(s) hidden by a newer texture with the same id were not written\n",
                         shadowed);
    }
}

Registration reg([](CLI::App& app) {
    auto options = std::make_shared<TextureOptions>();
    auto* sub = app.add_subcommand("texture", "Run a pack's texture section and write generated layers");
    sub->add_option("PACK", options->pack, "binary pack file (header byte, then the texture section)")
        ->required()
        ->check(CLI::ExistingFile);
    sub->add_option("--id", options->id, "texture id (the newest texture with this id, as the show finds it)")
        ->check(CLI::Range(0, 255));
    sub->add_option("--layer", options->layer, "layer 0..3")->check(CLI::Range(0, 3));
    sub->add_option("--raw", options->raw, "write the layer as 262144 bytes: rows top-down, R G B A");
    sub->add_option("--png", options->png, "write the layer as an RGBA PNG");
    sub->add_option("--all", options->all, "write every layer of every texture as DIR/tex<id>_l<layer>.png");
    sub->callback([options] { runTexture(*options); });
});

}  // namespace

}  // namespace lumenkit
