// Frame cost of the event player on the headless software renderer: a busy
// scene view (50 objects, three passes, fog, four lights) and a full-screen
// screen distortion at 640 x 480 and 1024 x 768.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>

#include "base/runtime_random.h"
#include "pack/pack_loader.h"
#include "pack/pack_source.h"
#include "platform/display.h"
#include "platform/gl.h"
#include "shell/loading.h"
#include "timeline/event_player.h"

namespace lumen {
namespace {

std::unique_ptr<platform::Display> openPicture(int w, int h) {
    platform::DisplayOptions options;
    options.width = w;
    options.height = h;
    options.fullscreen = false;
    options.headless = true;
    std::string error;
    auto display = platform::Display::open(options, &error);
    if (!display) {
        std::fprintf(stderr, "bench_timeline: no headless GL context: %s\n", error.c_str());
        return nullptr;
    }
    display->bindPicture();
    glEnable(GL_DEPTH_TEST);
    return display;
}

// Scene 1: fifty objects on a 10 x 5 grid, a mix of spheres and cubes; every
// third is see-through (blended pass) and every fourth sphere-mapped
// (environment pass). Fog and four lights.
std::string busySceneSource() {
    std::ostringstream s;
    s << "pack width 2\n"
         "texture id 1\n  op SinePlasma layer 0 xFrequency 3 yFrequency 2 xPhase 0 yPhase 0 channel 0\nend\n"
         "image imageId 1 sourceTexture 1 sourceLayer 0\n"
         "scene id 1 fog 1 fogColor 20 20 40 fogDensity 0.04\n"
         "  light kind directional ambient 30 30 30 diffuse 200 200 200 position 0 -1 -0.5\n"
         "  light kind point ambient 0 0 0 diffuse 255 200 150 position 3 -2 -3 attenuation 1 0 0\n"
         "  light kind point ambient 0 0 0 diffuse 150 150 255 position -3 -2 -3 attenuation 1 0.1 0\n"
         "  light kind spot ambient 0 0 0 diffuse 200 255 200 position 0 -5 0 attenuation 1 0 0 "
         "spotDirection 0 1 0 spotExponent 4 spotCutoff 60\n";
    for (int k = 0; k < 50; ++k) {
        const double x = (k % 10) * 1.2 - 5.4, y = (k / 10) * 1.2 - 2.4;
        s << "  object " << (k % 2 ? "cube" : "sphere rings 12 segments 16") << " id " << k + 1 << " parent -1 color "
          << 100 + k * 3 << " 180 " << 250 - k * 3 << " " << (k % 3 == 0 ? 160 : 255) << " textureId 1";
        if (k % 4 == 0) s << " texture2Id 1";
        s << " matrix 0.5 0 0 " << x << " 0 0.5 0 " << y << " 0 0 0.5 0\n";
    }
    s << "  camera id 0\n    key time 0 fov 60 roll 0 eye 0 0 -9 target 0 0 0\n  end\nend\n"
         "event clear start 0 end 999 clearColor 1 clearDepth 1\n"
         "event sceneView start 0 end 999 x2Start 639 y2Start 479 x2End 639 y2End 479 sceneId 1 "
         "cameraId 0\n";
    return s.str();
}

void BM_BusySceneFrame(benchmark::State& state) {
    auto display = openPicture(640, 480);
    if (!display) {
        state.SkipWithError("no GL context");
        return;
    }
    RuntimeRandom random;
    auto generator = initTextureGenerator(random);
    EventPlayer player(640, 480);
    player.createRenderTargets();
    player.fillJitter(random);
    PackLists active;
    player.setSceneLookup([&active](int id) { return findScene(active, id); });
    PackLoader loader(*generator);
    loader.loadPack(assemblePack(busySceneSource(), "busy.pack"), active);
    compileDisplayLists(active);
    drawShowFrame(player, active, 100);  // the first view only sets the camera
    for (auto _ : state) {
        drawShowFrame(player, active, 100);
        glFinish();
    }
    int faces = 0;
    for (const Scene& scene : active.scenes)
        for (int i = 0; i < scene.objectCount; ++i) faces += scene.objects[i].mesh.faceCount;
    state.counters["triangles"] = faces;
}
BENCHMARK(BM_BusySceneFrame)->Unit(benchmark::kMillisecond);

// A full-screen capture, then the distortion grid (twirl) drawn from it over
// the whole picture, as one frame.
void BM_FullScreenDistortion(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    auto display = openPicture(w, h);
    if (!display) {
        state.SkipWithError("no GL context");
        return;
    }
    EventPlayer player(w, h);
    player.createRenderTargets();
    RuntimeRandom random;
    player.fillJitter(random);
    TimelineEvent capture;
    capture.type = kEventScreenCapture;
    capture.x2Start = capture.x2End = 639;
    capture.y2Start = capture.y2End = 479;
    TimelineEvent distortion = capture;
    distortion.type = kEventScreenDistortion;
    distortion.distortionType = static_cast<int>(state.range(2));
    distortion.distortionStart = distortion.distortionEnd = 0.5f;
    for (float& c : distortion.colorStart) c = 1;
    for (float& c : distortion.colorEnd) c = 1;
    distortion.blendSrc = GL_ONE;
    distortion.blendDst = GL_ZERO;
    glClearColor(0.2f, 0.3f, 0.4f, 1);
    const bool withDistortion = state.range(2) >= 0;
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        player.drawEvent(capture, 0.5f);
        if (withDistortion) player.drawEvent(distortion, 0.5f);
        glFinish();
    }
}
// Pattern -1: the capture alone, for comparison.
BENCHMARK(BM_FullScreenDistortion)
    ->Args({640, 480, -1})
    ->Args({1024, 768, -1})
    ->Args({640, 480, 6})
    ->Args({1024, 768, 6})
    ->Args({640, 480, 4})
    ->Args({1024, 768, 4})
    ->ArgNames({"w", "h", "pattern"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumen
