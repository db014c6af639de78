// A copy of everything playing changes in a module player (position, tempo,
// channel and voice states), without the song: seeking restores one of these.
#pragma once
#include <array>

#include "synth/module_player.h"

namespace lumen {

// The voices point into the song's samples, so a state only makes sense for
// the very player (the same loaded song) it was taken from.
struct PlayState {
    int samplesLeftInTick = 0;
    int samplesPerTick = 0;
    int globalVolume = 0;
    int tick = 0;
    int speed = 0;
    int tempo = 0;
    int row = 0;
    int orderPosition = 0;
    int nextRow = -1;
    int nextOrder = -1;
    int songTime = 0;
    int rate = kOutputRate;
    std::array<ChannelState, kMaxSongChannels> channels{};
    Mixer mixer;

    static PlayState of(const ModulePlayer& player);
    void restoreInto(ModulePlayer& player) const;
};

}  // namespace lumen
