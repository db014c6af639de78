// Compiling an object's display lists: the three drawing passes, and the two
// blended passes again with their state changes alone.
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

// One triangle's corners handed to a sink (normal, texCoord, vertex calls) in
// the order GL receives them.
template <class Sink>
void walkFace(const SceneObject& object, int faceIndex, Sink&& sink) {
    const Mesh& mesh = object.mesh;
    const MeshFace& f = mesh.faces[faceIndex];
    const int32_t corners[3] = {f.corner0, f.corner1, f.corner2};
    // A face naming a vertex the mesh does not have would read past the array.
    for (int32_t c : corners)
        if (!validCorner(mesh, c)) return;
    if (f.shading == kShadingFlat) sink.normal(f.faceNormal);
    for (int k = 0; k < 3; ++k) {
        const MeshVertex& v = mesh.vertices[corners[k]];
        sink.texCoord(f.uv[k]);
        if (f.shading == kShadingSmooth) sink.normal(v.normal);
        sink.vertex(v.position);
    }
}

// The triangles themselves.
struct GlCorners {
    void normal(const Vector3& n) const { glNormal3f(n.x, n.y, n.z); }
    void texCoord(const TexCoord& t) const { glTexCoord2f(t.u, t.v); }
    void vertex(const Vector3& p) const { glVertex3f(p.x, p.y, p.z); }
    void finish() const {}
};

// What a run of faces leaves as GL's current normal and texture coordinate.
// A list without its triangles sets them at its end, so a later face that
// sends no normal of its own is lit as it would have been.
struct LastCorner {
    bool hasNormal = false, hasTexCoord = false;
    Vector3 n;
    TexCoord t;
    void normal(const Vector3& v) {
        n = v;
        hasNormal = true;
    }
    void texCoord(const TexCoord& v) {
        t = v;
        hasTexCoord = true;
    }
    void vertex(const Vector3&) const {}
    void finish() const {
        if (hasTexCoord) glTexCoord2f(t.u, t.v);
        if (hasNormal) glNormal3f(n.x, n.y, n.z);
    }
};

// Steps a-c of the two colour passes for one face, its corners to `sink`.
template <class Sink>
void colourFace(const SceneObject& object, int face, uint32_t& cur, bool& textured, Sink& sink) {
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
    walkFace(object, face, sink);
}

// The additive list: every face whose colour is not exactly opaque, blended
// SRC_ALPHA, ONE without depth writes.
template <class Sink>
void compileBlendedList(const SceneObject& object, int faceCount, uint32_t list, bool& textured, Sink sink) {
    uint32_t cur = kNoTexture;
    glNewList(list, GL_COMPILE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDepthMask(GL_FALSE);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < faceCount; ++i)
        if (object.mesh.faces[i].color.a != 1.0f) colourFace(object, i, cur, textured, sink);
    glEnd();
    sink.finish();
    glEndList();
}

// The sphere-mapped list: every face again under its environment texture, in
// the blending the additive list left.
template <class Sink>
void compileEnvironmentList(const SceneObject& object, int faceCount, uint32_t list, Sink sink) {
    uint32_t cur = kNoTexture;
    glNewList(list, GL_COMPILE);
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
            walkFace(object, i, sink);
        }
    }
    glEnd();
    sink.finish();
    glEndList();
}

}  // namespace

void emitFace(const SceneObject& object, int faceIndex) { walkFace(object, faceIndex, GlCorners{}); }

void compileObjectDisplayLists(SceneObject& object) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    const GLuint base = glGenLists(kPassListCount);
    for (int p = 0; p < kPassListCount; ++p) object.displayLists[p] = base + p;
    const int faceCount = std::min<int>(object.mesh.faceCount, static_cast<int>(object.mesh.faces.size()));
    uint32_t cur = kNoTexture;
    bool textured = false;
    GlCorners triangles;

    glNewList(object.displayLists[kPassOpaque], GL_COMPILE);
    glColor4f(1, 1, 1, 1);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < faceCount; ++i)
        if (object.mesh.faces[i].color.a == 1.0f) colourFace(object, i, cur, textured, triangles);
    glEnd();
    glEndList();

    // The blended and environment lists run after every opaque list, and each
    // inherits the texture state the one before it left.
    const bool carried = textured;
    compileBlendedList(object, faceCount, object.displayLists[kPassBlended], textured, triangles);
    compileEnvironmentList(object, faceCount, object.displayLists[kPassEnvironment], triangles);
    textured = carried;
    compileBlendedList(object, faceCount, object.displayLists[kPassBlendedStateOnly], textured, LastCorner{});
    compileEnvironmentList(object, faceCount, object.displayLists[kPassEnvironmentStateOnly], LastCorner{});
    glPopAttrib();
}

void compileDisplayLists(Scene& scene) {
    const int count = std::min<int>(scene.objectCount, static_cast<int>(scene.objects.size()));
    for (int i = 0; i < count; ++i) compileObjectDisplayLists(scene.objects[i]);
}

}  // namespace lumen
