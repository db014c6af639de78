// The GL blend factor of an event's stored blend code: the drawing side's half
// of the blend codes, so the event records themselves stay free of GL.
#pragma once

namespace lumen {

// GL_ZERO for every code above kBlendSrcAlphaSaturate.
unsigned blendFactorFromCode(int code);

}  // namespace lumen
