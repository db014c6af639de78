// The event player.
//
// [SECTION] Start-up and the timeline walk
// [SECTION] Image layers
// [SECTION] Scene views
// [SECTION] Clears and captures
// [SECTION] Zoom feedback and distortion
// [SECTION] Cloth flag
#include "timeline/event_player.h"

#include <algorithm>
#include <vector>

#include "platform/gl.h"
#include "scene/draw_scene.h"
#include "scene/evaluate.h"
#include "scene/lights.h"
#include "timeline/blend_factor.h"
#include "timeline/restore_2d_state.h"

namespace lumen {

namespace {
// Every attribute group the player saves around a timeline, an event and
// the cloth.
constexpr GLbitfield kAllAttributes = 0xFFFFF;
}  // namespace

//-----------------------------------------------------------------------------
// [SECTION] Start-up and the timeline walk
//-----------------------------------------------------------------------------

int captureBlockSize(int pictureWidth, int pictureHeight) {
    int size = kCaptureSize;
    while (size < pictureWidth || size < pictureHeight) size *= 2;
    return size;
}

EventPlayer::EventPlayer(int windowWidth, int windowHeight)
    : width_(windowWidth), height_(windowHeight), captureSize_(captureBlockSize(windowWidth, windowHeight)) {}

void EventPlayer::createRenderTargets() {
    for (RenderTarget& t : targets_) {
        t = RenderTarget{};
        glGenTextures(1, &t.texture);
    }
    clearRenderTargets();
    glGenSamplers(1, &magnifySampler_);
    glSamplerParameteri(magnifySampler_, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glSamplerParameteri(magnifySampler_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void EventPlayer::clearRenderTargets() {
    static const uint8_t kBlack[2 * 2 * 4] = {};
    glPushAttrib(kAllAttributes);
    for (RenderTarget& t : targets_) {
        const GLuint texture = t.texture;
        t = RenderTarget{};
        t.texture = texture;
        glBindTexture(GL_TEXTURE_2D, t.texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, kBlack);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    }
    glPopAttrib();
    copied_ = {};
}

void EventPlayer::fillJitter(RuntimeRandom& random) { fillJitterTable(jitter_, random, 0.0, 0.53125, 0.625, 1.0); }

void EventPlayer::drawTimeline(const TimelineEvent* head, int t) {
    glPushAttrib(kAllAttributes);
    for (const TimelineEvent* e = head; e; e = e->next) {
        if (!eventActiveAt(*e, t)) continue;
        const float p = eventProgress(*e, t);
        drawEvent(*e, p);
        if (observer_) observer_(*e, false);
        if (isClothWindow(*e)) {
            runClothFlag(t, *e, p);
            if (observer_) observer_(*e, true);
        }
    }
    glPopAttrib();
}

void EventPlayer::drawEvent(const TimelineEvent& event, float p) {
    glPushAttrib(kAllAttributes);
    const EventRect r = eventRectangle(event, p, width_);
    switch (event.type) {
        case kEventImageLayer: drawImageLayer(event, r, p); break;
        case kEventSceneView: drawSceneView(event, r, p); break;
        case kEventClear: drawClear(event); break;
        case kEventScreenCapture: capture(event, r); break;
        case kEventZoomFeedback: drawZoomFeedback(event, r, p); break;
        case kEventScreenDistortion: drawScreenDistortion(event, r, p); break;
        default: break;
    }
    restore2DState(width_, height_);
    glPopAttrib();
}

// Model-view identity, the 640 x 480 virtual screen, the whole picture.
void EventPlayer::setup2D() const {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0, kVirtualWidth, kVirtualHeight, 0);
    glViewport(0, 0, width_, height_);
}

namespace {
// An event's blend factors. ONE, ZERO writes the source as it stands, the same
// bytes as no blending, which llvmpipe draws without reading the picture back.
void applyEventBlend(const TimelineEvent& event) {
    const unsigned src = blendFactorFromCode(event.blendSrc), dst = blendFactorFromCode(event.blendDst);
    if (src == GL_ONE && dst == GL_ZERO) {
        glDisable(GL_BLEND);
        return;
    }
    glEnable(GL_BLEND);
    glBlendFunc(src, dst);
}
}  // namespace

RenderTarget* EventPlayer::target(int index) {
    // A slot number outside the table names no texture: the event draws nothing.
    if (index < 0 || index >= kRenderTargetCount) return nullptr;
    return &targets_[index];
}

//-----------------------------------------------------------------------------
// [SECTION] Image layers
//-----------------------------------------------------------------------------

// The show's image textures are mipmapped and sampled trilinearly. A layer
// drawn larger than its texture on both axes only ever magnifies, where GL
// samples the top level bilinearly whatever the minifying filter; the margin
// keeps clear of a level of detail computed just above zero. Only a texture
// that differs from the sampler in nothing else qualifies (bilinear
// magnification, repeating edges), so any other texture keeps its own state.
namespace {
constexpr double kMagnifiedMargin = 1.02;
}

bool EventPlayer::drawnMagnified(const EventRect& r) const {
    GLint mag = 0, wrapS = 0, wrapT = 0, texelsWide = 0, texelsHigh = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    if (mag != GL_LINEAR || wrapS != GL_REPEAT || wrapT != GL_REPEAT) return false;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &texelsWide);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &texelsHigh);
    // Either texture axis may run either way on the screen: the larger one
    // must fit both ways.
    const double needed = kMagnifiedMargin * std::max(texelsWide, texelsHigh);
    const double across = (r.x2 - r.x1) * width_ / kVirtualWidth;
    const double down = (r.y2 - r.y1) * height_ / kVirtualHeight;
    return across >= needed && down >= needed;
}

void EventPlayer::drawImageLayer(const TimelineEvent& event, const EventRect& r, float p) {
    float color[4];
    eventColor(event, p, color);
    glDepthMask(GL_FALSE);
    setup2D();
    glColor4fv(color);
    applyEventBlend(event);
    const float x1 = static_cast<float>(r.x1), y1 = static_cast<float>(r.y1);
    const float x2 = static_cast<float>(r.x2), y2 = static_cast<float>(r.y2);
    if (event.textured) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, event.textureName);
        // The same texels as the mipmapped filter, found with a quarter
        // less work: llvmpipe skips the level-of-detail choice per pixel.
        const bool magnified = magnifySampler_ && drawnMagnified(r);
        if (magnified) glBindSampler(0, magnifySampler_);
        // The first texture coordinate runs down the screen, the second across.
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(x1, y1);
        glTexCoord2f(0, 1);
        glVertex2f(x2, y1);
        glTexCoord2f(1, 1);
        glVertex2f(x2, y2);
        glTexCoord2f(1, 0);
        glVertex2f(x1, y2);
        glEnd();
        if (magnified) glBindSampler(0, 0);
    } else {
        glDisable(GL_TEXTURE_2D);
        glBegin(GL_QUADS);
        glVertex2f(x1, y1);
        glVertex2f(x2, y1);
        glVertex2f(x2, y2);
        glVertex2f(x1, y2);
        glEnd();
    }
}

//-----------------------------------------------------------------------------
// [SECTION] Scene views
//-----------------------------------------------------------------------------

void EventPlayer::drawSceneView(const TimelineEvent& event, const EventRect& r, float p) {
    // A view whose scene was not found at load has nothing to show.
    if (!event.scene) return;
    Scene& scene = *event.scene;
    if (switches_.isSet(scene.id)) {
        const float clipTime = static_cast<float>(lerp(event.clipTimeStart, event.clipTimeEnd, p));
        evaluateClip(scene, clipTime, event.clipId);
        propagate(scene, -1, nullptr);
    }

    Camera* use = viewCamera(event, p);
    glLoadIdentity();
    // The very first view of a run has no earlier camera, so none is applied.
    if (currentCamera_) applyCamera(*use, static_cast<float>((r.x2 - r.x1) / (r.y2 - r.y1)), cameraMatrix_);
    currentCamera_ = use;

    const PixelRect vp = sceneViewport(r, width_, height_);
    // An empty or inverted rectangle would leave GL drawing into the previous
    // viewport; it shows nothing instead.
    if (vp.width <= 0 || vp.height <= 0) return;
    glViewport(vp.x, vp.y, vp.width, vp.height);
    glEnable(GL_BLEND);
    glEnable(GL_LIGHTING);
    drawScene(scene, cameraMatrix_);
}

Camera* EventPlayer::viewCamera(const TimelineEvent& event, float p) {
    Camera* eventCamera = event.camera;
    bool animated = false;
    if (eventCamera && eventCamera->tracks[kTrackEyeX].has_value()) {
        const float k = static_cast<float>(lerp(event.cameraTimeStart, event.cameraTimeEnd, p));
        Camera& c = *eventCamera;
        c.eye.x = evaluateTrack(c.tracks[kTrackEyeX], k);
        c.eye.y = evaluateTrack(c.tracks[kTrackEyeY], k);
        c.eye.z = evaluateTrack(c.tracks[kTrackEyeZ], k);
        c.target.x = evaluateTrack(c.tracks[kTrackTargetX], k);
        c.target.y = evaluateTrack(c.tracks[kTrackTargetY], k);
        c.target.z = evaluateTrack(c.tracks[kTrackTargetZ], k);
        c.fov = evaluateTrack(c.tracks[kTrackFov], k);
        c.roll = evaluateTrack(c.tracks[kTrackRoll], k);
        animated = c.tracks[kTrackEyeX]->keyCount() >= 1;
    }
    return animated ? eventCamera : currentCamera_;
}

void EventPlayer::replayCameras(const TimelineEvent* head, int t) {
    for (const TimelineEvent* e = head; e; e = e->next) {
        if (e->type != kEventSceneView || !e->scene || !eventActiveAt(*e, t)) continue;
        currentCamera_ = viewCamera(*e, eventProgress(*e, t));
    }
}

//-----------------------------------------------------------------------------
// [SECTION] Clears and captures
//-----------------------------------------------------------------------------

void EventPlayer::drawClear(const TimelineEvent& event) {
    GLbitfield mask = 0;
    if (event.clearColor) mask |= GL_COLOR_BUFFER_BIT;
    if (event.clearDepth) mask |= GL_DEPTH_BUFFER_BIT;
    if (mask) glClear(mask);
}

// The capture block reaches past the picture's edges; those texels are
// black, always, so a capture never shows what an earlier one left there.
void EventPlayer::capture(const TimelineEvent& event, const EventRect& r) {
    RenderTarget* slot = target(event.targetIndex);
    if (!slot) return;
    CopiedArea& area = copied_[event.targetIndex];
    const int size = captureSize_;
    // Zeros for a whole block, made once: the first capture into each slot needs them.
    if (zeros_.empty()) zeros_.assign(size_t(size) * size * 4, 0);
    const std::vector<uint8_t>& zeros = zeros_;

    setup2D();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, slot->texture);

    const PixelRect at = sceneViewport(r, width_, height_);
    const int x0 = std::max(at.x, 0), y0 = std::max(at.y, 0);
    const int x1 = std::min(at.x + size, width_), y1 = std::min(at.y + size, height_);
    CopiedArea next;
    next.full = true;
    next.x = x0 - at.x;
    next.y = y0 - at.y;
    next.width = std::max(0, x1 - x0);
    next.height = std::max(0, y1 - y0);

    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    if (!area.full) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, zeros.data());
    } else {
        const bool covered = area.width == 0 || area.height == 0 ||
                             (area.x >= next.x && area.y >= next.y && area.x + area.width <= next.x + next.width &&
                              area.y + area.height <= next.y + next.height);
        if (!covered)
            glTexSubImage2D(GL_TEXTURE_2D, 0, area.x, area.y, area.width, area.height, GL_RGBA, GL_UNSIGNED_BYTE,
                            zeros.data());
    }
    if (next.width > 0 && next.height > 0)
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, next.x, next.y, x0, y0, next.width, next.height);
    area = next;

    slot->uLeft = 0;
    slot->uRight = static_cast<float>((r.x2 - r.x1) * width_ / kVirtualWidth / size);
    slot->vTop = static_cast<float>((r.y2 - r.y1) * height_ / kVirtualHeight / size);
    slot->vBottom = 0;
}

//-----------------------------------------------------------------------------
// [SECTION] Zoom feedback and distortion
//-----------------------------------------------------------------------------

void EventPlayer::drawZoomFeedback(const TimelineEvent& event, const EventRect& r, float p) {
    RenderTarget* slot = target(event.targetIndex);
    if (!slot) return;
    float color[4];
    eventColor(event, p, color);
    setup2D();
    applyEventBlend(event);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, slot->texture);

    const double hu = (static_cast<double>(slot->uRight) - slot->uLeft) / 2;
    const double hv = (static_cast<double>(slot->vBottom) - slot->vTop) / 2;
    const double cu = (static_cast<double>(slot->uRight) + slot->uLeft) / 2;
    const double cv = (static_cast<double>(slot->vBottom) + slot->vTop) / 2;
    const float x1 = static_cast<float>(r.x1), y1 = static_cast<float>(r.y1);
    const float x2 = static_cast<float>(r.x2), y2 = static_cast<float>(r.y2);

    glBegin(GL_QUADS);
    for (int i = 0; i < event.feedbackCount; ++i) {
        // Layer 0 is the capture itself; a zoom of 0 would make its 0 / 0 scale NaN.
        const double s = i == 0 ? 1.0 : static_cast<double>(i) / event.feedbackCount / event.feedbackZoom + 1;
        const double b = (20 - i) * 0.05;
        glColor4f(static_cast<float>(color[0] * b), static_cast<float>(color[1] * b), static_cast<float>(color[2] * b),
                  static_cast<float>(color[3] * b));
        const float uLo = static_cast<float>(cu - hu / s), uHi = static_cast<float>(cu + hu / s);
        const float vLo = static_cast<float>(cv - hv / s), vHi = static_cast<float>(cv + hv / s);
        glTexCoord2f(uLo, vLo);
        glVertex2f(x1, y1);
        glTexCoord2f(uHi, vLo);
        glVertex2f(x2, y1);
        glTexCoord2f(uHi, vHi);
        glVertex2f(x2, y2);
        glTexCoord2f(uLo, vHi);
        glVertex2f(x1, y2);
    }
    glEnd();
}

void EventPlayer::drawScreenDistortion(const TimelineEvent& event, const EventRect& r, float p) {
    RenderTarget* slot = target(event.targetIndex);
    if (!slot) return;
    glDepthMask(GL_FALSE);
    const float amount = static_cast<float>(lerp(event.distortionStart, event.distortionEnd, p));
    float color[4];
    eventColor(event, p, color);
    setup2D();
    glColor4fv(color);
    applyEventBlend(event);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, slot->texture);
    const TextureRect rect{slot->uLeft, slot->vTop, slot->uRight, slot->vBottom};
    drawDistortion(event.distortionType, amount, static_cast<float>(r.x1), static_cast<float>(r.y1),
                   static_cast<float>(r.x2), static_cast<float>(r.y2), rect, jitter_);
}

//-----------------------------------------------------------------------------
// [SECTION] Cloth flag
//-----------------------------------------------------------------------------

void EventPlayer::runClothFlag(int t, const TimelineEvent& event, float p) {
    glPushAttrib(kAllAttributes);
    const EventRect r = eventRectangle(event, p, width_, /*nudge=*/false);
    // The simulation keeps time even when nothing can be drawn.
    cloth_.advanceTo(t);
    Scene* flagScene = findScene_ ? findScene_(1) : nullptr;
    const PixelRect vp = sceneViewport(r, width_, height_);
    // Without a camera or the scene whose fog and lights dress the flag there
    // is no way to place or light it: it is not drawn.
    if (currentCamera_ && flagScene && vp.width > 0 && vp.height > 0) {
        applyCamera(*currentCamera_, static_cast<float>((r.x2 - r.x1) / (r.y2 - r.y1)), cameraMatrix_);
        glViewport(vp.x, vp.y, vp.width, vp.height);
        const float fog[4] = {flagScene->fogColor[0], flagScene->fogColor[1], flagScene->fogColor[2],
                              flagScene->fogDensity};
        glEnable(GL_FOG);
        glFogfv(GL_FOG_COLOR, fog);
        glFogf(GL_FOG_DENSITY, flagScene->fogDensity);
        applyLights(*flagScene);
        drawClothFlag(cloth_);
    }
    restore2DState(width_, height_);
    glPopAttrib();
}

}  // namespace lumen
