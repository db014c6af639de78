// lumenkit frame: loads a binary pack headless (every section), draws its
// timeline at one show time twice, the way a running show would have drawn
// the frame before it, and writes the second picture as a PNG.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "command.h"
#include "file_io.h"
#include "pack/pack_loader.h"
#include "platform/display.h"
#include "platform/gl.h"
#include "png_io.h"
#include "scene/display_lists.h"
#include "shell/loading.h"
#include "timeline/animation_switches.h"
#include "timeline/event_player.h"

namespace lumenkit {

namespace {

std::vector<uint8_t> readPack(const std::string& path) {
    std::vector<uint8_t> bytes = readFileBytes(path);
    if (bytes.empty()) throw CommandError(path + ": header: byte 0: expected the float-width byte, the file is empty");
    return bytes;
}

void parseSize(const std::string& text, int* width, int* height) {
    int w = 0, h = 0;
    char x = 0, rest = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X') || w < 1 || h < 1 ||
        w > 8192 || h > 8192)
        throw CommandError("--size: expected WIDTHxHEIGHT with sides 1 to 8192, like 640x480; got '" + text + "'");
    *width = w;
    *height = h;
}

void renderFrame(const std::string& packPath, int time, const std::string& outPath, const std::string& size,
                 bool animateAll) {
    int width = 640, height = 480;
    parseSize(size, &width, &height);
    const std::vector<uint8_t> bytes = readPack(packPath);

    lumen::platform::DisplayOptions options;
    options.width = width;
    options.height = height;
    options.fullscreen = false;
    options.headless = true;
    std::string error;
    auto display = lumen::platform::Display::open(options, &error);
    if (!display) throw CommandError("cannot open a headless OpenGL context: " + error);
    display->bindPicture();
    glEnable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The player's start-up order: generator tables, render targets and the
    // jitter table from the generator's first draws, the switches.
    lumen::RuntimeRandom random;
    auto generator = lumen::initTextureGenerator(random);
    lumen::EventPlayer player(width, height);
    player.createRenderTargets();
    player.fillJitter(random);
    lumen::PackLists active;
    player.setSceneLookup([&active](int id) { return lumen::findScene(active, id); });
    if (animateAll) {
        player.animationSwitches().setAll();
    } else {
        player.animationSwitches().set(0);
        for (int id : lumen::kShowAnimatedScenes) player.animationSwitches().set(id);
    }

    lumen::PackLoader loader(*generator);
    {
        ProgressBar bar("loading textures");
        loader.setProgress([&bar](float p) { bar.update(p); });
        try {
            loader.loadPack(bytes, active);
        } catch (const lumen::PackError& e) {
            throw CommandError(packPath + ": " + e.what());
        }
    }
    lumen::compileDisplayLists(active);

    // The first draw leaves the current camera, the render targets and the
    // cloth where a running show would have them for the second.
    lumen::drawShowFrame(player, active, time);
    lumen::drawShowFrame(player, active, time);
    glFinish();
    std::vector<uint8_t> pixels = display->readPicture();
    // A screen shows no alpha: the picture is written opaque, as it is seen.
    for (size_t k = 3; k < pixels.size(); k += 4) pixels[k] = 255;
    writePngRgba(outPath, width, height, pixels.data());
}

Registration reg([](CLI::App& app) {
    auto* sub =
        app.add_subcommand("frame", "Draw a binary pack's timeline at one show time, headless, and write it as PNG");
    auto pack = std::make_shared<std::string>();
    auto time = std::make_shared<int>(0);
    auto out = std::make_shared<std::string>();
    auto size = std::make_shared<std::string>("640x480");
    auto animateAll = std::make_shared<bool>(false);
    sub->add_option("PACK", *pack, "Binary pack (all sections are loaded)")->required();
    sub->add_option("TIME", *time, "Show time in milliseconds")->required();
    sub->add_option("OUT", *out, "PNG file to write (rows top-down)")->required();
    sub->add_option("--size", *size, "Picture size WIDTHxHEIGHT (default 640x480)");
    sub->add_flag("--animate-all", *animateAll, "Animate every scene, not only those the player animates");
    sub->callback([=] { renderFrame(*pack, *time, *out, *size, *animateAll); });
});

}  // namespace

}  // namespace lumenkit
