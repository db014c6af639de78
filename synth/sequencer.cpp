// The sequencer's tick routine.
//
// [SECTION] Tempo and start of song
// [SECTION] Lookups and envelopes
// [SECTION] Vibrato, auto-vibrato and tone portamento
// [SECTION] Volume column and effects
// [SECTION] Apply to the mixer channel
// [SECTION] Rows and ticks
#include "synth/sequencer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace lumen {

//-----------------------------------------------------------------------------
// [SECTION] Tempo and start of song
//-----------------------------------------------------------------------------

void setTempo(ModulePlayer& player, int tempo) {
    player.tempo = tempo;
    // A tempo below 1 would divide by zero or run time backwards; the loader
    // refuses such a default tempo and the effect cannot set one.
    const int t = std::max(tempo, 1);
    const double tickMs = 1000.0f / (t * static_cast<double>(0.4f));
    player.samplesPerTick = static_cast<int>(tickMs * player.rate * static_cast<double>(0.001f));
}

void startSong(ModulePlayer& player) {
    player.nextOrder = -1;
    player.nextRow = -1;
    player.row = 0;
    player.orderPosition = 0;
    player.samplesLeftInTick = 0;
    player.tick = 0;
    player.songTime = 0;
    player.globalVolume = player.song.defaultGlobalVolume;
    player.speed = player.song.header.defaultSpeed;
    setTempo(player, player.song.header.defaultTempo);
    for (int i = 0; i < kMaxSongChannels; ++i) {
        player.channels[static_cast<size_t>(i)] = ChannelState{};
        player.channels[static_cast<size_t>(i)].mixerChannel = i;
    }
}

//-----------------------------------------------------------------------------
// [SECTION] Lookups and envelopes
//-----------------------------------------------------------------------------

const Instrument& channelInstrument(const ModulePlayer& player, const ChannelState& channel) {
    const Song& song = player.song;
    if (channel.instrument < song.instruments.size()) return song.instruments[channel.instrument];
    return song.emptyInstrument;
}

const Sample& channelSample(const ModulePlayer& player, const ChannelState& channel) {
    const Instrument& instrument = channelInstrument(player, channel);
    // Cell notes above 96 are not notes; their map entry would lie past the map.
    if (channel.note >= kNotes) return player.song.emptySample;
    const uint8_t number = instrument.noteMap[channel.note];
    if (number < kMaxSamplesPerInstrument && instrument.samples[number]) return *instrument.samples[number];
    return player.song.emptySample;
}

void stepEnvelope(EnvelopeState& e, const EnvelopePoint* points, int pointCount, uint8_t type, uint8_t sustain,
                  uint8_t loopStart, uint8_t loopEnd, bool keyOff) {
    if (e.pointIndex < pointCount) {
        if (e.tick == points[e.pointIndex].x) {
            // A loop start beyond the points would send the index off the table.
            if ((type & envflag::Loop) && e.pointIndex == loopEnd && loopStart < pointCount) {
                e.pointIndex = loopStart;
                e.tick = points[loopStart].x;
            }
            const int i = e.pointIndex;
            if (i == pointCount - 1) {
                e.value = points[i].y;
                e.finished = 1;
                return;
            }
            if ((type & envflag::Sustain) && i == sustain && !keyOff) {
                e.value = points[i].y;
                return;
            }
            const int dx = points[i + 1].x - points[i].x;
            e.slope = dx == 0 ? 0 : ((points[i + 1].y - points[i].y) * 65536) / dx;
            e.fixedValue = points[i].y * 65536;
            e.pointIndex = i + 1;
        } else {
            e.fixedValue += e.slope;
        }
    }
    e.value = e.fixedValue >> 16;
    e.tick += 1;
}

namespace {

void stepVolumeEnvelope(ChannelState& ch, const Instrument& in) {
    stepEnvelope(ch.volumeEnvelope, in.volumeEnvelope, in.volumePointCount, in.volumeType, in.volumeSustain,
                 in.volumeLoopStart, in.volumeLoopEnd, ch.keyOff != 0);
}

void stepPanningEnvelope(ChannelState& ch, const Instrument& in) {
    stepEnvelope(ch.panningEnvelope, in.panningEnvelope, in.panningPointCount, in.panningType, in.panningSustain,
                 in.panningLoopStart, in.panningLoopEnd, ch.keyOff != 0);
}

void fadeOut(ChannelState& ch, const Instrument& in) {
    ch.fadeoutVolume = std::max(ch.fadeoutVolume - in.fadeout, 0);
    ch.updateFlags |= kUpdateVolume;
}

//-----------------------------------------------------------------------------
// [SECTION] Vibrato, auto-vibrato and tone portamento
//-----------------------------------------------------------------------------

void vibrato(ChannelState& ch) {
    const int v = static_cast<int>(std::fabs(std::sin(ch.vibratoPosition * 2 * 0.049087375)) * 256);
    int delta = ((v * ch.vibratoDepth) >> 5) & ~3;
    if (ch.vibratoPosition >= 0) delta = -delta;
    ch.periodDelta = delta;
    ch.updateFlags |= kUpdateFrequency;
}

void advanceVibrato(ChannelState& ch) {
    int p = ch.vibratoPosition + ch.vibratoSpeed;
    if (p > 31) p -= 64;
    ch.vibratoPosition = static_cast<int8_t>(p);
}

void autoVibrato(ChannelState& ch, const Instrument& in) {
    const int p = ch.autoVibratoPosition;
    int v = 0;
    switch (in.vibratoType) {
        case autovibrato::Sine: v = static_cast<int>(std::sin(p * static_cast<double>(0.024543688f)) * 64); break;
        case autovibrato::Square: v = p < 128 ? 64 : -64; break;
        case autovibrato::RampDown: v = (128 - ((p + 128) % 256)) >> 1; break;
        case autovibrato::RampUp: v = (128 - ((384 - p) % 256)) >> 1; break;
        default:  // no such waveform: no auto-vibrato
            break;
    }
    int d = v * in.vibratoDepth;
    if (in.vibratoSweep != 0) d = d * ch.autoVibratoSweepCounter / in.vibratoSweep;
    ch.periodDelta += d >> 6;
    ch.autoVibratoSweepCounter = std::min(ch.autoVibratoSweepCounter + 1, int(in.vibratoSweep));
    ch.autoVibratoPosition += in.vibratoRate;
    if (ch.autoVibratoPosition > 255) ch.autoVibratoPosition -= 256;
    ch.updateFlags |= kUpdateFrequency;
}

void tonePortamentoStep(ChannelState& ch) {
    const int speed = ch.portamentoSpeed * 4;
    if (ch.period < ch.portamentoTarget) {
        ch.period = std::min(ch.period + speed, ch.portamentoTarget);
    } else if (ch.period > ch.portamentoTarget) {
        ch.period = std::max(ch.period - speed, ch.portamentoTarget);
    }
    ch.updateFlags |= kUpdateFrequency;
}

//-----------------------------------------------------------------------------
// [SECTION] Volume column and effects
//-----------------------------------------------------------------------------

void volumeDown(ChannelState& ch, int x) {
    ch.volume = std::max(ch.volume - x, 0);
    ch.updateFlags |= kUpdateVolume;
}

void volumeUp(ChannelState& ch, int x) {
    ch.volume = std::min(ch.volume + x, 64);
    ch.updateFlags |= kUpdateVolume;
}

void volumeColumnFirstTick(ChannelState& ch, uint8_t value) {
    const int x = value & 15;
    if (value >= kVolumeColumnSetFirst && value <= kVolumeColumnSetLast) {
        ch.volume = value - kVolumeColumnSetFirst;
        ch.updateFlags |= kUpdateVolume;
        return;
    }
    switch (value >> 4) {
        case volcmd::VolSlideDown:
        case volcmd::FineVolDown: volumeDown(ch, x); break;
        case volcmd::VolSlideUp:
        case volcmd::FineVolUp: volumeUp(ch, x); break;
        case volcmd::VibratoSpeed: ch.vibratoSpeed = static_cast<uint8_t>(x); break;
        case volcmd::Vibrato: ch.vibratoDepth = static_cast<uint8_t>(x); break;
        case volcmd::SetPanning:
            ch.pan = x * 16;
            ch.updateFlags |= kUpdatePan;
            break;
        case volcmd::PanSlideLeft:
            ch.pan -= x;
            ch.updateFlags |= kUpdatePan;
            break;
        case volcmd::PanSlideRight:
            ch.pan += x;
            ch.updateFlags |= kUpdatePan;
            break;
        case volcmd::TonePorta:
            if (x != 0) ch.portamentoSpeed = static_cast<uint8_t>(x * 16);
            ch.portamentoTarget = ch.notePeriod;
            ch.updateFlags &= ~kUpdateTrigger;
            break;
        default: break;
    }
}

void volumeColumnLaterTick(ChannelState& ch, uint8_t value) {
    const int x = value & 15;
    switch (value >> 4) {
        case volcmd::VolSlideDown: volumeDown(ch, x); break;
        case volcmd::VolSlideUp: volumeUp(ch, x); break;
        case volcmd::Vibrato:
            ch.vibratoDepth = static_cast<uint8_t>(x);
            vibrato(ch);
            advanceVibrato(ch);
            break;
        case volcmd::PanSlideLeft:
            ch.pan -= x;
            ch.updateFlags |= kUpdatePan;
            break;
        case volcmd::PanSlideRight:
            ch.pan += x;
            ch.updateFlags |= kUpdatePan;
            break;
        case volcmd::TonePorta: tonePortamentoStep(ch); break;
        default: break;
    }
}

// An offset inside the sample starts the next note there; one past its end
// restarts whatever the mixer channel plays instead of triggering.
void sampleOffset(ModulePlayer& player, ChannelState& ch, const Sample& sample, uint8_t p) {
    if (p) ch.sampleOffsetMemory = p;
    if (uint32_t(ch.sampleOffsetMemory) * 256 < sample.loopEnd()) {
        player.mixer.channel(ch.mixerChannel).startOffset = ch.sampleOffsetMemory * 256;
    } else {
        ch.updateFlags = static_cast<uint8_t>((ch.updateFlags & ~kUpdateTrigger) | kUpdateRestart);
    }
}

// Row (decimal in the parameter's nibbles, 0 past the last row) of the next order entry.
void patternBreak(ModulePlayer& player, int row) {
    player.nextRow = row > kRowsPerPattern - 1 ? 0 : row;
    player.nextOrder = player.orderPosition + 1;
    if (player.nextOrder >= player.song.header.songLength) player.nextOrder = 0;
}

void effectFirstTick(ModulePlayer& player, ChannelState& ch, const Sample& sample, uint8_t command, uint8_t p) {
    const int hi = p >> 4;
    const int lo = p & 15;
    switch (command) {
        case effect::PortaUp:
            if (p) ch.portamentoUpMemory = p;
            break;
        case effect::PortaDown:
            if (p) ch.portamentoDownMemory = p;
            break;
        case effect::TonePorta:
            if (p) ch.portamentoSpeed = p;
            ch.portamentoTarget = ch.notePeriod;
            ch.updateFlags &= ~(kUpdateFrequency | kUpdateTrigger);
            break;
        case effect::Vibrato:
            if (hi) ch.vibratoSpeed = static_cast<uint8_t>(hi);
            if (lo) ch.vibratoDepth = static_cast<uint8_t>(lo);
            vibrato(ch);
            break;
        case effect::SetPanning:
            ch.pan = p;
            ch.updateFlags |= kUpdatePan;
            break;
        case effect::SampleOffset: sampleOffset(player, ch, sample, p); break;
        case effect::VolSlide:
            if (p) ch.volumeSlideMemory = p;
            break;
        case effect::PatternBreak: patternBreak(player, hi * 10 + lo); break;
        case effect::Extended:
            if (hi == extended::SetPanning) {
                ch.pan = lo * 16;
                ch.updateFlags |= kUpdatePan;
            } else if (hi == extended::FineVolSlideUp) {
                if (lo) ch.fineVolumeUpMemory = static_cast<uint8_t>(lo);
                volumeUp(ch, ch.fineVolumeUpMemory);
            }
            break;
        case effect::SetSpeed:
            if (p < kSpeedTempoSplit)
                player.speed = p;
            else
                setTempo(player, p);
            break;
        case effect::SetGlobalVolume:
            player.globalVolume = std::min(int(p), 64);
            ch.updateFlags |= kUpdateVolume;
            break;
        case effect::MultiRetrig:
            if (p) {
                ch.retriggerVolumeChange = static_cast<uint8_t>(hi);
                ch.retriggerInterval = static_cast<uint8_t>(lo);
            }
            break;
        default:  // KeyOff acts in the row step; the rest do nothing
            break;
    }
}

void multiRetrigger(ModulePlayer& player, ChannelState& ch) {
    if (ch.retriggerInterval == 0 || player.tick % ch.retriggerInterval != 0) return;
    static const int kSteps[16] = {0, -1, -2, -4, -8, -16, 0, 0, 0, 1, 2, 4, 8, 16, 0, 0};
    const int change = ch.retriggerVolumeChange;
    if (change != retrig::None) {
        switch (change) {
            case retrig::TwoThirds: ch.volume = ch.volume * 2 / 3; break;
            case retrig::Half: ch.volume >>= 1; break;
            case retrig::ThreeHalves: ch.volume = ch.volume * 3 / 2; break;
            case retrig::Double: ch.volume *= 2; break;
            default: ch.volume += kSteps[change]; break;
        }
        ch.volume = std::clamp(ch.volume, 0, 64);
        ch.updateFlags |= kUpdateVolume;
    }
    ch.updateFlags |= kUpdateTrigger;
}

void effectLaterTick(ModulePlayer& player, ChannelState& ch, uint8_t command, uint8_t p) {
    switch (command) {
        case effect::Arpeggio:
            if (p) {
                const int phase = player.tick % 3;
                if (player.song.header.flags & songflag::LinearFrequency) {
                    if (phase == 1) ch.periodDelta = (p >> 4) * 64;
                    if (phase == 2) ch.periodDelta = (p & 15) * 64;
                }
                ch.updateFlags |= kUpdateFrequency;
            }
            break;
        case effect::PortaUp:
            ch.period = std::max(ch.period - ch.portamentoUpMemory * 4, 56);
            ch.periodDelta = 0;
            ch.updateFlags |= kUpdateFrequency;
            break;
        case effect::PortaDown:
            ch.period += ch.portamentoDownMemory * 4;
            ch.periodDelta = 0;
            ch.updateFlags |= kUpdateFrequency;
            break;
        case effect::TonePorta:
            ch.periodDelta = 0;
            tonePortamentoStep(ch);
            break;
        case effect::Vibrato:
            vibrato(ch);
            advanceVibrato(ch);
            break;
        case effect::VolSlide:
            if (ch.volumeSlideMemory >> 4)
                volumeUp(ch, ch.volumeSlideMemory >> 4);
            else if (ch.volumeSlideMemory & 15)
                volumeDown(ch, ch.volumeSlideMemory & 15);
            ch.updateFlags |= kUpdateVolume;
            break;
        case effect::MultiRetrig: multiRetrigger(player, ch); break;
        default: break;
    }
}

}  // namespace

//-----------------------------------------------------------------------------
// [SECTION] Apply to the mixer channel
//-----------------------------------------------------------------------------

namespace {

// Starts the sample on the channel's mixer channel; a sounding note moves to
// the partner first and ramps out where it was. Returns the channel now used.
MixerChannel* triggerNote(ModulePlayer& player, ChannelState& ch, const Sample& sample) {
    MixerChannel* m = &player.mixer.channel(ch.mixerChannel);
    if (m->sample) {
        const int partner = m->index < 32 ? m->index + 32 : m->index - 32;
        MixerChannel& next = player.mixer.channel(partner);
        next = *m;
        next.index = partner;
        m->volume = 0;
        m->targetA = 0;
        m->targetB = 0;
        ch.mixerChannel = partner;
        m = &next;
    }
    m->sample = &sample;
    if (uint32_t(m->startOffset) >= sample.loopEnd()) m->startOffset = 0;
    m->position = m->startOffset;
    m->positionFraction = 0;
    m->direction = kPlayForward;
    m->startOffset = 0;
    m->currentA = 0;
    m->currentB = 0;
    m->rampFramesLeft = 0;
    return m;
}

// The mixer step (integer and 32-bit fraction) for the channel's period.
void setStep(const ModulePlayer& player, const ChannelState& ch, MixerChannel& m) {
    int64_t f;
    if (player.song.header.flags & songflag::LinearFrequency) {
        const double hz = 8363 * std::pow(2.0, (4608 - ch.period + ch.periodDelta) / 768.0);
        // Far beyond the top note the frequency would not fit an int: hold it there.
        f = hz < 2147483647.0 ? static_cast<int64_t>(hz) : 2147483647;
    } else {
        f = 14317056 / (ch.period + ch.periodDelta);
    }
    const uint64_t g = f < 100 ? 100 : uint64_t(f);
    const uint64_t rate = uint64_t(player.rate);
    const uint64_t step = g / rate;
    m.step = static_cast<int>(step);
    m.stepFraction = static_cast<uint32_t>((((g % rate) << 32) + step) / rate);
}

}  // namespace

int mixerVolume(const ModulePlayer& player, const ChannelState& ch) {
    const double scaled = static_cast<double>(ch.volume) * ch.volumeEnvelope.value * ch.fadeoutVolume *
                          player.globalVolume * static_cast<double>(7.4214768e-9f);
    return static_cast<int>(scaled);
}

int mixerPan(const ChannelState& ch) {
    const int pan = ch.pan;
    return std::clamp(pan + (ch.panningEnvelope.value - 32) * ((128 - std::abs(pan - 128)) / 32), 0, 255);
}

void applyToMixer(ModulePlayer& player, ChannelState& ch, const Sample& sample) {
    MixerChannel* m = &player.mixer.channel(ch.mixerChannel);
    if (ch.period + ch.periodDelta == 0) ch.updateFlags &= ~kUpdateFrequency;
    if (ch.updateFlags & kUpdateTrigger) m = triggerNote(player, ch, sample);
    if (ch.updateFlags & kUpdateVolume) {
        const int v = mixerVolume(player, ch);
        m->volume = v;
        m->targetA = v * m->pan / 255;
        m->targetB = (255 - m->pan) * v / 255;
    }
    if (ch.updateFlags & kUpdatePan) {
        const int final = mixerPan(ch);
        m->pan = final;
        m->targetA = m->volume * final / 255;
        m->targetB = (255 - final) * m->volume / 255;
    }
    if (ch.updateFlags & kUpdateFrequency) setStep(player, ch, *m);
    if (ch.updateFlags & kUpdateRestart) {
        m->position = 0;
        m->positionFraction = 0;
        m->startOffset = 0;
    }
}

//-----------------------------------------------------------------------------
// [SECTION] Rows and ticks
//-----------------------------------------------------------------------------

namespace {

const uint8_t* cellAt(const ModulePlayer& player, int channel) {
    const Pattern& pattern = player.song.patterns[player.song.header.orderTable[player.orderPosition]];
    return &pattern.cells[(size_t(player.row) * size_t(player.song.header.channels) + size_t(channel)) * 5];
}

void processRow(ModulePlayer& player) {
    player.nextOrder = -1;
    player.nextRow = -1;
    const bool linear = player.song.header.flags & songflag::LinearFrequency;
    for (int i = 0; i < player.song.header.channels; ++i) {
        ChannelState& ch = player.channels[size_t(i)];
        const uint8_t* cell = cellAt(player, i);
        const uint8_t noteByte = cell[0], instrumentByte = cell[1], volumeColumn = cell[2], command = cell[3],
                      parameter = cell[4];
        const bool tone = command == effect::TonePorta || command == effect::TonePortaVolSlide;
        const bool hasNote = noteByte != note::None && noteByte != note::KeyOff;
        if (instrumentByte != 0 && !tone) ch.instrument = instrumentByte - 1;
        if (hasNote && !tone) ch.note = noteByte - 1;
        const Instrument& in = channelInstrument(player, ch);
        const Sample& sample = channelSample(player, ch);
        ch.updateFlags = 0;
        if (hasNote) {
            ch.realNote = static_cast<uint8_t>(noteByte + sample.relativeNote - 1);
            if (linear) ch.notePeriod = 7680 - ch.realNote * 64 - sample.finetune / 2;
            if (!tone) ch.period = ch.notePeriod;
            ch.updateFlags = kUpdateTrigger;
        }
        ch.periodDelta = 0;
        ch.updateFlags |= kUpdateFrequency | kUpdateVolume;
        if (hasNote) {
            if (instrumentByte != 0) ch.volume = sample.volume;
            ch.pan = sample.panning;
            ch.volumeEnvelope.value = 64;
            ch.volumeEnvelope.pointIndex = 0;
            ch.volumeEnvelope.tick = 0;
            ch.volumeEnvelope.slope = 0;
            ch.volumeEnvelope.finished = 0;
            ch.panningEnvelope.value = 32;
            ch.panningEnvelope.pointIndex = 0;
            ch.panningEnvelope.tick = 0;
            ch.panningEnvelope.slope = 0;
            ch.panningEnvelope.finished = 0;
            ch.keyOff = 0;
            ch.fadeoutVolume = 65536;
            ch.autoVibratoPosition = 0;
            ch.autoVibratoSweepCounter = 0;
            ch.vibratoPosition = 0;
            ch.updateFlags |= kUpdateVolume | kUpdatePan;
        }
        if (volumeColumn != 0) volumeColumnFirstTick(ch, volumeColumn);
        if (noteByte == note::KeyOff || command == effect::KeyOff) ch.keyOff = 1;
        if (in.volumeType & envflag::On) {
            if (!ch.volumeEnvelope.finished) stepVolumeEnvelope(ch, in);
        } else if (ch.keyOff) {
            ch.volumeEnvelope.value = 0;
        }
        if ((in.panningType & envflag::On) && !ch.panningEnvelope.finished) stepPanningEnvelope(ch, in);
        if (ch.keyOff) fadeOut(ch, in);
        effectFirstTick(player, ch, sample, command, parameter);
        autoVibrato(ch, in);
        applyToMixer(player, ch, sample);
    }
}

void processLaterTick(ModulePlayer& player) {
    for (int i = 0; i < player.song.header.channels; ++i) {
        ChannelState& ch = player.channels[size_t(i)];
        const uint8_t* cell = cellAt(player, i);
        const Instrument& in = channelInstrument(player, ch);
        const Sample& sample = channelSample(player, ch);
        ch.periodDelta = 0;
        ch.updateFlags = 0;
        if ((in.volumeType & envflag::On) && !ch.volumeEnvelope.finished) stepVolumeEnvelope(ch, in);
        if ((in.panningType & envflag::On) && !ch.panningEnvelope.finished) stepPanningEnvelope(ch, in);
        if (ch.keyOff) fadeOut(ch, in);
        volumeColumnLaterTick(ch, cell[2]);
        effectLaterTick(player, ch, cell[3], cell[4]);
        autoVibrato(ch, in);
        applyToMixer(player, ch, sample);
    }
}

}  // namespace

void sequencerTick(ModulePlayer& player) {
    if (player.tick == 0) {
        if (player.nextOrder >= 0) player.orderPosition = player.nextOrder;
        if (player.nextRow >= 0) player.row = player.nextRow;
        processRow(player);
        if (player.nextRow == -1) {
            player.nextRow = player.row + 1;
            const Pattern& pattern = player.song.patterns[player.song.header.orderTable[player.orderPosition]];
            if (player.nextRow >= pattern.rowCount) {
                player.nextOrder = player.orderPosition + 1;
                if (player.nextOrder >= player.song.header.songLength)
                    player.nextOrder = player.song.header.restartPosition;
                player.nextRow = 0;
            }
        }
    } else {
        processLaterTick(player);
    }
    player.tick += 1;
    if (player.tick >= player.speed) player.tick = 0;
}

}  // namespace lumen
