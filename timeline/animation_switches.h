// The scene animation switches: one flag per scene id 0..55. A scene view
// re-poses its scene from the animation only while its switch is set.
#pragma once
#include <array>
#include <cstdint>

namespace lumen {

class SceneAnimationSwitches {
public:
    static constexpr int kCount = 56;

    // Ids outside 0..55 have no switch: setting one does nothing and it reads
    // as clear, so a stray scene id can never write past the table.
    void set(int sceneId) {
        if (inRange(sceneId)) flags_[sceneId] = 1;
    }
    bool isSet(int sceneId) const { return inRange(sceneId) && flags_[sceneId] != 0; }
    void setAll() { flags_.fill(1); }

private:
    static bool inRange(int id) { return id >= 0 && id < kCount; }
    std::array<uint8_t, kCount> flags_{};
};

// The switches the player sets once the music has started (switch 0 is set
// before the loader pack loads; scene 17's by the scripted rotation).
constexpr int kShowAnimatedScenes[] = {4, 5, 6, 7, 13, 25, 26, 31, 34, 36, 39, 42, 44, 45};

}  // namespace lumen
