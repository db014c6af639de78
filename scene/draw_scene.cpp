// The three drawing passes of a scene.
#include "scene/draw_scene.h"

#include <algorithm>

#include "platform/gl.h"
#include "scene/display_lists.h"
#include "scene/lights.h"

namespace lumen {

void drawScene(const Scene& scene, const CameraMatrix& camera) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    if (scene.fogEnabled) {
        // The density rides along as the fog colour's alpha.
        const float fog[4] = {scene.fogColor[0], scene.fogColor[1], scene.fogColor[2], scene.fogDensity};
        glFogf(GL_FOG_DENSITY, scene.fogDensity);
        glFogfv(GL_FOG_COLOR, fog);
        glEnable(GL_FOG);
    }
    applyLights(scene);
    glEnable(GL_LIGHTING);
    glMatrixMode(GL_MODELVIEW);
    glColor4f(1, 1, 1, 1);

    const int count = std::min<int>(scene.objectCount, static_cast<int>(scene.objects.size()));
    for (int pass = 0; pass < 3; ++pass) {
        for (int i = 0; i < count; ++i) {
            const SceneObject& object = scene.objects[i];
            glLoadMatrixf(camera.m);
            glMultMatrixf(object.drawMatrix.m);
            if (object.mesh.faceCount >= 1) {
                const float diffuse[4] = {object.color.r, object.color.g, object.color.b, object.color.a};
                glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
                const bool adds = pass == kPassOpaque || object.color.a != 0.0f;
                const int stateOnly = pass == kPassBlended ? kPassBlendedStateOnly : kPassEnvironmentStateOnly;
                glCallList(object.displayLists[adds ? pass : stateOnly]);
            }
        }
    }

    glPopAttrib();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

}  // namespace lumen
