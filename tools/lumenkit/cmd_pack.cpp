// lumenkit pack: assemble readable pack source into a binary pack, disassemble
// a binary pack into source, and summarise a pack (sections, scenes, objects
// with their built meshes, events), as text or JSON.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "file_io.h"
#include "pack/pack_model.h"
#include "pack/pack_source.h"
#include "pack/reader.h"
#include "pack_meshes.h"
#include "song_command.h"

namespace lumenkit {

namespace {

lumen::PackModel readModel(const std::string& path, const std::vector<uint8_t>& bytes) {
    try {
        return lumen::readPackModel(bytes);
    } catch (const lumen::PackError& e) {
        throw CommandError(path + ": " + e.what());
    }
}

constexpr long kVertexBudget = 8L * 1024 * 1024;

std::string typeName(int type) {
    std::string_view name = lumen::objectTypeName(type);
    return name.empty() ? std::to_string(type) : std::string(name);
}

std::string kindName(int kind) {
    std::string_view name = lumen::eventKindName(kind);
    return name.empty() ? "kind " + std::to_string(kind) : std::string(name);
}

// One JSON object per section, built in pack order from one load; splitting it
// would pass the half-built document around.
nlohmann::json packInfo(const std::string& path, const std::vector<uint8_t>& bytes) {
    using nlohmann::json;
    const lumen::PackModel model = readModel(path, bytes);
    std::vector<std::vector<BuiltObjectSize>> built;
    {
        ProgressBar bar("building textures");
        try {
            // A user's file is not trusted: refuse meshes beyond any real show's size.
            built = buildObjectSizes(model, kVertexBudget, [&](float p) { bar.update(p); });
        } catch (const lumen::PackError& e) {
            throw CommandError(path + ": " + e.what());
        }
    }

    json info;
    info["width"] = model.width;
    info["size"] = bytes.size();
    auto range = [](const lumen::SectionRange& r) { return json{{"begin", r.begin}, {"end", r.end}}; };
    info["sections"] = {{"header", range(model.header)},
                        {"textures", range(model.textureSection)},
                        {"images", range(model.imageSection)},
                        {"scenes", range(model.sceneSection)},
                        {"timeline", range(model.timelineSection)}};
    info["textures"] = json::array();
    for (const auto& t : model.textures) info["textures"].push_back({{"id", t.id}, {"ops", t.ops.size()}});
    info["images"] = json::array();
    for (const auto& i : model.images) {
        info["images"].push_back({{"id", i.imageId}, {"texture", i.sourceTexture}, {"layer", i.sourceLayer}});
    }
    info["scenes"] = json::array();
    for (std::size_t i = 0; i < model.scenes.size() && i < built.size(); ++i) {
        const lumen::SceneRecord& record = model.scenes[i];
        json objects = json::array();
        for (std::size_t o = 0; o < record.objects.size() && o < built[i].size(); ++o) {
            const lumen::ObjectRecord& obj = record.objects[o];
            objects.push_back({{"id", obj.id},
                               {"type", obj.type()},
                               {"typeName", typeName(obj.type())},
                               {"parent", obj.parentId},
                               {"vertices", built[i][o].vertices},
                               {"faces", built[i][o].faces}});
        }
        info["scenes"].push_back({{"id", record.id},
                                  {"fog", record.fog != 0},
                                  {"lights", record.lights.size()},
                                  {"cameras", record.cameras.size()},
                                  {"clips", record.clips.size()},
                                  {"objects", objects}});
    }
    info["events"] = json::array();
    std::map<std::string, int> counts;
    long first = 0, last = 0;
    bool any = false;
    for (const lumen::EventRecord& e : model.events) {
        // Stored in units of 10 ms; an end covers its whole last unit.
        const long start = e.start * 10L, end = e.end * 10L + 9;
        info["events"].push_back({{"kind", e.kind}, {"kindName", kindName(e.kind)}, {"start", start}, {"end", end}});
        ++counts[kindName(e.kind)];
        first = any ? std::min(first, start) : start;
        last = any ? std::max(last, end) : end;
        any = true;
    }
    info["eventCounts"] = counts;
    info["timeSpan"] = any ? json{{"start", first}, {"end", last}} : json(nullptr);
    return info;
}

void printInfo(const nlohmann::json& info, std::ostream& out) {
    out << "float width " << info["width"] << ", " << info["size"] << " bytes\n";
    for (const char* name : {"header", "textures", "images", "scenes", "timeline"}) {
        const auto& r = info["sections"][name];
        out << "  " << name << ": bytes " << r["begin"] << " to " << r["end"] << " ("
            << r["end"].get<std::size_t>() - r["begin"].get<std::size_t>() << ")\n";
    }
    out << info["textures"].size() << " textures:";
    for (const auto& t : info["textures"]) out << " " << t["id"] << "(" << t["ops"] << " ops)";
    out << "\n" << info["images"].size() << " images:";
    for (const auto& i : info["images"]) out << " " << i["id"] << "=" << i["texture"] << "/" << i["layer"];
    out << "\n" << info["scenes"].size() << " scenes\n";
    for (const auto& s : info["scenes"]) {
        out << "  scene " << s["id"] << ": " << s["objects"].size() << " objects, " << s["lights"] << " lights, "
            << s["cameras"] << " cameras, " << s["clips"] << " clips" << (s["fog"].get<bool>() ? ", fog" : "") << "\n";
        for (const auto& o : s["objects"]) {
            out << "    object " << o["id"] << " " << o["typeName"].get<std::string>() << " parent " << o["parent"]
                << ": " << o["vertices"] << " vertices, " << o["faces"] << " faces\n";
        }
    }
    out << info["events"].size() << " events";
    if (!info["timeSpan"].is_null()) {
        out << " spanning " << info["timeSpan"]["start"] << " to " << info["timeSpan"]["end"] << " ms";
    }
    out << "\n";
    for (const auto& [kind, count] : info["eventCounts"].items()) out << "  " << kind << ": " << count << "\n";
}

static Registration reg([](CLI::App& app) {
    auto* pack = app.add_subcommand("pack", "assemble, disassemble and inspect packs");
    pack->require_subcommand(1);

    struct AsmOptions {
        std::string source, output;
        SongInputOptions song;
    };
    auto asmOptions = std::make_shared<AsmOptions>();
    auto* assemble = pack->add_subcommand("asm", "assemble pack source into a binary pack");
    assemble->add_option("SRC", asmOptions->source, "pack source file")->required();
    assemble->add_option("-o,--output", asmOptions->output, "binary pack to write")->required();
    addSongInputOptions(*assemble, asmOptions->song);
    assemble->footer(
        "Event times written as song positions (@ORDER:ROW, @ORDER:ROW+MS, @ORDER:ROW-MS) resolve to show times "
        "on the first pass of the built-in song, or of the song given by --image, --planes and --defs.");
    assemble->callback([asmOptions] {
        std::vector<uint8_t> text = readFileBytes(asmOptions->source);
        std::vector<uint8_t> bytes;
        try {
            bytes = lumen::assemblePack(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()),
                                        asmOptions->source, songPositionLookup(asmOptions->song));
        } catch (const lumen::PackSourceError& e) {
            throw CommandError(e.what());
        } catch (const std::invalid_argument& e) {
            throw CommandError(asmOptions->source + ": " + e.what());
        }
        writeFileAtomically(asmOptions->output, bytes.data(), bytes.size());
    });

    struct DisOptions {
        std::string pack, output;
    };
    auto disOptions = std::make_shared<DisOptions>();
    auto* disassemble = pack->add_subcommand("dis", "disassemble a binary pack into pack source");
    disassemble->add_option("PACK", disOptions->pack, "binary pack file")->required();
    disassemble->add_option("-o,--output", disOptions->output, "source file to write (default: standard output)");
    disassemble->callback([disOptions] {
        std::vector<uint8_t> bytes = readFileBytes(disOptions->pack);
        std::string source = "# disassembled from " + disOptions->pack + "\n" +
                             lumen::disassemblePack(readModel(disOptions->pack, bytes));
        if (disOptions->output.empty()) {
            std::cout << source;
            std::cout.flush();
            if (!std::cout) throw CommandError("standard output: write failed");
        } else {
            writeFileAtomically(disOptions->output, source.data(), source.size());
        }
    });

    struct InfoOptions {
        std::string pack;
        bool json = false;
    };
    auto infoOptions = std::make_shared<InfoOptions>();
    auto* info = pack->add_subcommand("info",
                                      "summarise a pack: sections and byte ranges, textures, images, scenes with "
                                      "every object's built mesh, events (no GL needed)");
    info->add_option("PACK", infoOptions->pack, "binary pack file")->required();
    info->add_flag("--json", infoOptions->json, "write one JSON document");
    info->callback([infoOptions] {
        nlohmann::json summary = packInfo(infoOptions->pack, readFileBytes(infoOptions->pack));
        if (infoOptions->json) {
            std::cout << summary.dump(2) << "\n";
        } else {
            printInfo(summary, std::cout);
        }
        std::cout.flush();
        if (!std::cout) throw CommandError("standard output: write failed");
    });
});

}  // namespace

}  // namespace lumenkit
