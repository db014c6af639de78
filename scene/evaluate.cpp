// Keyframe evaluation, clip evaluation and the hierarchy walk.
#include "scene/evaluate.h"

#include <vector>

namespace lumen {

namespace {

float f(double v) { return static_cast<float>(v); }

// Key times are compared as unsigned numbers, so a negative stored time sorts last.
double keyTime(const TrackKey& key) { return double(static_cast<uint32_t>(key.time)); }

}  // namespace

// [SECTION] tracks

float evaluateTrack(const Track& track, float t) {
    const int32_t count = track.keyCount();
    if (count == 0) return 0.0f;
    const TrackKey* keys = track.keys.data();
    if (count == 1) return keys[0].value;
    if (double(t) <= keyTime(keys[0])) return keys[0].value;

    int32_t n = 0;
    while (n < count && keyTime(keys[n]) < double(t)) ++n;
    if (n == count) return keys[count - 1].value;

    // Key 0 lies before t (checked above), so n >= 1.
    const TrackKey& a = keys[n - 1];
    const TrackKey& b = keys[n];
    const int32_t span = static_cast<int32_t>(static_cast<uint32_t>(b.time) - static_cast<uint32_t>(a.time));
    const double s = (double(t) - keyTime(a)) / double(span);
    const double s2 = s * s;
    const double s3 = s2 * s;
    // Tangents are per unit of s, not scaled by the segment's length.
    return f((2.0 * s3 - 3.0 * s2 + 1.0) * a.value + (-2.0 * s3 + 3.0 * s2) * b.value +
             (s3 - 2.0 * s2 + s) * a.tangentOut + (s3 - s2) * b.tangentIn);
}

float evaluateTrack(const std::optional<Track>& track, float t) { return track ? evaluateTrack(*track, t) : 0.0f; }

// [SECTION] clips

void evaluateClip(Scene& scene, float t, int32_t clipId) {
    for (int32_t i = 0; i < scene.objectCount; ++i) {
        SceneObject& o = scene.objects[i];
        identity(o.animMatrix);
        o.animPosition = Vector3{};
        o.animAxis = Vector3{};
        o.animAngle = 0.0f;
        o.animScale = Vector3{1.0f, 1.0f, 1.0f};

        const ObjectClip* clip = nullptr;
        for (const ObjectClip& c : o.clips) {
            if (c.clipId == clipId) {
                clip = &c;
                break;
            }
        }
        if (clip == nullptr) continue;
        const auto& tr = clip->tracks;
        if (!tr[kTrackPositionX] || tr[kTrackPositionX]->keyCount() == 0) continue;

        o.animPosition.x = evaluateTrack(tr[kTrackPositionX], t);
        o.animPosition.y = evaluateTrack(tr[kTrackPositionY], t);
        o.animPosition.z = evaluateTrack(tr[kTrackPositionZ], t);
        o.animAxis.x = evaluateTrack(tr[kTrackAxisX], t);
        o.animAxis.y = evaluateTrack(tr[kTrackAxisY], t);
        o.animAxis.z = evaluateTrack(tr[kTrackAxisZ], t);
        o.animAngle = evaluateTrack(tr[kTrackAngle], t);
        if (o.animAxis.x == 0.0f && o.animAxis.y == 0.0f && o.animAxis.z == 0.0f) {
            o.animAxis = Vector3{1.0f, 0.0f, 0.0f};
            o.animAngle = 0.0f;
        }
        o.animScale.x = evaluateTrack(tr[kTrackScaleX], t);
        o.animScale.y = evaluateTrack(tr[kTrackScaleY], t);
        o.animScale.z = evaluateTrack(tr[kTrackScaleZ], t);
        o.color.r = evaluateTrack(tr[kTrackColorR], t);
        o.color.g = evaluateTrack(tr[kTrackColorG], t);
        o.color.b = evaluateTrack(tr[kTrackColorB], t);
        o.color.a = evaluateTrack(tr[kTrackColorA], t);

        // Column vectors: translation acts first, then rotation, then scale.
        Matrix4 s, r, tm;
        scaling(o.animScale.x, o.animScale.y, o.animScale.z, s);
        rotation(o.animAxis.x, o.animAxis.y, o.animAxis.z, f(double(o.animAngle) * kDegreesToRadians), r);
        translation(o.animPosition.x, o.animPosition.y, o.animPosition.z, tm);
        multiply(s, r, o.animMatrix);
        multiply(o.animMatrix, tm, o.animMatrix);
    }
}

// [SECTION] hierarchy

namespace {

// `posed` marks objects already handled in this walk: with ids unique and
// acyclic it never matters, but a duplicated id or an id of -1 would
// otherwise recurse without end.
void propagateFrom(Scene& scene, int32_t parentId, SceneObject* parent, std::vector<uint8_t>& posed) {
    for (int32_t i = 0; i < scene.objectCount; ++i) {
        SceneObject& q = scene.objects[i];
        if (q.type() >= kFirstNonHierarchyType || q.parentId != parentId || posed[i]) continue;
        const bool root = parentId == -1;
        if (!root && parent == nullptr) continue;
        posed[i] = 1;

        q.savedMatrix = q.matrix;
        Matrix4 w;
        if (root) {
            multiply(q.matrix, q.animMatrix, w);
        } else {
            // Base matrices are absolute: undo the parent's placement, apply
            // its animation in its own frame, then place again.
            Matrix4 pinv = identityMatrix();
            inverse(parent->matrix, pinv);
            Matrix4 d;
            multiply(parent->matrix, parent->animMatrix, d);
            multiply(d, pinv, d);
            multiply(d, q.matrix, d);
            multiply(d, pinv, d);
            multiply(d, parent->matrix, w);
            multiply(w, q.animMatrix, w);

            // What this object's own children see as their parent's animation.
            Matrix4 sinv = identityMatrix();
            inverse(q.savedMatrix, sinv);
            Matrix4 a;
            multiply(sinv, parent->animMatrix, a);
            multiply(a, q.savedMatrix, a);
            multiply(a, q.animMatrix, q.animMatrix);
        }
        transpose(w);
        q.drawMatrix = w;
        q.matrix = q.savedMatrix;

        propagateFrom(scene, q.id, &q, posed);
    }
}

}  // namespace

void propagate(Scene& scene, int32_t parentId, SceneObject* parent) {
    std::vector<uint8_t> posed(static_cast<std::size_t>(scene.objectCount), 0);
    propagateFrom(scene, parentId, parent, posed);
}

}  // namespace lumen
