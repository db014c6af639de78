// The timeline's records: one timed event of a pack's event list, and the
// capture slots (render targets) that screen captures fill and effects read.
#pragma once
#include <cstdint>

#include "pack/pack_codes.h"

namespace lumen {

struct Scene;
struct Camera;

// One event, created zero-filled by the pack loader and appended to the active
// event list; list order is drawing order.
struct TimelineEvent {
    int type = 0;
    // Milliseconds, both ends inclusive: the pack stores units of 10 ms, and
    // endTime = stored * 10 + 9 so a chain of windows has neither gaps nor overlaps.
    int startTime = 0;
    int endTime = 0;
    int pass = 0;  // read from the pack, never used by the player

    // Rectangle in 640 x 480 virtual-screen units, y down.
    int x1Start = 0, x2Start = 0, y1Start = 0, y2Start = 0;
    int x1End = 0, x2End = 0, y1End = 0, y2End = 0;

    float colorStart[4] = {0, 0, 0, 0};  // RGBA, 0..1
    float colorEnd[4] = {0, 0, 0, 0};

    int blendSrc = 0;  // blend codes as stored (BlendCode); the drawer maps them to GL
    int blendDst = 0;

    int textured = 0;     // image layer: draw with its texture
    int targetIndex = 0;  // image layer: uploaded image id; capture/feedback/distortion: slot 0..19

    // Scene view: which scene, camera and clip, and the animation times at the
    // event's start and end in the animation's own units.
    int sceneId = 0, cameraId = 0, clipId = 0;
    int cameraTimeStart = 0, cameraTimeEnd = 0;
    int clipTimeStart = 0, clipTimeEnd = 0;

    int clearColor = 0;  // clear event flags
    int clearDepth = 0;

    int distortionType = 0;  // distortion grid pattern 0..7

    int feedbackCount = 0;  // zoom feedback layers
    float feedbackZoom = 0;

    float distortionStart = 0;  // distortion amount at start and end
    float distortionEnd = 0;

    // Resolved once at load: 0 when the image was not found.
    uint32_t textureName = 0;  // a GL texture name
    Scene* scene = nullptr;
    Camera* camera = nullptr;

    TimelineEvent* next = nullptr;
};

constexpr int kRenderTargetCount = 20;

// A capture slot: its texture, and where the last capture lies in it (for a
// capture vTop > vBottom). All zero until the first capture.
struct RenderTarget {
    uint32_t texture = 0;  // a GL texture name
    float uLeft = 0;
    float vTop = 0;
    float uRight = 0;
    float vBottom = 0;
};

}  // namespace lumen
