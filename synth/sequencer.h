// The sequencer: plays the loaded song tick by tick, reading rows, running
// effects, envelopes, fadeout and vibrato, and handing each song channel's
// sample, step, volume and pan to its mixer channel.
#pragma once
#include "synth/module_player.h"

namespace lumen {

// tempo = t; samples per tick from the 2.5 / t seconds of a tick.
void setTempo(ModulePlayer& player, int tempo);

// Back to order 0, row 0 with the header's speed and tempo; channel states
// cleared and song channel i bound to mixer channel i.
void startSong(ModulePlayer& player);

// One tick: a row's first tick reads its cells, later ticks run the effects.
void sequencerTick(ModulePlayer& player);

// One step of an envelope (volume or panning) of an instrument.
void stepEnvelope(EnvelopeState& e, const EnvelopePoint* points, int pointCount, uint8_t type, uint8_t sustain,
                  uint8_t loopStart, uint8_t loopEnd, bool keyOff);

// The instrument and sample a channel plays, or the empty stand-ins.
const Instrument& channelInstrument(const ModulePlayer& player, const ChannelState& channel);
const Sample& channelSample(const ModulePlayer& player, const ChannelState& channel);

// The mixer volume (0..127) and final pan (0..255) the channel's current state
// gives, envelopes included; the apply step writes them when their flag is set.
int mixerVolume(const ModulePlayer& player, const ChannelState& channel);
int mixerPan(const ChannelState& channel);

// Writes the channel's flagged changes into its mixer channel.
void applyToMixer(ModulePlayer& player, ChannelState& channel, const Sample& sample);

}  // namespace lumen
