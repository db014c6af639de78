// Every code a pack stores, named once: texture operations, object types and
// flag bits, light kinds, deformer modes, event kinds and blend codes.
#pragma once
#include <cstdint>

namespace lumen {

// Texture operation codes (byte 0 of a 9-byte record); every other code does nothing.
enum TextureOpCode : uint8_t {
    kOpNoise = 1,
    kOpSinePlasma = 2,
    kOpCells = 3,
    kOpRadialSpot = 4,
    kOpNoiseOctave = 5,
    kOpClear = 6,
    kOpText = 7,  // the only record followed by a length byte and its text
    kOpSineWarp = 10,
    kOpOffset = 11,
    kOpTwirl = 12,
    kOpBlur = 15,
    kOpDisplace = 17,
    kOpSmear = 18,
    kOpCopyChannel = 23,
    kOpMix = 24,
    kOpMultiply = 25,
    kOpAdd = 26,
    kOpLighten = 27,
    kOpContrast = 30,
    kOpInvert = 31,
    kOpModulate = 32,
    kOpBrightness = 33,
    kOpSineMap = 34,
    kOpRange = 35,
    kOpHueSaturation = 36,
    kOpGradientMap = 37,
    kOpMaskBlend = 38,
    kOpEmboss = 39,
};

// Object types: bits 0-7 of an object's flags.
inline constexpr uint32_t kTypeCube = 1;
inline constexpr uint32_t kTypeSphere = 3;
inline constexpr uint32_t kTypeCylinder = 6;
inline constexpr uint32_t kTypeCone = 7;
inline constexpr uint32_t kTypeArcPath = 9;
inline constexpr uint32_t kTypeSweep = 10;
inline constexpr uint32_t kTypeLinePath = 11;
inline constexpr uint32_t kTypeGrid = 12;
inline constexpr uint32_t kTypeMerge = 15;
// Types 4 and 8 build no geometry but are read, placed and drawn like meshes.
inline constexpr uint32_t kTypeEmptyMeshA = 4;
inline constexpr uint32_t kTypeEmptyMeshB = 8;
// Types from here on have no mesh, no place in the hierarchy and no track set.
inline constexpr uint32_t kFirstNonHierarchyType = 100;
inline constexpr uint32_t kTypeIdListA = 100;  // keep an id list nothing reads
inline constexpr uint32_t kTypeIdListB = 101;
inline constexpr uint32_t kTypeDiscarded = 102;  // fields read and dropped
inline constexpr uint32_t kTypeIdListC = 103;
inline constexpr uint32_t kTypeDeformer = 104;

// True for the types whose record carries a matrix and gets a mesh.
constexpr bool isMeshType(int type) {
    switch (type) {
        case kTypeCube:
        case kTypeSphere:
        case kTypeEmptyMeshA:
        case kTypeCylinder:
        case kTypeCone:
        case kTypeEmptyMeshB:
        case kTypeArcPath:
        case kTypeSweep:
        case kTypeLinePath:
        case kTypeGrid:
        case kTypeMerge: return true;
        default: return false;
    }
}
// True for the types that have a track set in every clip.
constexpr bool isAnimatedType(int type) {
    return type != int(kTypeArcPath) && type != int(kTypeLinePath) && type < int(kFirstNonHierarchyType);
}

// Object flag bits.
inline constexpr uint32_t kObjectTypeMask = 0xFFu;
inline constexpr uint32_t kFlagInvertNormals = 1u << 8;
inline constexpr uint32_t kFlagDeformClamp = kFlagInvertNormals;  // the same bit on a deformer
inline constexpr uint32_t kFlagColorTexture = 1u << 10;
inline constexpr uint32_t kFlagColorR = 1u << 11;
inline constexpr uint32_t kFlagColorG = 1u << 12;
inline constexpr uint32_t kFlagColorB = 1u << 13;
inline constexpr uint32_t kFlagColorA = 1u << 14;
inline constexpr uint32_t kFlagColorAll = kFlagColorR | kFlagColorG | kFlagColorB | kFlagColorA;
inline constexpr uint32_t kFlagSkipByte = 1u << 15;
inline constexpr int kDeformChannelShift = 16;  // bits 16-17: a deformer's channel
inline constexpr uint32_t kDeformChannelMask = 3u;
inline constexpr uint32_t kFlagEnvTexture = 1u << 18;
inline constexpr uint32_t kFlagMapScaleT = 1u << 19;
inline constexpr uint32_t kFlagMapScaleS = 1u << 20;
inline constexpr uint32_t kFlagMapOffsetT = 1u << 21;
inline constexpr uint32_t kFlagMapOffsetS = 1u << 22;
inline constexpr uint32_t kFlagMapAll = kFlagMapScaleT | kFlagMapScaleS | kFlagMapOffsetT | kFlagMapOffsetS;
inline constexpr uint32_t kFlagKeepUV = 1u << 28;  // taken the other way round on a deformer
inline constexpr uint32_t kFlagMirrorV = 1u << 29;
inline constexpr uint32_t kFlagMirrorU = 1u << 30;

// A deformer's sampling channel; 3 averages red, green and blue.
inline constexpr int kDeformChannelAverage = 3;

// Light kinds; any kind above kLightSpot acts as a point light.
inline constexpr uint8_t kLightDirectional = 0;
inline constexpr uint8_t kLightPoint = 1;
inline constexpr uint8_t kLightSpot = 2;

// Deformer modes; any other mode reads no floats and moves nothing.
inline constexpr uint8_t kDeformMove = 0;
inline constexpr uint8_t kDeformScale = 1;
inline constexpr uint8_t kDeformRotate = 2;

// Timeline event kinds; any other kind draws nothing.
enum TimelineEventType : int {
    kEventImageLayer = 1,
    kEventSceneView = 2,
    kEventClear = 3,
    kEventScreenCapture = 4,
    kEventZoomFeedback = 5,
    kEventScreenDistortion = 6,
};

// Which kinds store the rectangle, and which the colours and blend codes.
constexpr bool eventHasRectangle(int kind) {
    return kind == kEventImageLayer || kind == kEventSceneView || kind == kEventScreenCapture ||
           kind == kEventZoomFeedback || kind == kEventScreenDistortion;
}
constexpr bool eventHasColours(int kind) {
    return kind == kEventImageLayer || kind == kEventZoomFeedback || kind == kEventScreenDistortion;
}

// Screen distortion patterns (an event's distortionType); kDistortNone and
// any type above kDistortRipple draw nothing.
enum DistortionPattern : int {
    kDistortWaves = 0,
    kDistortPinch = 1,
    kDistortBulge = 2,
    kDistortJitter = 3,
    kDistortJitteredTiles = 4,
    kDistortNone = 5,
    kDistortTwirl = 6,
    kDistortRipple = 7,
};

// Blend codes of image-layer, zoom and distortion events; a code above
// kBlendSrcAlphaSaturate blends as kBlendZero.
enum BlendCode : uint8_t {
    kBlendZero = 0,
    kBlendOne = 1,
    kBlendSrcColor = 2,
    kBlendOneMinusSrcColor = 3,
    kBlendSrcAlpha = 4,
    kBlendOneMinusSrcAlpha = 5,
    kBlendDstAlpha = 6,
    kBlendOneMinusDstAlpha = 7,
    kBlendDstColor = 8,
    kBlendOneMinusDstColor = 9,
    kBlendSrcAlphaSaturate = 10,
};
inline constexpr int kBlendCodeCount = 11;

}  // namespace lumen
