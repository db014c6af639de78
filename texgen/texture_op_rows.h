// The texture operations, one row each: code, name, the function that runs
// it (texgen/operations.h) and a name and role for each of bytes 1..8. The
// format's table (texture_op_table.cpp) and the dispatcher (texture.cpp) both
// expand this list, so adding an operation touches one row and one function.
// Byte helpers the expanding file defines: L(name) layer, C(name) channel,
// V(name) value, S2..S8 spare bytes, kLayer the target layer, and the roles
// ModeChannel, Font and Slot.
#pragma once

// clang-format off
#define LUMEN_TEXTURE_OPS(X) \
    X(kOpNoise, "Noise", noise, kLayer, C("channel"), S3, V("seedHigh"), V("seedMidHigh"), V("seedMidLow"), V("seedLow"), S8) \
    X(kOpSinePlasma, "SinePlasma", sinePlasma, kLayer, V("xFrequency"), V("yFrequency"), V("xPhase"), V("yPhase"), S6, S7, C("channel")) \
    X(kOpCells, "Cells", cells, kLayer, C("channel"), V("points"), V("scale"), V("seedHigh"), V("seedMidHigh"), V("seedMidLow"), V("seedLow")) \
    X(kOpRadialSpot, "RadialSpot", radialSpot, kLayer, V("mode"), ModeChannel("channel"), V("shrink"), S5, S6, S7, S8) \
    X(kOpNoiseOctave, "NoiseOctave", noiseOctave, kLayer, C("channel"), V("gridSize"), V("seedHigh"), V("seedMidHigh"), V("seedMidLow"), V("seedLow"), S8) \
    X(kOpClear, "Clear", clear, kLayer, S2, S3, S4, S5, S6, S7, S8) \
    X(kOpText, "Text", text, kLayer, Font("font"), V("height"), V("x"), V("y"), V("italic"), V("bold"), Slot("slot")) \
    X(kOpSineWarp, "SineWarp", sineWarp, kLayer, V("xFrequency"), V("yFrequency"), V("xAmplitude"), V("yAmplitude"), V("xPhase"), V("yPhase"), S8) \
    X(kOpOffset, "Offset", offset, kLayer, V("down"), V("right"), S4, S5, S6, S7, S8) \
    X(kOpTwirl, "Twirl", twirl, kLayer, V("strength"), S3, S4, S5, S6, S7, S8) \
    X(kOpBlur, "Blur", blur, kLayer, V("passes"), S3, S4, S5, S6, S7, S8) \
    X(kOpDisplace, "Displace", displace, kLayer, L("rowMapLayer"), C("rowMapChannel"), V("rowAmount"), L("columnMapLayer"), C("columnMapChannel"), V("columnAmount"), S8) \
    X(kOpSmear, "Smear", smear, kLayer, L("mapLayer"), C("mapChannel"), V("length"), S5, S6, S7, S8) \
    X(kOpCopyChannel, "CopyChannel", copyChannel, kLayer, C("channel"), L("sourceLayer"), C("sourceChannel"), S5, S6, S7, S8) \
    X(kOpMix, "Mix", mix, kLayer, L("sourceLayer"), V("weight"), S4, S5, S6, S7, S8) \
    X(kOpMultiply, "Multiply", multiply, kLayer, L("sourceLayer"), S3, S4, S5, S6, S7, S8) \
    X(kOpAdd, "Add", add, kLayer, L("sourceLayer"), S3, S4, S5, S6, S7, S8) \
    X(kOpLighten, "Lighten", lighten, kLayer, L("sourceLayer"), S3, S4, S5, S6, S7, S8) \
    X(kOpContrast, "Contrast", contrast, kLayer, V("factor"), S3, S4, S5, S6, S7, S8) \
    X(kOpInvert, "Invert", invert, kLayer, S2, S3, S4, S5, S6, S7, S8) \
    X(kOpModulate, "Modulate", modulate, kLayer, L("maskLayer"), C("maskChannel"), S4, S5, S6, S7, S8) \
    X(kOpBrightness, "Brightness", brightness, kLayer, V("level"), S3, S4, S5, S6, S7, S8) \
    X(kOpSineMap, "SineMap", sineMap, kLayer, C("channel"), V("frequency"), S4, S5, S6, S7, S8) \
    X(kOpRange, "Range", range, kLayer, C("channel"), V("low"), V("high"), S5, S6, S7, S8) \
    X(kOpHueSaturation, "HueSaturation", hueSaturation, kLayer, V("hue"), V("desaturation"), S4, S5, S6, S7, S8) \
    X(kOpGradientMap, "GradientMap", gradientMap, kLayer, C("channel"), V("redLow"), V("redHigh"), V("greenLow"), V("greenHigh"), V("blueLow"), V("blueHigh")) \
    X(kOpMaskBlend, "MaskBlend", maskBlend, kLayer, L("sourceLayer"), L("maskLayer"), C("maskChannel"), S5, S6, S7, S8) \
    X(kOpEmboss, "Emboss", emboss, kLayer, S2, S3, S4, S5, S6, S7, S8)
// clang-format on
