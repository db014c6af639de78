// The numbers of the song formats, each named once: pattern cell codes, effect
// commands, volume-column commands, envelope and sample-type bits, loop modes,
// play direction and the sample generator's codes, with name <-> code tables.
#pragma once
#include <cstdint>

namespace lumen {

// Pattern cell bytes that are not plain numbers.
namespace note {
enum : uint8_t {
    None = 0,
    Last = 96,          // notes are 1..96 (C-0 .. B-7)
    KeyOffStored = 97,  // key off as the pattern planes hold it
    KeyOff = 255,       // key off once loaded
};
}  // namespace note
constexpr uint8_t kLastInstrumentNumber = 128;  // instrument bytes above mean none

// Effect commands (the effect-type byte), as XM trackers number them.
namespace effect {
enum : uint8_t {
    Arpeggio = 0,
    PortaUp = 1,
    PortaDown = 2,
    TonePorta = 3,
    Vibrato = 4,
    TonePortaVolSlide = 5,
    VibratoVolSlide = 6,
    Tremolo = 7,
    SetPanning = 8,
    SampleOffset = 9,
    VolSlide = 10,
    PositionJump = 11,
    SetVolume = 12,
    PatternBreak = 13,
    Extended = 14,
    SetSpeed = 15,  // below 32 the speed, else the tempo
    SetGlobalVolume = 16,
    GlobalVolSlide = 17,
    KeyOff = 20,
    SetEnvelopePosition = 21,
    PanSlide = 25,
    MultiRetrig = 27,
    Tremor = 29,
    ExtraFinePorta = 33,
};
}  // namespace effect
constexpr uint8_t kSpeedTempoSplit = 32;  // SetSpeed parameters from here on set the tempo

// Sub-commands of the Extended effect (the parameter's high nibble).
namespace extended {
enum : uint8_t {
    FinePortaUp = 1,
    FinePortaDown = 2,
    GlissandoControl = 3,
    VibratoControl = 4,
    SetFinetune = 5,
    PatternLoop = 6,
    TremoloControl = 7,
    SetPanning = 8,
    RetrigNote = 9,
    FineVolSlideUp = 10,
    FineVolSlideDown = 11,
    NoteCut = 12,
    NoteDelay = 13,
    PatternDelay = 14,
};
}  // namespace extended

// Volume-column commands: the byte's high nibble; the low nibble is the value.
// 0x10..0x50 sets the volume to byte - 0x10 instead.
namespace volcmd {
enum : uint8_t {
    VolSlideDown = 0x6,
    VolSlideUp = 0x7,
    FineVolDown = 0x8,
    FineVolUp = 0x9,
    VibratoSpeed = 0xA,
    Vibrato = 0xB,  // sets the depth and vibrates
    SetPanning = 0xC,
    PanSlideLeft = 0xD,
    PanSlideRight = 0xE,
    TonePorta = 0xF,
};
}  // namespace volcmd
constexpr uint8_t kVolumeColumnSetFirst = 0x10;
constexpr uint8_t kVolumeColumnSetLast = 0x50;

// Multi-retrigger volume changes that are not a plain step.
namespace retrig {
enum : uint8_t { None = 0, TwoThirds = 6, Half = 7, Unchanged = 8, ThreeHalves = 14, Double = 15 };
}  // namespace retrig

// Envelope type bits (volume and panning alike).
namespace envflag {
enum : uint8_t { On = 1, Sustain = 2, Loop = 4 };
}  // namespace envflag

// The module header's flags.
namespace songflag {
enum : uint16_t { LinearFrequency = 1 };
}  // namespace songflag

// Stored sample type bits; ping-pong wins when both are set.
namespace sampletype {
enum : uint8_t { ForwardLoop = 1, PingPongLoop = 2 };
}  // namespace sampletype

// A loaded sample's loop mode (0 only in the empty stand-in sample).
enum LoopMode : uint8_t { kLoopNone = 1, kLoopForward = 2, kLoopPingPong = 4 };

// A mixer channel's play direction.
enum PlayDirection : uint8_t { kPlayForward = 1, kPlayBackward = 2 };

// Instrument auto-vibrato waveforms.
namespace autovibrato {
enum : uint8_t { Sine = 0, Square = 1, RampDown = 2, RampUp = 3 };
}  // namespace autovibrato

// Sample generator definitions: oscillator waveforms and one-pole filter types.
namespace waveform {
enum : uint8_t { Silence = 0, Sine = 1, Saw = 2, Pulse = 3, Noise = 4 };
}  // namespace waveform
namespace filtertype {
enum : uint8_t { None = 0, LowPass = 1, HighPass = 2 };
}  // namespace filtertype
constexpr uint8_t kNoteSequenceEnvelope = 10;  // an oscillator's frequency envelope byte
constexpr uint8_t kNoFrequencyEnvelope = 255;
constexpr int8_t kRestNote = -1;  // the stored note-sequence byte 255

//-----------------------------------------------------------------------------
// Names for text: one row per code, for parsers and printers of song sources.
//-----------------------------------------------------------------------------

using CodeCount = decltype(sizeof 0);

struct CodeName {
    uint8_t code;
    const char* name;
};

inline constexpr CodeName kEffectNames[] = {
    {effect::Arpeggio, "Arpeggio"},
    {effect::PortaUp, "PortaUp"},
    {effect::PortaDown, "PortaDown"},
    {effect::TonePorta, "TonePorta"},
    {effect::Vibrato, "Vibrato"},
    {effect::TonePortaVolSlide, "TonePortaVolSlide"},
    {effect::VibratoVolSlide, "VibratoVolSlide"},
    {effect::Tremolo, "Tremolo"},
    {effect::SetPanning, "SetPanning"},
    {effect::SampleOffset, "SampleOffset"},
    {effect::VolSlide, "VolSlide"},
    {effect::PositionJump, "PositionJump"},
    {effect::SetVolume, "SetVolume"},
    {effect::PatternBreak, "PatternBreak"},
    {effect::Extended, "Extended"},
    {effect::SetSpeed, "SetSpeed"},
    {effect::SetGlobalVolume, "SetGlobalVolume"},
    {effect::GlobalVolSlide, "GlobalVolSlide"},
    {effect::KeyOff, "KeyOff"},
    {effect::SetEnvelopePosition, "SetEnvelopePosition"},
    {effect::PanSlide, "PanSlide"},
    {effect::MultiRetrig, "MultiRetrig"},
    {effect::Tremor, "Tremor"},
    {effect::ExtraFinePorta, "ExtraFinePorta"},
};

inline constexpr CodeName kExtendedNames[] = {
    {extended::FinePortaUp, "FinePortaUp"},
    {extended::FinePortaDown, "FinePortaDown"},
    {extended::GlissandoControl, "GlissandoControl"},
    {extended::VibratoControl, "VibratoControl"},
    {extended::SetFinetune, "SetFinetune"},
    {extended::PatternLoop, "PatternLoop"},
    {extended::TremoloControl, "TremoloControl"},
    {extended::SetPanning, "SetPanning"},
    {extended::RetrigNote, "RetrigNote"},
    {extended::FineVolSlideUp, "FineVolSlideUp"},
    {extended::FineVolSlideDown, "FineVolSlideDown"},
    {extended::NoteCut, "NoteCut"},
    {extended::NoteDelay, "NoteDelay"},
    {extended::PatternDelay, "PatternDelay"},
};

inline constexpr CodeName kVolumeCommandNames[] = {
    {volcmd::VolSlideDown, "VolSlideDown"},   {volcmd::VolSlideUp, "VolSlideUp"},
    {volcmd::FineVolDown, "FineVolDown"},     {volcmd::FineVolUp, "FineVolUp"},
    {volcmd::VibratoSpeed, "VibratoSpeed"},   {volcmd::Vibrato, "Vibrato"},
    {volcmd::SetPanning, "SetPanning"},       {volcmd::PanSlideLeft, "PanSlideLeft"},
    {volcmd::PanSlideRight, "PanSlideRight"}, {volcmd::TonePorta, "TonePorta"},
};

inline constexpr CodeName kEnvelopeFlagNames[] = {
    {envflag::On, "On"},
    {envflag::Sustain, "Sustain"},
    {envflag::Loop, "Loop"},
};

inline constexpr CodeName kLoopModeNames[] = {
    {kLoopNone, "None"},
    {kLoopForward, "Forward"},
    {kLoopPingPong, "PingPong"},
};

inline constexpr CodeName kAutoVibratoNames[] = {
    {autovibrato::Sine, "Sine"},
    {autovibrato::Square, "Square"},
    {autovibrato::RampDown, "RampDown"},
    {autovibrato::RampUp, "RampUp"},
};

inline constexpr CodeName kWaveformNames[] = {
    {waveform::Silence, "Silence"}, {waveform::Sine, "Sine"},   {waveform::Saw, "Saw"},
    {waveform::Pulse, "Pulse"},     {waveform::Noise, "Noise"},
};

inline constexpr CodeName kFilterTypeNames[] = {
    {filtertype::None, "None"},
    {filtertype::LowPass, "LowPass"},
    {filtertype::HighPass, "HighPass"},
};

// The name of code in table, or nullptr if the table has no such code.
template <CodeCount N>
constexpr const char* nameOfCode(const CodeName (&table)[N], uint8_t code) {
    for (const CodeName& row : table)
        if (row.code == code) return row.name;
    return nullptr;
}

// The code named by the `length` characters at `name` (case-sensitive), or -1.
template <CodeCount N>
constexpr int codeOfName(const CodeName (&table)[N], const char* name, CodeCount length) {
    for (const CodeName& row : table) {
        CodeCount i = 0;
        while (i < length && row.name[i] != '\0' && row.name[i] == name[i]) ++i;
        if (i == length && row.name[i] == '\0') return row.code;
    }
    return -1;
}

}  // namespace lumen
