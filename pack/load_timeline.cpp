// Timeline section: events appended in pack order, times to milliseconds,
// colours expanded, blend codes kept as stored, images, scenes and cameras resolved.
#include "pack/pack_loader.h"

namespace lumen {

// One byte walk per event in stream order; it goes away when the loaders build
// from the pack model.
void PackLoader::loadTimelineSection(PackReader& r, int width, PackLists& active) {
    r.setSection("timeline section");
    const int count = r.readSignedInt16("event count");
    for (int n = 0; n < count; ++n) {
        auto owned = std::make_unique<TimelineEvent>();
        TimelineEvent& e = *owned;
        active.eventStore.push_back(std::move(owned));
        if (active.eventsTail) {
            active.eventsTail->next = &e;
        } else {
            active.eventsHead = &e;
        }
        active.eventsTail = &e;

        const int kind = r.readByte("event kind");
        e.type = kind;
        e.startTime = r.readInt16("event start") * 10;
        e.endTime = r.readInt16("event end") * 10 + 9;
        e.pass = r.readByte("event pass");
        if (eventHasRectangle(kind)) {
            int* rect[8] = {&e.x1Start, &e.y1Start, &e.x2Start, &e.y2Start, &e.x1End, &e.y1End, &e.x2End, &e.y2End};
            for (int* v : rect) *v = r.readSignedInt16("event rectangle");
        }
        if (eventHasColours(kind)) {
            for (float& c : e.colorStart) c = colorByte(r.readByte("event colour"));
            for (float& c : e.colorEnd) c = colorByte(r.readByte("event colour"));
            e.blendSrc = r.readByte("blend source code");
            e.blendDst = r.readByte("blend destination code");
        }
        switch (kind) {
            case kEventImageLayer:
                e.textured = r.readByte("textured flag");
                e.targetIndex = r.readByte("image id");
                if (const UploadedImage* image = findUploadedImage(active.images, e.targetIndex)) {
                    e.textureName = image->glName;
                }
                break;
            case kEventSceneView:
                e.sceneId = r.readByte("scene id");
                e.cameraId = r.readByte("camera id");
                e.clipId = r.readByte("clip id");
                e.cameraTimeStart = r.readSignedInt16("camera time");
                e.cameraTimeEnd = r.readSignedInt16("camera time");
                e.clipTimeStart = r.readSignedInt16("clip time");
                e.clipTimeEnd = r.readSignedInt16("clip time");
                e.scene = findScene(active, e.sceneId);
                e.camera = e.scene ? findCamera(*e.scene, e.cameraId) : nullptr;
                break;
            case kEventClear:
                e.clearColor = r.readByte("clear colour flag");
                e.clearDepth = r.readByte("clear depth flag");
                break;
            case kEventScreenCapture:
                e.targetIndex = r.readByte("render target");
                break;
            case kEventZoomFeedback:
                e.targetIndex = r.readByte("render target");
                e.feedbackCount = r.readByte("feedback count");
                e.feedbackZoom = r.readPackedFloat(width, "feedback zoom");
                break;
            case kEventScreenDistortion:
                e.targetIndex = r.readByte("render target");
                e.distortionType = r.readByte("distortion type");
                e.distortionStart = r.readPackedFloat(width, "distortion start");
                e.distortionEnd = r.readPackedFloat(width, "distortion end");
                break;
            default:
                break;
        }
    }
}

}  // namespace lumen
