// The loading sequence, the loading display and the show frame.
#include "shell/loading.h"

#include <cmath>

#include "pack/pack_loader.h"
#include "platform/gl.h"
#include "scene/display_lists.h"
#include "timeline/restore_2d_state.h"
#include "timeline/scripted_rotation.h"

namespace lumen {

int loadingTimelineTime(float p) {
    // Stored as a float before the truncation: 1.025f x 5000 is 5124.9998 in
    // double but exactly 5125 as a float, and the display shows 5125.
    const float ms = p * 5000.0f;
    return static_cast<int>(ms);
}

void drawShowFrame(EventPlayer& player, PackLists& active, int showTime) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    Scene* machine = findScene(active, kScriptedRotationSceneId);
    scriptedRotation(machine, showTime, 1.0f, player.animationSwitches());
    player.drawTimeline(active.eventsHead, showTime);
    scriptedRotation(machine, showTime, -1.0f, player.animationSwitches());
}

void compileDisplayLists(PackLists& lists) {
    for (Scene& scene : lists.scenes) compileDisplayLists(scene);
}

LoadingSequence::LoadingSequence(EventPlayer& player, TextureGenerator& generator, RuntimeRandom& random,
                                 LoadingHost& host)
    : player_(player), generator_(generator), random_(random), host_(host) {
    // The player always looks in the active set: the swap exchanges what the
    // two sets hold, never which object is active.
    player_.setSceneLookup([this](int id) { return findScene(active_, id); });
}

LoadingSequence::~LoadingSequence() = default;

void LoadingSequence::run(std::span<const uint8_t> loaderPack, std::span<const uint8_t> mainPack) {
    player_.createRenderTargets();
    player_.fillJitter(random_);
    player_.cloth().reset();
    player_.animationSwitches().set(0);

    // The loader lives as long as the sequence: what it loads may refer to it.
    loader_ = std::make_unique<PackLoader>(generator_);
    loader_->setProgress([this](float p) { loadingDisplay(p); });
    if (!loaderPack.empty()) loader_->loadPack(loaderPack, active_);
    compileDisplayLists(active_);
    swapPackLists(active_, parked_);

    progressHook_ = [this](float p) { loadingDisplay(p); };
    if (!mainPack.empty()) loader_->loadPack(mainPack, active_);
    compileDisplayLists(active_);
}

void LoadingSequence::loadingDisplay(float p) {
    if (host_.handleWaitingEvent()) return;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    swapPackLists(active_, parked_);
    player_.drawTimeline(active_.eventsHead, loadingTimelineTime(p));
    swapPackLists(active_, parked_);
    restore2DState(player_.windowWidth(), player_.windowHeight());
    host_.present();
    ++framesDrawn_;
}

}  // namespace lumen
