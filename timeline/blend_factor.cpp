// Blend codes to GL blend factors, in code order.
#include "timeline/blend_factor.h"

#include "pack/pack_codes.h"
#include "platform/gl.h"

namespace lumen {

unsigned blendFactorFromCode(int code) {
    static const GLenum factors[kBlendCodeCount] = {GL_ZERO,
                                                    GL_ONE,
                                                    GL_SRC_COLOR,
                                                    GL_ONE_MINUS_SRC_COLOR,
                                                    GL_SRC_ALPHA,
                                                    GL_ONE_MINUS_SRC_ALPHA,
                                                    GL_DST_ALPHA,
                                                    GL_ONE_MINUS_DST_ALPHA,
                                                    GL_DST_COLOR,
                                                    GL_ONE_MINUS_DST_COLOR,
                                                    GL_SRC_ALPHA_SATURATE};
    return code >= 0 && code < kBlendCodeCount ? factors[code] : GL_ZERO;
}

}  // namespace lumen
