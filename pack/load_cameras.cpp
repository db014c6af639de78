// Cameras and animation clips: tracks expanded from compact key records (the
// first key carries every channel, later keys only the masked ones), and their
// spline tangents.
#include "pack/pack_loader.h"
#include "pack/pack_model.h"

namespace lumen {

namespace {

// Stream channel order of a camera key: fov, roll, eye x, y, z, target x, y, z.
constexpr int kCameraChannelTrack[8] = {kTrackFov,  kTrackRoll,    kTrackEyeX,    kTrackEyeY,
                                        kTrackEyeZ, kTrackTargetX, kTrackTargetY, kTrackTargetZ};

// A stored channel value as a float: bytes (fov, colours), signed int16s
// (roll, angle) and packed floats.
float cameraChannel(const KeyRecord& key, int c, int width) {
    const uint32_t v = key.values[static_cast<std::size_t>(c)];
    if (c == 0) return static_cast<float>(v);
    if (c == 1) return static_cast<float>(static_cast<int16_t>(v));
    return packedFloatFromBits(v, width);
}

float objectChannel(const KeyRecord& key, int c, int width) {
    const uint32_t v = key.values[static_cast<std::size_t>(c)];
    if (c == kTrackAngle) return static_cast<float>(static_cast<int16_t>(v));
    if (c >= kTrackColorR) return colorByte(static_cast<uint8_t>(v));
    return packedFloatFromBits(v, width);
}

// The fourteen tracks of one object in one clip, from its stored keys.
void buildObjectTracks(const std::vector<KeyRecord>& stored, int width, ObjectClip& clip) {
    const std::size_t keys = stored.size();
    for (auto& t : clip.tracks) t.emplace().keys.resize(keys);
    float values[kObjectTrackCount] = {};
    for (std::size_t k = 0; k < keys; ++k) {
        const KeyRecord& key = stored[k];
        // The first key's time is stored unsigned, every later one signed.
        const int time = k == 0 ? static_cast<uint16_t>(key.time) : key.time;
        const int mask = k == 0 ? 0x3FFF : key.mask;
        for (int ch = 0; ch < kObjectTrackCount; ++ch) {
            if (mask & (1 << ch)) values[ch] = objectChannel(key, ch, width);
        }
        for (int ch = 0; ch < kObjectTrackCount; ++ch) {
            TrackKey& out = clip.tracks[static_cast<std::size_t>(ch)]->keys[k];
            out.value = values[ch];
            out.time = time;
        }
    }
    for (auto& t : clip.tracks) prepareTangents(*t);
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

void PackLoader::buildCamerasAndClips(const SceneRecord& record, int width, Scene& scene) {
    for (const CameraRecord& stored : record.cameras) {
        scene.cameras.emplace_front();
        Camera& camera = scene.cameras.front();
        camera.id = stored.id;
        const std::size_t keys = stored.keys.size();
        if (keys == 0) continue;
        for (auto& t : camera.tracks) t.emplace().keys.resize(keys);
        float values[8] = {};
        for (std::size_t k = 0; k < keys; ++k) {
            const KeyRecord& key = stored.keys[k];
            const int mask = k == 0 ? 0xFF : key.mask;
            for (int ch = 0; ch < 8; ++ch) {
                if (mask & (1 << ch)) values[ch] = cameraChannel(key, ch, width);
            }
            for (int ch = 0; ch < 8; ++ch) {
                TrackKey& out = camera.tracks[static_cast<std::size_t>(kCameraChannelTrack[ch])]->keys[k];
                out.value = values[ch];
                out.time = key.time;
            }
        }
        for (auto& t : camera.tracks) prepareTangents(*t);
    }

    for (const ClipRecord& stored : record.clips) {
        const int clipId = stored.id;
        if (vertexBudget_ > 0) {
            // A clip record per object costs about as much as eight vertices.
            verticesBuilt_ += 8L * scene.objectCount;
            if (verticesBuilt_ > vertexBudget_) {
                throw PackError("scene section", stored.offset.at,
                                "clip " + std::to_string(clipId) +
                                    " would bring the pack's records past the limit of " +
                                    std::to_string(vertexBudget_) + " vertices");
            }
        }
        std::size_t trackSet = 0;
        for (int o = 0; o < scene.objectCount; ++o) {
            SceneObject& object = scene.objects[static_cast<std::size_t>(o)];
            object.clips.emplace_front();
            ObjectClip& clip = object.clips.front();
            clip.clipId = clipId;
            if (!isAnimatedType(static_cast<int>(object.type()))) continue;
            // A model from readPackModel always matches; one made in code may not.
            if (trackSet >= stored.trackSets.size()) {
                throw PackError(
                    "scene section", stored.offset.at,
                    "clip " + std::to_string(clipId) + " has fewer track sets than the scene has animated objects");
            }
            buildObjectTracks(stored.trackSets[trackSet++], width, clip);
        }
    }
}

}  // namespace lumen
