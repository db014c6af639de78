// Taking and restoring a module player's play state, field by field.
#include "synth/play_state.h"

namespace lumen {

PlayState PlayState::of(const ModulePlayer& p) {
    PlayState s;
    s.samplesLeftInTick = p.samplesLeftInTick;
    s.samplesPerTick = p.samplesPerTick;
    s.globalVolume = p.globalVolume;
    s.tick = p.tick;
    s.speed = p.speed;
    s.tempo = p.tempo;
    s.row = p.row;
    s.orderPosition = p.orderPosition;
    s.nextRow = p.nextRow;
    s.nextOrder = p.nextOrder;
    s.songTime = p.songTime;
    s.rate = p.rate;
    s.channels = p.channels;
    s.mixer = p.mixer;
    return s;
}

void PlayState::restoreInto(ModulePlayer& p) const {
    p.samplesLeftInTick = samplesLeftInTick;
    p.samplesPerTick = samplesPerTick;
    p.globalVolume = globalVolume;
    p.tick = tick;
    p.speed = speed;
    p.tempo = tempo;
    p.row = row;
    p.orderPosition = orderPosition;
    p.nextRow = nextRow;
    p.nextOrder = nextOrder;
    p.songTime = songTime;
    p.rate = rate;
    p.channels = channels;
    p.mixer = mixer;
}

}  // namespace lumen
