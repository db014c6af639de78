// The object type and event kind rows: names and fields in stream order.
#include "pack/pack_record_tables.h"

namespace lumen {

namespace {

using S = ObjectSlot;
// clang-format off
constexpr ObjectTypeInfo kObjectTypes[] = {
    {kTypeCube, "cube", {}, 0},
    {kTypeSphere, "sphere", {{"rings", S::ByteA}, {"segments", S::ByteB}}, 2},
    {kTypeEmptyMeshA, nullptr, {}, 0},
    {kTypeCylinder, "cylinder", {{"segments", S::ByteA}, {"stacks", S::ByteB}, {"caps", S::Extra}}, 3},
    {kTypeCone, "cone", {{"segments", S::ByteA}, {"cap", S::ByteB}}, 2},
    {kTypeEmptyMeshB, nullptr, {}, 0},
    {kTypeArcPath, "arcPath", {{"steps", S::ByteA}, {"angle", S::WordA}}, 2},
    {kTypeSweep, "sweep", {{"path", S::WordA}, {"profile", S::WordB}}, 2},
    {kTypeLinePath, "linePath", {{"steps", S::ByteA}}, 1},
    {kTypeGrid, "grid", {{"columns", S::ByteA}, {"rows", S::ByteB}}, 2},
    {kTypeMerge, "merge", {{"ids", S::ListAfterMatrix}}, 1},
    {kTypeIdListA, nullptr, {{"skipped", S::ByteA}, {"ids", S::List}}, 2},
    {kTypeIdListB, nullptr, {{"skipped", S::ByteA}, {"ids", S::List}}, 2},
    {kTypeDiscarded, nullptr, {{"a", S::ByteA}, {"b", S::WordA}, {"c", S::WordB}, {"values", S::Floats, 12}}, 4},
    {kTypeIdListC, nullptr, {{"skipped", S::ByteA}, {"ids", S::List}}, 2},
    {kTypeDeformer, "deformer", {{"mode", S::ByteA}, {"x", S::DeformVector, 0}, {"y", S::DeformVector, 1},
                                 {"z", S::DeformVector, 2}, {"w", S::DeformVector, 3}, {"targets", S::List}}, 6},
};

using E = EventSlot;
constexpr EventKindInfo kEventKinds[] = {
    {kEventImageLayer, "imageLayer", {{"textured", E::Byte, 0}, {"targetIndex", E::Byte, 1}}, 2},
    {kEventSceneView, "sceneView", {{"sceneId", E::Byte, 0}, {"cameraId", E::Byte, 1}, {"clipId", E::Byte, 2},
                                    {"cameraTimeStart", E::Word, 0}, {"cameraTimeEnd", E::Word, 1},
                                    {"clipTimeStart", E::Word, 2}, {"clipTimeEnd", E::Word, 3}}, 7},
    {kEventClear, "clear", {{"clearColor", E::Byte, 0}, {"clearDepth", E::Byte, 1}}, 2},
    {kEventScreenCapture, "screenCapture", {{"targetIndex", E::Byte, 0}}, 1},
    {kEventZoomFeedback, "zoomFeedback", {{"targetIndex", E::Byte, 0}, {"feedbackCount", E::Byte, 1},
                                          {"feedbackZoom", E::Float, 0}}, 3},
    {kEventScreenDistortion, "screenDistortion", {{"targetIndex", E::Byte, 0}, {"distortionType", E::Byte, 1},
                                                  {"distortionStart", E::Float, 0}, {"distortionEnd", E::Float, 1}}, 4},
};
// clang-format on

}  // namespace

std::span<const ObjectTypeInfo> objectTypeTable() { return kObjectTypes; }

const ObjectTypeInfo* findObjectType(int type) {
    for (const auto& row : kObjectTypes) {
        if (static_cast<int>(row.type) == type) return &row;
    }
    return nullptr;
}

const ObjectTypeInfo* findObjectType(std::string_view name) {
    for (const auto& row : kObjectTypes) {
        if (row.name && name == row.name) return &row;
    }
    return nullptr;
}

const EventKindInfo* findEventKind(int kind) {
    for (const auto& row : kEventKinds) {
        if (row.kind == kind) return &row;
    }
    return nullptr;
}

const EventKindInfo* findEventKind(std::string_view name) {
    for (const auto& row : kEventKinds) {
        if (name == row.name) return &row;
    }
    return nullptr;
}

}  // namespace lumen
