// lumenkit sheet: plays a binary pack's timeline headless at a fixed step and
// tiles the frames, each labelled with its show time, into one PNG.
#include <algorithm>
#include <chrono>
#include <cstdio>
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

// Digits 0-9 as 3 x 5 bitmaps, one row per 3 bits, top row first; enough for
// time labels, which are all a sheet writes.
constexpr uint16_t kDigits[10] = {0x7B6F, 0x2C97, 0x73E7, 0x73CF, 0x5BC9, 0x79CF, 0x79EF, 0x7249, 0x7BEF, 0x7BCF};
constexpr int kLabelScale = 2;
constexpr int kLabelHeight = 5 * kLabelScale + 4;

struct Canvas {
    int width, height;
    std::vector<uint8_t> rgba;
    void put(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        uint8_t* p = &rgba[(size_t(y) * width + x) * 4];
        p[0] = r, p[1] = g, p[2] = b, p[3] = 255;
    }
};

void drawLabel(Canvas& c, int x, int y, const std::string& text) {
    for (char ch : text) {
        if (ch >= '0' && ch <= '9') {
            const uint16_t bits = kDigits[ch - '0'];
            for (int row = 0; row < 5; ++row)
                for (int col = 0; col < 3; ++col)
                    if (bits >> (14 - row * 3 - col) & 1)
                        for (int dy = 0; dy < kLabelScale; ++dy)
                            for (int dx = 0; dx < kLabelScale; ++dx)
                                c.put(x + col * kLabelScale + dx, y + row * kLabelScale + dy, 255, 230, 0);
        }
        x += 4 * kLabelScale;
    }
}

// Box-filters a top-down frame of w x h pixels into the tile at (x0, y0).
void pasteScaled(Canvas& c, int x0, int y0, int tw, int th, const std::vector<uint8_t>& frame, int w, int h) {
    for (int ty = 0; ty < th; ++ty) {
        for (int tx = 0; tx < tw; ++tx) {
            const int sx0 = tx * w / tw, sx1 = std::max(sx0 + 1, (tx + 1) * w / tw);
            const int sy0 = ty * h / th, sy1 = std::max(sy0 + 1, (ty + 1) * h / th);
            unsigned sum[3] = {0, 0, 0}, n = 0;
            for (int sy = sy0; sy < sy1; ++sy)
                for (int sx = sx0; sx < sx1; ++sx, ++n)
                    for (int k = 0; k < 3; ++k) sum[k] += frame[(size_t(sy) * w + sx) * 4 + k];
            c.put(x0 + tx, y0 + ty, uint8_t(sum[0] / n), uint8_t(sum[1] / n), uint8_t(sum[2] / n));
        }
    }
}

struct SheetOptions {
    std::string pack, out;
    int from = 0, to = 512000, step = 8000, columns = 8, width = 640, height = 480, tile = 160;
    bool timings = false;
};

// The slowest frames of a sheet, each as (draw time in ms, show time).
void printSlowest(std::vector<std::pair<double, int>> times) {
    std::sort(times.begin(), times.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::printf("slowest frames (draw and finish, ms):\n");
    for (size_t k = 0; k < times.size() && k < 5; ++k)
        std::printf("  %8d ms  %7.2f\n", times[k].second, times[k].first);
}

void renderSheet(const SheetOptions& o) {
    if (o.step < 1 || o.to < o.from) throw CommandError("expected --step of at least 1 ms and --to not before --from");
    const std::vector<uint8_t> bytes = readFileBytes(o.pack);
    if (bytes.empty())
        throw CommandError(o.pack + ": header: byte 0: expected the float-width byte, the file is empty");

    lumen::platform::DisplayOptions options;
    options.width = o.width;
    options.height = o.height;
    options.fullscreen = false;
    options.headless = true;
    std::string error;
    auto display = lumen::platform::Display::open(options, &error);
    if (!display) throw CommandError("cannot open a headless OpenGL context: " + error);
    display->bindPicture();
    glEnable(GL_DEPTH_TEST);

    // The player's start-up order, as `lumenkit frame` sets it up.
    lumen::RuntimeRandom random;
    auto generator = lumen::initTextureGenerator(random);
    lumen::EventPlayer player(o.width, o.height);
    player.createRenderTargets();
    player.fillJitter(random);
    lumen::PackLists active;
    player.setSceneLookup([&active](int id) { return lumen::findScene(active, id); });
    player.animationSwitches().set(0);
    for (int id : lumen::kShowAnimatedScenes) player.animationSwitches().set(id);
    lumen::PackLoader loader(*generator);
    try {
        loader.loadPack(bytes, active);
    } catch (const lumen::PackError& e) {
        throw CommandError(o.pack + ": " + e.what());
    }
    lumen::compileDisplayLists(active);

    const int count = (o.to - o.from) / o.step + 1, columns = std::min(o.columns, count);
    const int rows = (count + columns - 1) / columns, tileH = o.tile * o.height / o.width;
    Canvas sheet{columns * o.tile, rows * (tileH + kLabelHeight), {}};
    sheet.rgba.assign(size_t(sheet.width) * sheet.height * 4, 0);
    for (size_t k = 3; k < sheet.rgba.size(); k += 4) sheet.rgba[k] = 255;
    // Frames are drawn in time order, as a running show draws them, so the
    // render targets, the current camera and the cloth carry over. One frame
    // at the first time goes before them, as the loading display would have:
    // a show never draws its first scene view without a camera in use.
    lumen::drawShowFrame(player, active, o.from);
    std::vector<std::pair<double, int>> times;
    {
        ProgressBar bar("drawing frames");
        for (int i = 0; i < count; ++i) {
            const int t = o.from + i * o.step;
            glClearColor(0, 0, 0, 0);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            const auto start = std::chrono::steady_clock::now();
            lumen::drawShowFrame(player, active, t);
            glFinish();
            times.emplace_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(), t);
            const int x = (i % columns) * o.tile, y = (i / columns) * (tileH + kLabelHeight);
            pasteScaled(sheet, x, y + kLabelHeight, o.tile, tileH, display->readPicture(), o.width, o.height);
            drawLabel(sheet, x + 3, y + 2, std::to_string(t));
            bar.update(float(i + 1) / float(count));
        }
    }
    if (o.timings) printSlowest(times);
    writePngRgba(o.out, sheet.width, sheet.height, sheet.rgba.data());
}

Registration reg([](CLI::App& app) {
    auto* sub = app.add_subcommand(
        "sheet", "Draw a binary pack's timeline at a fixed step and tile the frames, labelled in ms, into one PNG");
    auto o = std::make_shared<SheetOptions>();
    sub->add_option("PACK", o->pack, "Binary pack (all sections are loaded)")->required();
    sub->add_option("OUT", o->out, "PNG file to write")->required();
    sub->add_option("--from", o->from, "First show time in ms (default 0)");
    sub->add_option("--to", o->to, "Last show time in ms (default 512000)");
    sub->add_option("--step", o->step, "Time between frames in ms (default 8000)");
    sub->add_option("--columns", o->columns, "Frames per row (default 8)");
    sub->add_option("--tile", o->tile, "Width of one frame on the sheet in pixels (default 160)");
    sub->add_flag("--timings", o->timings, "Print the five slowest frames' draw times");
    sub->callback([o] { renderSheet(*o); });
});

}  // namespace

}  // namespace lumenkit
