// The event player: draws the active timeline at a show time, and owns what
// the events share across frames and packs: the render targets, the scene
// animation switches, the current camera, the jitter table and the cloth.
#pragma once
#include <array>
#include <functional>
#include <vector>

#include "scene/camera.h"
#include "scene/scene_records.h"
#include "timeline/animation_switches.h"
#include "timeline/cloth_flag.h"
#include "timeline/distortion_grid.h"
#include "timeline/event_rect.h"
#include "timeline/timeline_event.h"

namespace lumen {

class RuntimeRandom;

// Captures are 1024 x 1024 blocks of the picture, as long as the picture fits
// in one; a wider or taller picture gets the next power of two that holds it,
// so a capture never shows a cut-off, repeated picture.
constexpr int kCaptureSize = 1024;
int captureBlockSize(int pictureWidth, int pictureHeight);

class EventPlayer {
public:
    // How the cloth flag finds the scene whose fog and lights it borrows (id 1)
    // among the active pack's scenes.
    using SceneLookup = std::function<Scene*(int id)>;

    EventPlayer(int windowWidth, int windowHeight);

    // Start-up: 20 render targets, each a 2 x 2 black texture with linear
    // filtering, and the jitter table from the generator's current state.
    void createRenderTargets();
    void fillJitter(RuntimeRandom& random);

    void setSceneLookup(SceneLookup lookup) { findScene_ = std::move(lookup); }

    // Called after each event the timeline draws (and after the cloth, with
    // cloth true): measurements time the events one by one. Empty by default.
    using EventObserver = std::function<void(const TimelineEvent& event, bool cloth)>;
    void setEventObserver(EventObserver observer) { observer_ = std::move(observer); }

    // Draws every event of the list whose span holds t, in list order, each
    // with its progress, then the cloth flag after the events of its windows.
    void drawTimeline(const TimelineEvent* head, int t);

    // One event at progress p; leaves the 2D state and GL's attributes as
    // they were.
    void drawEvent(const TimelineEvent& event, float p);

    // The cloth flag inside the event's rectangle, caught up to t.
    void runClothFlag(int t, const TimelineEvent& event, float p);

    // What drawing the timeline at t does to the cameras (their tracks and
    // which one is current), without drawing: frames nobody will see still
    // leave the camera where the next frame starts from.
    void replayCameras(const TimelineEvent* head, int t);

    // Every slot back to its start-up 2 x 2 black texture, coordinates 0.
    void clearRenderTargets();
    void setCurrentCamera(Camera* camera) { currentCamera_ = camera; }
    int captureSize() const { return captureSize_; }

    int windowWidth() const { return width_; }
    int windowHeight() const { return height_; }

    SceneAnimationSwitches& animationSwitches() { return switches_; }
    const SceneAnimationSwitches& animationSwitches() const { return switches_; }
    Camera* currentCamera() const { return currentCamera_; }
    const CameraMatrix& cameraMatrix() const { return cameraMatrix_; }
    std::array<RenderTarget, kRenderTargetCount>& renderTargets() { return targets_; }
    const JitterTable& jitter() const { return jitter_; }
    ClothFlag& cloth() { return cloth_; }

private:
    void setup2D() const;
    void drawImageLayer(const TimelineEvent& event, const EventRect& r, float p);
    void drawSceneView(const TimelineEvent& event, const EventRect& r, float p);
    // Evaluates the view's camera tracks; returns the camera the view uses.
    Camera* viewCamera(const TimelineEvent& event, float p);
    void drawClear(const TimelineEvent& event);
    void capture(const TimelineEvent& event, const EventRect& r);
    void drawZoomFeedback(const TimelineEvent& event, const EventRect& r, float p);
    void drawScreenDistortion(const TimelineEvent& event, const EventRect& r, float p);
    RenderTarget* target(int index);
    bool drawnMagnified(const EventRect& r) const;

    int width_;
    int height_;
    int captureSize_;
    std::array<RenderTarget, kRenderTargetCount> targets_{};
    // Where each slot's texture holds copied pixels; everything else in a
    // capture texture is black.
    struct CopiedArea {
        bool full = false;  // the texture has its 1024 x 1024 image
        int x = 0, y = 0, width = 0, height = 0;
    };
    std::array<CopiedArea, kRenderTargetCount> copied_{};
    std::vector<uint8_t> zeros_;
    // Bilinear filtering without mipmaps, for image layers drawn larger than
    // their texture (see drawImageLayer).
    uint32_t magnifySampler_ = 0;
    SceneAnimationSwitches switches_;
    Camera* currentCamera_ = nullptr;
    CameraMatrix cameraMatrix_;
    JitterTable jitter_;
    ClothFlag cloth_;
    SceneLookup findScene_;
    EventObserver observer_;
};

}  // namespace lumen
