// Compiling an object's three display lists.
//
// The texture carried between faces starts at 256, a name the show never
// creates, so the first textured face always binds. `textured` carries from
// the opaque list into the blended one: the blended list inherits the texture
// enable state the opaque list left when they are drawn in that order.
#include "scene/display_lists.h"

#include <algorithm>

#include "platform/gl.h"

namespace lumen {

namespace {

constexpr uint32_t kNoTexture = 256;

void switchToTexture(uint32_t name) {
    glEnd();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, name);
    glBegin(GL_TRIANGLES);
}

bool validCorner(const Mesh& mesh, int32_t index) { return index >= 0 && index < mesh.vertexCount; }

// Steps a-c of the two colour passes for one face.
void colourFace(const SceneObject& object, int face, uint32_t& cur, bool& textured) {
    const MeshFace& f = object.mesh.faces[face];
    if ((object.flags & kFlagColorTexture) && f.texture != cur) {
        textured = true;
        cur = f.texture;
        switchToTexture(cur);
    }
    if (textured && f.texture == 0) {
        glEnd();
        textured = false;
        glDisable(GL_TEXTURE_2D);
        glBegin(GL_TRIANGLES);
    }
    emitFace(object, face);
}

}  // namespace

void emitFace(const SceneObject& object, int faceIndex) {
    const Mesh& mesh = object.mesh;
    const MeshFace& f = mesh.faces[faceIndex];
    const int32_t corners[3] = {f.corner0, f.corner1, f.corner2};
    // A face naming a vertex the mesh does not have would read past the array.
    for (int32_t c : corners)
        if (!validCorner(mesh, c)) return;
    if (f.shading == kShadingFlat) glNormal3f(f.faceNormal.x, f.faceNormal.y, f.faceNormal.z);
    for (int k = 0; k < 3; ++k) {
        const MeshVertex& v = mesh.vertices[corners[k]];
        glTexCoord2f(f.uv[k].u, f.uv[k].v);
        if (f.shading == kShadingSmooth) glNormal3f(v.normal.x, v.normal.y, v.normal.z);
        glVertex3f(v.position.x, v.position.y, v.position.z);
    }
}

void compileObjectDisplayLists(SceneObject& object) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    const GLuint base = glGenLists(3);
    for (int p = 0; p < 3; ++p) object.displayLists[p] = base + p;
    const int faceCount = std::min<int>(object.mesh.faceCount, static_cast<int>(object.mesh.faces.size()));
    uint32_t cur = kNoTexture;
    bool textured = false;

    glNewList(object.displayLists[kPassOpaque], GL_COMPILE);
    glColor4f(1, 1, 1, 1);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < faceCount; ++i)
        if (object.mesh.faces[i].color.a == 1.0f) colourFace(object, i, cur, textured);
    glEnd();
    glEndList();

    glNewList(object.displayLists[kPassBlended], GL_COMPILE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDepthMask(GL_FALSE);
    glColor4f(1, 1, 1, 1);
    cur = kNoTexture;
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < faceCount; ++i)
        if (object.mesh.faces[i].color.a != 1.0f) colourFace(object, i, cur, textured);
    glEnd();
    glEndList();

    glNewList(object.displayLists[kPassEnvironment], GL_COMPILE);
    cur = kNoTexture;
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_TRIANGLES);
    if (object.flags & kFlagEnvTexture) {
        for (int i = 0; i < faceCount; ++i) {
            const MeshFace& f = object.mesh.faces[i];
            if (f.envTexture != cur) {
                cur = f.envTexture;
                switchToTexture(cur);
            }
            emitFace(object, i);
        }
    }
    glEnd();
    glEndList();
    glPopAttrib();
}

void compileDisplayLists(Scene& scene) {
    const int count = std::min<int>(scene.objectCount, static_cast<int>(scene.objects.size()));
    for (int i = 0; i < count; ++i) compileObjectDisplayLists(scene.objects[i]);
}

}  // namespace lumen
