// The module player: the loaded song, its play position and per-channel state,
// and the mixer it drives. One object per playing song; the audio side owns it.
#pragma once
#include <array>
#include <cstdint>

#include "synth/mixer.h"
#include "synth/song.h"

namespace lumen {

// Envelope progress of one song channel (volume or panning).
struct EnvelopeState {
    int tick = 0;
    int pointIndex = 0;
    int fixedValue = 0;  // 16.16
    int value = 0;
    int slope = 0;  // 16.16 per tick
    uint8_t finished = 0;
};

enum UpdateFlags : uint8_t {
    kUpdateFrequency = 1,
    kUpdateVolume = 2,
    kUpdatePan = 4,
    kUpdateTrigger = 8,
    kUpdateRestart = 32,
};

struct ChannelState {
    uint8_t note = 0;  // 0-based
    uint8_t updateFlags = 0;
    int mixerChannel = 0;  // index into the mixer's table
    int period = 0;
    int volume = 0;
    int pan = 0;
    int periodDelta = 0;
    EnvelopeState volumeEnvelope;
    EnvelopeState panningEnvelope;
    int fadeoutVolume = 0;
    int autoVibratoPosition = 0;
    int autoVibratoSweepCounter = 0;
    uint8_t keyOff = 0;
    uint8_t instrument = 0;
    uint8_t realNote = 0;
    int notePeriod = 0;
    int sampleOffsetMemory = 0;
    uint8_t portamentoDownMemory = 0;
    uint8_t portamentoUpMemory = 0;
    uint8_t volumeSlideMemory = 0;
    uint8_t retriggerVolumeChange = 0;
    uint8_t retriggerInterval = 0;
    int portamentoTarget = 0;
    uint8_t portamentoSpeed = 0;
    int8_t vibratoPosition = 0;
    uint8_t vibratoSpeed = 0;
    uint8_t vibratoDepth = 0;
    uint8_t fineVolumeUpMemory = 0;
};

// Song channels 0..31 each have a partner mixer channel 32 above, so a song
// has at most 32 channels.
constexpr int kMaxSongChannels = 32;

struct ModulePlayer;

// Everything playing changes (position, tempo, channel and voice states),
// apart from the loaded song; seeking keeps copies of it. The voices point
// into the song's samples, so a copy only makes sense for the very player it
// was taken from.
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
    int songTime = 0;  // milliseconds
    int rate = kOutputRate;
    std::array<ChannelState, kMaxSongChannels> channels{};
    Mixer mixer;

    static PlayState of(const ModulePlayer& player);
    void restoreInto(ModulePlayer& player) const;
};

struct ModulePlayer : PlayState {
    Song song;
};

inline PlayState PlayState::of(const ModulePlayer& player) { return player; }
inline void PlayState::restoreInto(ModulePlayer& player) const { static_cast<PlayState&>(player) = *this; }

}  // namespace lumen
