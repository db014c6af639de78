// Timeline section: events built from their records and appended in pack
// order, times to milliseconds, colours expanded, blend codes kept as stored
// (the drawing code maps them to GL), images, scenes and cameras resolved.
#include "pack/pack_loader.h"
#include "pack/record_values.h"

namespace lumen {

namespace {

// The fields of one event from its record: times to milliseconds, colours
// expanded. References are resolved by the caller.
void setEventFields(const EventRecord& record, int width, TimelineEvent& e) {
    const int kind = record.kind;
    e.type = kind;
    e.startTime = record.start * 10;
    e.endTime = record.end * 10 + 9;
    e.pass = record.pass;
    if (eventHasRectangle(kind)) {
        int* rect[8] = {&e.x1Start, &e.y1Start, &e.x2Start, &e.y2Start, &e.x1End, &e.y1End, &e.x2End, &e.y2End};
        for (std::size_t i = 0; i < 8; ++i) *rect[i] = record.rect[i];
    }
    if (eventHasColours(kind)) {
        for (std::size_t c = 0; c < 4; ++c) e.colorStart[c] = colorByte(record.colors[c]);
        for (std::size_t c = 0; c < 4; ++c) e.colorEnd[c] = colorByte(record.colors[4 + c]);
        e.blendSrc = record.blend[0];
        e.blendDst = record.blend[1];
    }
    switch (kind) {
        case kEventImageLayer:
            e.textured = record.bytes[0];
            e.targetIndex = record.bytes[1];
            break;
        case kEventSceneView:
            e.sceneId = record.bytes[0];
            e.cameraId = record.bytes[1];
            e.clipId = record.bytes[2];
            e.cameraTimeStart = record.words[0];
            e.cameraTimeEnd = record.words[1];
            e.clipTimeStart = record.words[2];
            e.clipTimeEnd = record.words[3];
            break;
        case kEventClear:
            e.clearColor = record.bytes[0];
            e.clearDepth = record.bytes[1];
            break;
        case kEventScreenCapture: e.targetIndex = record.bytes[0]; break;
        case kEventZoomFeedback:
            e.targetIndex = record.bytes[0];
            e.feedbackCount = record.bytes[1];
            e.feedbackZoom = floatOf(record.floats[0], width);
            break;
        case kEventScreenDistortion:
            e.targetIndex = record.bytes[0];
            e.distortionType = record.bytes[1];
            e.distortionStart = floatOf(record.floats[0], width);
            e.distortionEnd = floatOf(record.floats[1], width);
            break;
        default: break;
    }
}

}  // namespace

void PackLoader::buildTimeline(const PackModel& model, PackLists& active) {
    for (const EventRecord& record : model.events) {
        auto owned = std::make_unique<TimelineEvent>();
        TimelineEvent& e = *owned;
        active.eventStore.push_back(std::move(owned));
        if (active.eventsTail) {
            active.eventsTail->next = &e;
        } else {
            active.eventsHead = &e;
        }
        active.eventsTail = &e;
        setEventFields(record, model.width, e);
        if (e.type == kEventImageLayer) {
            if (const UploadedImage* image = findUploadedImage(active.images, e.targetIndex))
                e.textureName = image->glName;
        } else if (e.type == kEventSceneView) {
            e.scene = findScene(active, e.sceneId);
            e.camera = e.scene ? findCamera(*e.scene, e.cameraId) : nullptr;
        }
    }
}

}  // namespace lumen
