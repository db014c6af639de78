// The XM exporter.
//
// Lumen's sequencer reads some cells differently from XM players, so cells are
// rewritten where XM has a spelling that sounds the same:
// - panning is mirrored (Lumen's pan 255 is fully left, XM's fully right), in
//   sample headers, panning envelopes, 8xx, E8x and the volume column;
// - a note is always a fresh note in Lumen (envelopes and pan restart), so the
//   channel's instrument is repeated on it, and the volume it keeps is written
//   into the volume column when XM would reset it;
// - commands Lumen ignores are left out, effect memories are written out, and
//   volume-column slides that Lumen also runs on the row's first tick become a
//   fine slide plus an effect-column slide;
// - arpeggio nibbles are rearranged for the row's speed, as XM players pick
//   the arpeggio note from the ticks left in the row.
// Notes whose envelopes move where Lumen does not hand the change to the
// mixer (see StaleMix) have no XM spelling and are reported, except a panning
// envelope Lumen only ever applies at its centre, which is left out instead.
// Samples: the generator makes 8-bit samples, which the loader holds in the
// high byte of 16 bits, so the 8-bit form written here is exact.
//
// [SECTION] Walking the first pass
// [SECTION] Cells
// [SECTION] File layout
#include "synth/xm_export.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <optional>

#include "synth/sequencer.h"
#include "synth/song_codes.h"
#include "synth/xm_format.h"

namespace lumen {

namespace {

//-----------------------------------------------------------------------------
// [SECTION] Walking the first pass
//-----------------------------------------------------------------------------

// What a channel holds as a row starts, before the row's cells act.
struct ChannelBefore {
    uint8_t instrument = 0;  // 0-based
    int volume = 0;
    uint8_t portaUp = 0, portaDown = 0, volumeSlide = 0, portaSpeed = 0, fineVolumeUp = 0;
    int sampleOffset = 0;
};

// Ticks of a row on which a sounding channel's mixer volume or pan lags what
// its envelopes (and the global volume) give by then: Lumen hands a new
// volume to the mixer only on ticks that set it (row starts, volume commands,
// fadeout after key off) and a new pan only with a note or a pan command,
// where XM players follow the envelopes on every tick.
enum StaleMix : uint8_t { kStaleVolume = 1, kStalePan = 2 };

struct RowVisit {
    int order = 0;
    int row = 0;
    int speed = 0;  // ticks per row once the row's first tick has run
    std::array<ChannelBefore, kMaxSongChannels> channels{};
    std::array<uint8_t, kMaxSongChannels> stale{};            // StaleMix bits per channel
    std::array<uint8_t, kMaxSongChannels> staleInstrument{};  // the note's instrument, 0-based
};

// What the first pass found: the rows, and per instrument whether Lumen ever
// applied a panning envelope value other than the centre. Where it never did,
// the XM instrument goes without its panning envelope and sounds the same.
struct FirstPass {
    std::vector<RowVisit> visits;
    std::vector<uint8_t> panEnvelopeHeard;
};

// The difference is the note's: it is marked on the row that started the
// channel's sounding note (noteVisit, -1 before the first), once per note.
void noteStaleMix(const ModulePlayer& player, FirstPass& pass, const std::vector<int>& noteVisit) {
    for (int i = 0; i < player.song.header.channels; ++i) {
        const ChannelState& c = player.channels[size_t(i)];
        const MixerChannel& m = player.mixer.channel(c.mixerChannel);
        if (!m.sample) continue;
        const int at = noteVisit[size_t(i)];
        RowVisit& v = at >= 0 ? pass.visits[size_t(at)] : pass.visits.back();
        if (m.volume != mixerVolume(player, c)) v.stale[size_t(i)] |= kStaleVolume;
        if (m.pan != mixerPan(c)) {
            v.stale[size_t(i)] |= kStalePan;
            v.staleInstrument[size_t(i)] = c.instrument;
        }
        // The pan without any envelope: what the pan gives at the centre value.
        if (m.pan != std::clamp(c.pan, 0, 255) && c.instrument < pass.panEnvelopeHeard.size())
            pass.panEnvelopeHeard[c.instrument] = 1;
    }
}

bool startsNote(const ModulePlayer& player, const RowVisit& v, int channel) {
    const Pattern& pattern = player.song.patterns[player.song.header.orderTable[v.order]];
    const uint8_t n = pattern.cells[(size_t(v.row) * size_t(player.song.header.channels) + size_t(channel)) * 5];
    return n != note::None && n <= note::Last;
}

FirstPass walkFirstPass(ModulePlayer& player) {
    startSong(player);
    FirstPass pass;
    pass.panEnvelopeHeard.assign(player.song.instruments.size(), 0);
    std::vector<RowVisit>& visits = pass.visits;
    std::vector<int> noteVisit(kMaxSongChannels, -1);
    const size_t maxRows = size_t(player.song.header.songLength) * kRowsPerPattern + 1;
    while (visits.size() < maxRows) {
        if (player.tick == 0) {
            if (!visits.empty() && player.nextOrder >= 0 && player.nextOrder <= player.orderPosition) break;
            RowVisit v;
            v.order = player.nextOrder >= 0 ? player.nextOrder : player.orderPosition;
            v.row = player.nextRow >= 0 ? player.nextRow : player.row;
            for (size_t i = 0; i < v.channels.size(); ++i) {
                const ChannelState& c = player.channels[i];
                v.channels[i] =
                    ChannelBefore{c.instrument,        c.volume,          c.portamentoUpMemory, c.portamentoDownMemory,
                                  c.volumeSlideMemory, c.portamentoSpeed, c.fineVolumeUpMemory, c.sampleOffsetMemory};
            }
            visits.push_back(v);
            for (int i = 0; i < player.song.header.channels; ++i)
                if (startsNote(player, v, i)) noteVisit[size_t(i)] = int(visits.size() - 1);
            sequencerTick(player);
            visits.back().speed = std::max(player.speed, 1);  // speed 0 plays as 1
            noteStaleMix(player, pass, noteVisit);
            continue;
        }
        sequencerTick(player);
        noteStaleMix(player, pass, noteVisit);
    }
    return pass;
}

//-----------------------------------------------------------------------------
// [SECTION] Cells
//-----------------------------------------------------------------------------

struct Converted {
    XmCell cell;
    std::string difference;  // empty when XM plays it as Lumen does

    bool operator==(const Converted&) const = default;
};

void note(Converted& c, const std::string& what) {
    if (!c.difference.empty()) c.difference += "; ";
    c.difference += what;
}

uint8_t mirroredPan(int pan) { return static_cast<uint8_t>(255 - std::clamp(pan, 0, 255)); }

// A parameter of 0 reuses the effect's memory; XM's memories differ, so the
// remembered value is written out when the channel state is known.
uint8_t fromMemory(uint8_t p, const ChannelBefore* before, int remembered) {
    return p == 0 && before ? static_cast<uint8_t>(remembered) : p;
}

// XM players (after FastTracker 2) pick the arpeggio note by (speed - tick)
// mod 3, Lumen by tick mod 3: find the parameter that gives Lumen's notes on
// every later tick of a row at this speed, if one exists.
void convertArpeggio(Converted& c, uint8_t p, int speed) {
    c.cell.effect = effect::Arpeggio;
    c.cell.parameter = p;
    if (p == 0 || speed == 0) return;
    const int wanted[3] = {0, p >> 4, p & 15};
    int xmNote[3] = {0, -1, -1};  // by XM phase: base, high nibble, low nibble
    bool exact = true;
    for (int tick = 1; tick < speed; ++tick) {
        const int phase = (speed - tick) % 3;
        const int want = wanted[tick % 3];
        if (xmNote[phase] < 0) xmNote[phase] = want;
        exact = exact && xmNote[phase] == want;
    }
    if (!exact) {
        note(c, "arpeggio at speed " + std::to_string(speed) + " has no XM spelling (XM counts its ticks down)");
        return;
    }
    c.cell.parameter = static_cast<uint8_t>(std::max(xmNote[1], 0) << 4 | std::max(xmNote[2], 0));
}

void convertEffect(Converted& c, uint8_t command, uint8_t p, const ChannelBefore* b, int speed) {
    const int hi = p >> 4, lo = p & 15;
    auto set = [&](uint8_t e, uint8_t q) {
        c.cell.effect = e;
        c.cell.parameter = q;
    };
    switch (command) {
        case effect::Arpeggio: convertArpeggio(c, p, b ? speed : 0); break;
        case effect::PortaUp: set(command, fromMemory(p, b, b ? b->portaUp : 0)); break;
        case effect::PortaDown: set(command, fromMemory(p, b, b ? b->portaDown : 0)); break;
        case effect::TonePorta: set(command, fromMemory(p, b, b ? b->portaSpeed : 0)); break;
        case effect::Vibrato: set(command, p); break;
        case effect::SetPanning: set(command, mirroredPan(p)); break;
        case effect::SampleOffset: set(command, fromMemory(p, b, b ? b->sampleOffset : 0)); break;
        case effect::VolSlide: set(command, fromMemory(p, b, b ? b->volumeSlide : 0)); break;
        case effect::PatternBreak: set(command, p); break;
        case effect::Extended:
            if (hi == extended::SetPanning) set(effect::SetPanning, mirroredPan(lo * 16));
            if (hi == extended::FineVolSlideUp) {
                const int amount = lo == 0 && b ? b->fineVolumeUp : lo;
                set(effect::Extended, static_cast<uint8_t>(extended::FineVolSlideUp << 4 | amount));
            }
            break;
        case effect::SetSpeed: set(command, p == 0 ? 1 : p); break;  // speed 0 plays as speed 1
        case effect::SetGlobalVolume: set(command, std::min<uint8_t>(p, 64)); break;
        case effect::KeyOff: set(command, 0); break;
        case effect::MultiRetrig: set(command, p); break;
        default: break;  // Lumen ignores it
    }
}

bool effectFree(const Converted& c) { return c.cell.effect == 0 && c.cell.parameter == 0; }

// Volume slides that Lumen runs on every tick, the first one included.
void convertVolumeSlide(Converted& c, uint8_t value, int x, bool up) {
    if (x == 0) return;
    if (effectFree(c)) {
        c.cell.volume = static_cast<uint8_t>((up ? volcmd::FineVolUp : volcmd::FineVolDown) << 4 | x);
        c.cell.effect = effect::VolSlide;
        c.cell.parameter = static_cast<uint8_t>(up ? x << 4 : x);
    } else {
        c.cell.volume = value;
        note(c, "volume-column slide also acts on the row's first tick in Lumen");
    }
}

void convertVolume(Converted& c, uint8_t value, bool hasNote) {
    const int x = value & 15;
    if (value == 0) return;
    if (value >= kVolumeColumnSetFirst && value <= kVolumeColumnSetLast) {
        c.cell.volume = value;
        return;
    }
    switch (value >> 4) {
        case volcmd::VolSlideDown: convertVolumeSlide(c, value, x, false); break;
        case volcmd::VolSlideUp: convertVolumeSlide(c, value, x, true); break;
        case volcmd::FineVolDown:
        case volcmd::FineVolUp:
        case volcmd::VibratoSpeed:
        case volcmd::Vibrato: c.cell.volume = value; break;
        case volcmd::SetPanning:
            if (effectFree(c)) {
                c.cell.effect = effect::SetPanning;
                c.cell.parameter = mirroredPan(x * 16);
            } else {
                c.cell.volume = static_cast<uint8_t>(volcmd::SetPanning << 4 | (15 - x));
                note(c, "mirrored volume-column pan is 15/255 off (the effect column is taken)");
            }
            break;
        case volcmd::PanSlideLeft:
        case volcmd::PanSlideRight:
            if (x == 0) break;
            c.cell.volume = static_cast<uint8_t>(
                ((value >> 4) == volcmd::PanSlideLeft ? volcmd::PanSlideRight : volcmd::PanSlideLeft) << 4 | x);
            note(c, "volume-column pan slide also acts on the row's first tick in Lumen");
            break;
        case volcmd::TonePorta:
            c.cell.volume = value;
            if (hasNote) note(c, "volume-column tone portamento with a note jumps to the note at once in Lumen");
            break;
        default: break;  // Lumen ignores it
    }
}

const Sample* noteSample(const Song& song, int instrument, int noteByte) {
    if (instrument < 0 || size_t(instrument) >= song.instruments.size() || noteByte < 1 || noteByte > kNotes)
        return nullptr;
    const Instrument& in = song.instruments[size_t(instrument)];
    const uint8_t number = in.noteMap[noteByte - 1];
    return number < kMaxSamplesPerInstrument ? in.samples[number] : nullptr;
}

// Note and instrument: every note restarts envelopes and pan in Lumen, but
// keeps the volume unless the cell names an instrument.
void convertNote(Converted& c, const Song& song, const uint8_t* cell, const ChannelBefore* b) {
    const uint8_t noteByte = cell[0], instrumentByte = cell[1], volume = cell[2], command = cell[3];
    const bool tone = command == effect::TonePorta || command == effect::TonePortaVolSlide;
    if (noteByte == note::KeyOff) c.cell.note = xm::kKeyOffNote;
    if (noteByte > note::Last && noteByte != note::KeyOff) {
        c.cell.note = xm::kKeyOffNote;
        note(c, "a note beyond B-7 cuts the channel in Lumen");
    }
    const bool hasNote = noteByte != note::None && noteByte <= note::Last;
    if (!hasNote) {
        if (instrumentByte != 0 && !tone && b && instrumentByte - 1 != b->instrument)
            note(c, "an instrument without a note switches the sounding note's instrument in Lumen");
        return;
    }
    c.cell.note = noteByte;
    if (command == effect::TonePortaVolSlide)
        note(c, "tone portamento with volume slide retriggers at the old pitch in Lumen");
    if (!b) {
        c.cell.instrument = instrumentByte;
        return;
    }
    const int instrument = (instrumentByte != 0 && !tone) ? instrumentByte - 1 : b->instrument;
    c.cell.instrument = static_cast<uint8_t>(instrument + 1);
    if (size_t(instrument) >= song.instruments.size()) note(c, "the instrument does not exist: silence in Lumen");
    const Sample* played = noteSample(song, instrument, noteByte);
    if (command == effect::SampleOffset && played && !tone && uint32_t(c.cell.parameter) * 256 >= played->loopEnd())
        note(c, "a sample offset past the sample's end restarts the sounding note in Lumen");
    if (instrumentByte != 0) return;
    // XM resets the volume to the sample's; Lumen keeps the channel's.
    if (!tone && played && played->volume == b->volume) return;
    if (c.cell.volume == 0) {
        c.cell.volume = static_cast<uint8_t>(kVolumeColumnSetFirst + b->volume);
    } else if (!(volume >= kVolumeColumnSetFirst && volume <= kVolumeColumnSetLast)) {
        note(c, "the note keeps the channel's volume in Lumen before the volume column acts");
    }
}

// before is null for cells the first pass never plays; speed is the row's.
Converted convertCell(const Song& song, const uint8_t* cell, const ChannelBefore* before, int speed) {
    Converted c;
    convertEffect(c, cell[3], cell[4], before, speed);
    const bool hasNote = cell[0] != note::None && cell[0] <= note::Last;
    convertVolume(c, cell[2], hasNote);
    convertNote(c, song, cell, before);
    return c;
}

}  // namespace

//-----------------------------------------------------------------------------
// [SECTION] File layout
//-----------------------------------------------------------------------------

namespace {

void put8(std::vector<uint8_t>& out, int v) { out.push_back(static_cast<uint8_t>(v)); }
void put16(std::vector<uint8_t>& out, int v) {
    put8(out, v);
    put8(out, v >> 8);
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) put8(out, int(v >> (8 * i)));
}
void putText(std::vector<uint8_t>& out, const std::string& text, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) put8(out, i < text.size() ? text[i] : 0);
}

// XM trackers keep an even channel count; a song with an odd one gets an
// empty channel at the right.
int xmChannels(const Song& song) { return (song.header.channels + 1) / 2 * 2; }

struct ConvertedPatterns {
    std::vector<std::vector<XmCell>> cells;  // per pattern, row by row
    std::vector<std::string> report;
    std::vector<uint8_t> dropPanEnvelope;  // per instrument
};

ConvertedPatterns convertPatterns(ModulePlayer& player) {
    const Song& song = player.song;
    const FirstPass pass = walkFirstPass(player);
    const std::vector<RowVisit>& visits = pass.visits;
    const int channels = song.header.channels, width = xmChannels(song);
    // The first visit of each cell decides it; later visits that would need
    // another spelling are reported.
    std::map<size_t, Converted> decided;
    ConvertedPatterns out;
    for (size_t i = 0; i < song.instruments.size(); ++i)
        out.dropPanEnvelope.push_back((song.instruments[i].panningType & envflag::On) && !pass.panEnvelopeHeard[i]);
    out.cells.resize(song.patterns.size());
    for (size_t p = 0; p < song.patterns.size(); ++p) out.cells[p].resize(size_t(kRowsPerPattern * width));
    auto cellBytes = [&](int pattern, int row, int ch) {
        return &song.patterns[size_t(pattern)].cells[(size_t(row) * size_t(channels) + size_t(ch)) * 5];
    };
    for (const RowVisit& v : visits) {
        const int pattern = song.header.orderTable[v.order];
        for (int ch = 0; ch < channels; ++ch) {
            const size_t key = (size_t(pattern) * kRowsPerPattern + size_t(v.row)) * size_t(width) + size_t(ch);
            const Converted c = convertCell(song, cellBytes(pattern, v.row, ch), &v.channels[size_t(ch)], v.speed);
            const auto [it, first] = decided.emplace(key, c);
            std::string what = c.difference;
            if (!first && !(it->second.cell == c.cell))
                what = "played again with other channel state; written as first played";
            else if (!first)
                what.clear();  // reported at its first visit
            const uint8_t stale = v.stale[size_t(ch)];
            if (stale & kStaleVolume)
                what += std::string(what.empty() ? "" : "; ") +
                        "the note's volume envelope moves within rows; Lumen applies it only on row starts, "
                        "volume commands and after key off";
            const uint8_t staleInstrument = v.staleInstrument[size_t(ch)];
            if ((stale & kStalePan) &&
                !(staleInstrument < out.dropPanEnvelope.size() && out.dropPanEnvelope[staleInstrument]))
                what += std::string(what.empty() ? "" : "; ") +
                        "the note's panning envelope moves; Lumen applies it only with a note or a pan command";
            if (!what.empty())
                out.report.push_back("order " + std::to_string(v.order) + " row " + std::to_string(v.row) +
                                     " channel " + std::to_string(ch + 1) + " (pattern " + std::to_string(pattern) +
                                     "): " + what);
        }
    }
    for (size_t p = 0; p < song.patterns.size(); ++p)
        for (int row = 0; row < kRowsPerPattern; ++row)
            for (int ch = 0; ch < channels; ++ch) {
                const size_t key = (p * kRowsPerPattern + size_t(row)) * size_t(width) + size_t(ch);
                const auto it = decided.find(key);
                // Cells the first pass never plays keep their own instruments.
                out.cells[p][size_t(row * width + ch)] =
                    it != decided.end() ? it->second.cell
                                        : convertCell(song, cellBytes(int(p), row, ch), nullptr, 0).cell;
            }
    return out;
}

void writeHeader(std::vector<uint8_t>& out, const Song& song, const std::string& name) {
    const SongHeader& h = song.header;
    putText(out, xm::kIdText, xm::kIdBytes);
    putText(out, name, xm::kNameBytes);
    put8(out, xm::kNameEnd);
    putText(out, "Lumen lumenkit", xm::kNameBytes);
    put16(out, xm::kVersion);
    put32(out, xm::kHeaderSize);
    put16(out, h.songLength);
    put16(out, h.restartPosition);
    put16(out, xmChannels(song));
    put16(out, h.patterns);
    put16(out, h.instruments);
    put16(out, h.flags & songflag::LinearFrequency);
    put16(out, h.defaultSpeed);
    put16(out, h.defaultTempo);
    for (size_t i = 0; i < xm::kOrderTableBytes; ++i) put8(out, i < size_t(h.songLength) ? h.orderTable[i] : 0);
}

void writeEnvelope(std::vector<uint8_t>& out, const EnvelopePoint* points, bool mirror) {
    for (int k = 0; k < kMaxEnvelopePoints; ++k) {
        put16(out, points[k].x);
        put16(out, mirror ? std::max(0, xm::kPanEnvelopeMax - points[k].y) : points[k].y);
    }
}

uint8_t sampleType(const Sample& s) {
    if (s.loopMode == kLoopForward) return xm::sampletype::ForwardLoop;
    if (s.loopMode == kLoopPingPong) return xm::sampletype::PingPongLoop;
    return xm::sampletype::NoLoop;
}

// dropPanEnvelope: Lumen never applied the instrument's panning envelope off
// the centre, so XM players must not follow it either.
void writeInstrument(std::vector<uint8_t>& out, const Instrument& in, int number, bool dropPanEnvelope) {
    const size_t start = out.size();
    const int samples = in.sampleCount;
    put32(out, samples ? xm::kInstrumentHeaderSize : xm::kEmptyInstrumentHeaderSize);
    putText(out, "instrument " + std::to_string(number), xm::kInstrumentNameBytes);
    put8(out, 0);
    put16(out, samples);
    if (samples == 0) return;
    put32(out, xm::kSampleHeaderSize);
    out.insert(out.end(), in.noteMap, in.noteMap + kNotes);
    writeEnvelope(out, in.volumeEnvelope, false);
    writeEnvelope(out, in.panningEnvelope, true);
    for (int v : {in.volumePointCount, in.panningPointCount, in.volumeSustain, in.volumeLoopStart, in.volumeLoopEnd,
                  in.panningSustain, in.panningLoopStart, in.panningLoopEnd, in.volumeType,
                  dropPanEnvelope ? uint8_t(0) : in.panningType, in.vibratoType, in.vibratoSweep, in.vibratoDepth,
                  in.vibratoRate})
        put8(out, v);
    put16(out, in.fadeout / 2);  // held doubled
    out.resize(start + xm::kInstrumentHeaderSize, 0);
    for (int s = 0; s < samples; ++s) {
        static const Sample kNone{};
        const Sample& sample = in.samples[s] ? *in.samples[s] : kNone;
        const bool loops = sample.loopMode == kLoopForward || sample.loopMode == kLoopPingPong;
        put32(out, sample.length);
        put32(out, loops ? sample.loopStart : 0);
        put32(out, loops ? sample.loopLength : 0);
        put8(out, sample.volume);
        put8(out, sample.finetune);
        put8(out, sampleType(sample));
        put8(out, mirroredPan(sample.panning));
        put8(out, sample.relativeNote);
        put8(out, 0);
        putText(out, "sample " + std::to_string(s + 1), xm::kSampleNameBytes);
    }
    for (int s = 0; s < samples; ++s) {
        if (!in.samples[s]) continue;
        // The high byte is the generated 8-bit sample; delta-encoded.
        int8_t previous = 0;
        for (uint32_t k = 0; k < in.samples[s]->length; ++k) {
            const auto value = static_cast<int8_t>(in.samples[s]->data[k] >> 8);
            put8(out, static_cast<uint8_t>(value - previous));
            previous = value;
        }
    }
}

}  // namespace

XmExport exportXm(ModulePlayer& player, const std::string& moduleName) {
    const Song& song = player.song;
    if (xmChannels(song) > xm::kMaxChannels)
        throw XmFormatError("the song has " + std::to_string(song.header.channels) + " channels; XM holds at most " +
                            std::to_string(xm::kMaxChannels));
    if (song.instruments.size() > size_t(xm::kMaxInstruments))
        throw XmFormatError("the song has " + std::to_string(song.instruments.size()) +
                            " instruments; XM holds at most " + std::to_string(xm::kMaxInstruments));
    ConvertedPatterns patterns = convertPatterns(player);
    XmExport result;
    std::vector<uint8_t>& out = result.bytes;
    writeHeader(out, song, moduleName);
    for (const auto& cells : patterns.cells) {
        const std::vector<uint8_t> packed = packXmPattern(cells);
        put32(out, xm::kPatternHeaderSize);
        put8(out, xm::kPackingType);
        put16(out, kRowsPerPattern);
        put16(out, int(packed.size()));
        out.insert(out.end(), packed.begin(), packed.end());
    }
    for (size_t i = 0; i < song.instruments.size(); ++i)
        writeInstrument(out, song.instruments[i], int(i + 1), patterns.dropPanEnvelope[i]);
    result.report = std::move(patterns.report);
    return result;
}

}  // namespace lumen
