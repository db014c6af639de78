// Applying a camera: projection, rolled view, and the view matrix read back.
#include "scene/camera.h"

#include "platform/gl.h"

namespace lumen {

Vector3 rolledUp(const Camera& camera) {
    const Vector3 dir = normalize(subtract(camera.target, camera.eye));
    Matrix4 r;
    rotation(dir.x, dir.y, dir.z, static_cast<float>(camera.roll * kRollToRadians), r);
    return transformPoint(r, camera.up.x, camera.up.y, camera.up.z);
}

void applyCamera(const Camera& camera, float aspect, CameraMatrix& out) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(camera.fov, aspect, 0.1, 500.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const Vector3 up = rolledUp(camera);
    gluLookAt(camera.eye.x, camera.eye.y, camera.eye.z, camera.target.x, camera.target.y, camera.target.z, up.x, up.y,
              up.z);
    glGetFloatv(GL_MODELVIEW_MATRIX, out.m);
}

}  // namespace lumen
