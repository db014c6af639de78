// Cameras and animation clips: compact keyframe tracks (the first key carries
// every channel, later keys only the masked ones) and their spline tangents.
#include "pack/pack_loader.h"
#include "pack/pack_model.h"

namespace lumen {

namespace {

// Stream channel order of a camera key: fov, roll, eye x, y, z, target x, y, z.
constexpr int kCameraChannelTrack[8] = {kTrackFov, kTrackRoll, kTrackEyeX, kTrackEyeY,
                                        kTrackEyeZ, kTrackTargetX, kTrackTargetY, kTrackTargetZ};

float readCameraChannel(PackReader& r, int width, int c) {
    if (c == 0) return static_cast<float>(r.readByte("field of view"));
    if (c == 1) return static_cast<float>(r.readSignedInt16("roll"));
    return r.readPackedFloat(width, "eye or target");
}

float readObjectChannel(PackReader& r, int width, int c) {
    if (c == kTrackAngle) return static_cast<float>(r.readSignedInt16("rotation angle"));
    if (c >= kTrackColorR) return colorByte(r.readByte("colour byte"));
    return r.readPackedFloat(width, "position, axis or scale");
}

}  // namespace

void prepareTangents(Track& track) {
    const int n = track.keyCount();
    if (n <= 1) return;
    std::vector<TrackKey>& keys = track.keys;
    if (n == 2) {
        const float m = static_cast<float>(static_cast<double>(keys[1].value) - keys[0].value);
        for (TrackKey& k : keys) k.tangentOut = k.tangentIn = m;
        return;
    }
    for (int k = 0; k < n; ++k) {
        const int prev = k == 0 ? n - 2 : k - 1;
        const int next = k == n - 1 ? 1 : k + 1;
        const double d1 = static_cast<double>(keys[k].value) - keys[prev].value;
        const double d2 = static_cast<double>(keys[next].value) - keys[k].value;
        const float m = static_cast<float>(d1 + (d2 - d1) * 0.5);
        keys[k].tangentOut = keys[k].tangentIn = m;
    }
}

// One byte walk over both lists in stream order; it goes away when the loaders
// build from the pack model.
void PackLoader::loadCamerasAndClips(PackReader& r, int width, Scene& scene) {
    const int cameras = r.readByte("camera count");
    for (int c = 0; c < cameras; ++c) {
        scene.cameras.emplace_front();
        Camera& camera = scene.cameras.front();
        camera.id = r.readByte("camera id");
        const int keys = r.readByte("camera key count");
        if (keys == 0) continue;
        for (auto& t : camera.tracks) t.emplace().keys.resize(static_cast<std::size_t>(keys));
        float values[8] = {};
        for (int k = 0; k < keys; ++k) {
            const int time = r.readSignedInt16("camera key time");
            const int mask = k == 0 ? 0xFF : r.readByte("camera key mask");
            for (int ch = 0; ch < 8; ++ch) {
                if (mask & (1 << ch)) values[ch] = readCameraChannel(r, width, ch);
            }
            for (int ch = 0; ch < 8; ++ch) {
                TrackKey& key = camera.tracks[static_cast<std::size_t>(kCameraChannelTrack[ch])]->keys[static_cast<std::size_t>(k)];
                key.value = values[ch];
                key.time = time;
            }
        }
        for (auto& t : camera.tracks) prepareTangents(*t);
    }

    const int clips = r.readByte("clip count");
    for (int c = 0; c < clips; ++c) {
        const int clipId = r.readByte("clip id");
        if (vertexBudget_ > 0) {
            // A clip record per object costs about as much as eight vertices.
            verticesBuilt_ += 8L * scene.objectCount;
            if (verticesBuilt_ > vertexBudget_) {
                r.fail("clip " + std::to_string(clipId) + " would bring the pack's records past the limit of " +
                       std::to_string(vertexBudget_) + " vertices");
            }
        }
        for (int o = 0; o < scene.objectCount; ++o) {
            SceneObject& object = scene.objects[static_cast<std::size_t>(o)];
            object.clips.emplace_front();
            ObjectClip& clip = object.clips.front();
            clip.clipId = clipId;
            if (!isAnimatedType(static_cast<int>(object.type()))) continue;
            const int keys = r.readByte("key count");
            for (auto& t : clip.tracks) t.emplace().keys.resize(static_cast<std::size_t>(keys));
            float values[kObjectTrackCount] = {};
            for (int k = 0; k < keys; ++k) {
                // The first key's time is stored unsigned, every later one signed.
                const int time = k == 0 ? r.readInt16("key time") : r.readSignedInt16("key time");
                const int mask = k == 0 ? 0x3FFF : r.readInt16("key mask");
                for (int ch = 0; ch < kObjectTrackCount; ++ch) {
                    if (mask & (1 << ch)) values[ch] = readObjectChannel(r, width, ch);
                }
                for (int ch = 0; ch < kObjectTrackCount; ++ch) {
                    TrackKey& key = clip.tracks[static_cast<std::size_t>(ch)]->keys[static_cast<std::size_t>(k)];
                    key.value = values[ch];
                    key.time = time;
                }
            }
            for (auto& t : clip.tracks) prepareTangents(*t);
        }
    }
}

}  // namespace lumen
