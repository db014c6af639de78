// Scene lights to GL lights.
#include "scene/lights.h"

#include "platform/gl.h"

namespace lumen {

void applyLights(const Scene& scene) {
    glEnable(GL_NORMALIZE);
    glEnable(GL_LIGHTING);
    for (const SceneLight& light : scene.lights) {
        // A slot without a light name would only raise a GL error.
        if (light.glLight == 0) continue;
        const GLenum name = static_cast<GLenum>(light.glLight);
        if (!light.enabled) {
            glDisable(name);
            continue;
        }
        glEnable(name);
        glLightfv(name, GL_AMBIENT, light.ambient);
        glLightfv(name, GL_DIFFUSE, light.diffuse);
        glLightfv(name, GL_SPECULAR, light.diffuse);
        glLightfv(name, GL_POSITION, light.position);
        glLightfv(name, GL_SPOT_DIRECTION, light.spotDirection);
        glLightf(name, GL_SPOT_EXPONENT, light.spotExponent);
        glLightf(name, GL_SPOT_CUTOFF, light.spotCutoff);
        glLightf(name, GL_CONSTANT_ATTENUATION, light.attenuation[0]);
        glLightf(name, GL_LINEAR_ATTENUATION, light.attenuation[1]);
        glLightf(name, GL_QUADRATIC_ATTENUATION, light.attenuation[2]);
    }
}

}  // namespace lumen
