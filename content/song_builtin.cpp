// "Lumen Drift": the show's soundtrack, an original 8-channel tune in C minor
// at 125 BPM. The song is authored here with small helpers; what the program
// stores is the bytes they produce, in the song image, pattern plane and
// generator definition layouts.
//
// [SECTION] Instruments: generator patches and sample headers
// [SECTION] Pattern helpers
// [SECTION] Patterns
// [SECTION] Assembly
#include "content/song_builtin.h"

#include "synth/definition_writer.h"
#include "synth/song_codes.h"
#include "synth/song_writer.h"

namespace lumen::content {

namespace {

//-----------------------------------------------------------------------------
// [SECTION] Instruments: generator patches and sample headers
//-----------------------------------------------------------------------------

// A generated waveform of frequency F (generator units) repeats every 88200 / F
// samples; played back at C-4 (8363 Hz) it sounds at F x 8363 / 88200 Hz.
// 2756.25 gives a 32-sample period, which makes C-4 and seamless loops.
constexpr float kC4 = 2756.25f;

enum Instrument : uint8_t { kKick = 1, kSnare, kHat, kBass, kPad, kLead, kArp };

Oscillator osc(uint8_t wave, float frequency, float amplitude, int8_t amplitudeEnvelope = -1) {
    Oscillator o;
    o.waveform = wave;
    o.frequency = frequency;
    o.amplitude = amplitude;
    o.amplitudeEnvelope = amplitudeEnvelope;
    return o;
}

GeneratorDefinition patch(int length, float gain) {
    GeneratorDefinition d;
    d.length = length;
    d.gain = gain;
    d.clipLevel = 1.0f;
    return d;
}

// A sine that falls from about 225 Hz to 57 Hz while it decays.
GeneratorDefinition kickPatch() {
    GeneratorDefinition d = patch(11025, 1.2f);
    d.envelopes = {{0, 8, 62, 1.0f}, {0, 0, 12, 1.0f}};
    Oscillator body = osc(waveform::Sine, 600, 100, 0);
    body.frequencyEnvelope = 1;
    d.oscillators = {body};
    return d;
}

// Noise and a short tone, high-passed.
GeneratorDefinition snarePatch() {
    GeneratorDefinition d = patch(8000, 0.9f);
    d.envelopes = {{0, 5, 55, 1.0f}, {0, 0, 20, 1.0f}};
    d.oscillators = {osc(waveform::Noise, 0, 80, 0), osc(waveform::Sine, 2000, 60, 1)};
    d.filterType = filtertype::HighPass;
    d.cutoff = 900;
    return d;
}

GeneratorDefinition hatPatch() {
    GeneratorDefinition d = patch(3000, 0.7f);
    d.envelopes = {{0, 0, 35, 1.0f}};
    d.oscillators = {osc(waveform::Noise, 0, 100, 0)};
    d.filterType = filtertype::HighPass;
    d.cutoff = 7000;
    return d;
}

// A saw with a gentle low-pass; the loop spans whole periods.
GeneratorDefinition bassPatch() {
    GeneratorDefinition d = patch(16384, 0.8f);
    d.oscillators = {osc(waveform::Saw, kC4, 100), osc(waveform::Sine, kC4 / 2, 50)};
    d.filterType = filtertype::LowPass;
    d.cutoff = 1800;
    return d;
}

// A slowly breathing pulse under a resonant sweep, for held chords.
GeneratorDefinition padPatch() {
    GeneratorDefinition d = patch(65536, 0.5f);
    d.envelopes = {{10, 50, 40, 1.0f}, {0, 100, 0, 1.0f}};
    Oscillator pulse = osc(waveform::Pulse, kC4, 70, 1);
    pulse.pulseWidth = 50;
    pulse.pulseWidthEnvelope = 0;
    d.oscillators = {pulse, osc(waveform::Sine, kC4 * 2, 30, 1)};
    d.resonantFilterOn = true;
    d.resonantCutoff = 3000;
    d.resonantCutoffEnvelope = 0;
    d.resonance = 1.5f;
    return d;
}

GeneratorDefinition leadPatch() {
    GeneratorDefinition d = patch(8192, 0.6f);
    Oscillator pulse = osc(waveform::Pulse, kC4, 100);
    pulse.pulseWidth = 30;
    d.oscillators = {pulse, osc(waveform::Saw, kC4 * 2, 25)};
    return d;
}

// A 16-step arpeggio played by the generator itself: each step a plucked note.
GeneratorDefinition arpPatch() {
    GeneratorDefinition d = patch(65536, 0.55f);
    Oscillator pulse = osc(waveform::Pulse, 0, 100);
    pulse.frequencyEnvelope = kNoteSequenceEnvelope;
    pulse.pulseWidth = 25;
    d.oscillators = {pulse};
    d.hasNoteSequence = true;
    const int8_t steps[16] = {60, 63, 67, 72, 67, 63, 60, kRestNote, 60, 63, 67, 74, 75, 74, 67, kRestNote};
    for (int i = 0; i < 16; ++i) d.noteSequence[i] = steps[i];
    d.noteEnvelope = {2, 10, 60, 1.0f};
    d.filterType = filtertype::LowPass;
    d.cutoff = 3500;
    return d;
}

constexpr uint8_t kNoLoop = 0;  // sample type without loop bits

InstrumentSpec instrument(uint32_t length, uint8_t loopType, uint32_t loopStart, uint32_t loopLength, uint8_t volume,
                          uint8_t panning) {
    InstrumentSpec in;
    SampleHeaderSpec s;
    s.length = length;
    s.type = loopType;
    s.loopStart = loopStart;
    s.loopLength = loopLength;
    s.volume = volume;
    s.panning = panning;
    in.samples.push_back(s);
    return in;
}

// A held note that dies away after key off.
void releaseEnvelope(InstrumentSpec& in, uint16_t fadeout) {
    in.volume.points = {{0, 0}, {4, 64}, {30, 48}, {200, 40}};
    in.volume.sustain = 2;
    in.volume.type = envflag::On | envflag::Sustain;
    in.fadeout = fadeout;
}

struct Voice {
    InstrumentSpec header;
    GeneratorDefinition patch;
};

std::vector<Voice> voices() {
    std::vector<Voice> v;
    v.push_back({instrument(11025, kNoLoop, 0, 0, 64, 128), kickPatch()});
    v.push_back({instrument(8000, kNoLoop, 0, 0, 52, 120), snarePatch()});
    v.push_back({instrument(3000, kNoLoop, 0, 0, 36, 170), hatPatch()});
    Voice bass{instrument(16384, sampletype::ForwardLoop, 8192, 8192, 56, 128), bassPatch()};
    bass.header.volume.points = {{0, 64}, {6, 50}, {24, 36}};
    bass.header.volume.type = envflag::On;
    bass.header.fadeout = 2048;
    v.push_back(bass);
    Voice pad{instrument(65536, sampletype::PingPongLoop, 16384, 49152, 34, 128), padPatch()};
    releaseEnvelope(pad.header, 300);
    pad.header.vibratoType = autovibrato::Sine;
    pad.header.vibratoSweep = 40;
    pad.header.vibratoDepth = 3;
    pad.header.vibratoRate = 6;
    v.push_back(pad);
    Voice lead{instrument(8192, sampletype::ForwardLoop, 4096, 4096, 44, 100), leadPatch()};
    releaseEnvelope(lead.header, 900);
    v.push_back(lead);
    v.push_back({instrument(65536, kNoLoop, 0, 0, 40, 190), arpPatch()});
    for (Voice& voice : v)
        for (uint8_t& entry : voice.header.noteMap) entry = 0;
    return v;
}

//-----------------------------------------------------------------------------
// [SECTION] Pattern helpers
//-----------------------------------------------------------------------------

enum Channel { kKickCh, kSnareCh, kHatCh, kBassCh, kPad1, kPad2, kPad3, kLeadCh, kChannels };

// Note numbers: C-4 is 49; semitones counted up from C.
constexpr uint8_t note(int octave, int semitone) { return static_cast<uint8_t>(octave * 12 + semitone + 1); }
constexpr uint8_t kKeyOff = note::KeyOffStored;
// Volume column bytes: a set volume, or a command with its value.
constexpr uint8_t setVolume(int v) { return static_cast<uint8_t>(kVolumeColumnSetFirst + v); }
constexpr uint8_t volumeCommand(uint8_t command, int x) { return static_cast<uint8_t>(command << 4 | x); }
enum Semitone { C = 0, Eb = 3, D = 2, F = 5, G = 7, Ab = 8, Bb = 10, B = 11 };

class PatternBuilder {
public:
    PatternBuilder(PatternPlaneWriter& planes, int pattern) : planes_(planes), pattern_(pattern) {}

    void put(int row, Channel ch, uint8_t n, uint8_t ins, uint8_t vol = 0, uint8_t fx = 0, uint8_t param = 0) {
        planes_.set(pattern_, row, ch, Cell{n, ins, vol, fx, param});
    }

    void fourOnTheFloor() {
        for (int row = 0; row < 64; row += 8) put(row, kKickCh, note(4, C), kKick);
        for (int row = 4; row < 64; row += 8) put(row, kKickCh, note(4, C), kKick, setVolume(24));
    }
    void backbeat() {
        for (int row = 8; row < 64; row += 16) put(row, kSnareCh, note(4, C), kSnare);
    }
    void hats(int from = 0) {
        for (int row = from; row < 64; row += 2) put(row, kHatCh, note(4, row % 4 ? D : C), kHat, row % 4 ? setVolume(16) : 0);
    }
    // Eighth notes on the root with an octave jump, one chord per half pattern.
    void bassLine(int firstRoot, int secondRoot) {
        for (int row = 0; row < 64; row += 2) {
            const int root = row < 32 ? firstRoot : secondRoot;
            const int octave = (row % 8 == 6) ? 3 : 2;
            put(row, kBassCh, note(octave, root), kBass);
        }
    }
    void chord(int row, int a, int b, int c, uint8_t volume = 0) {
        put(row, kPad1, note(4, a), kPad, volume);
        put(row, kPad2, note(4, b), kPad, volume);
        put(row, kPad3, note(4, c) > note(4, a) ? note(4, c) : note(5, c), kPad, volume);
    }
    void padsOff(int row) {
        put(row, kPad1, kKeyOff, 0);
        put(row, kPad2, kKeyOff, 0);
        put(row, kPad3, kKeyOff, 0);
    }

private:
    PatternPlaneWriter& planes_;
    int pattern_;
};

//-----------------------------------------------------------------------------
// [SECTION] Patterns
//-----------------------------------------------------------------------------

// Intro: the pads fade in, the arpeggio enters half way, a lone kick marks bars.
void intro(PatternBuilder& p) {
    p.chord(0, C, Eb, G, setVolume(8));
    for (int row = 2; row < 32; row += 2) {
        const uint8_t swell = volumeCommand(volcmd::FineVolUp, 1);  // two steps a beat
        p.put(row, kPad1, 0, 0, swell);
        p.put(row, kPad2, 0, 0, swell);
        p.put(row, kPad3, 0, 0, swell);
    }
    p.chord(32, Ab, C, Eb);
    p.put(32, kLeadCh, note(5, C), kArp);
    for (int row = 0; row < 64; row += 16) p.put(row, kKickCh, note(4, C), kKick);
    p.hats(48);
}

// Main A: the full groove over C minor and A flat.
void mainA(PatternBuilder& p) {
    p.fourOnTheFloor();
    p.backbeat();
    p.hats();
    p.bassLine(C, Ab);
    p.chord(0, C, Eb, G);
    p.chord(32, Ab, C, Eb);
    p.put(0, kLeadCh, note(5, C), kArp, 0, effect::SetPanning, 200);  // arpeggio, panned right
}

// Main B: B flat and G with a lead melody; a snare roll closes it.
void mainB(PatternBuilder& p) {
    p.fourOnTheFloor();
    p.backbeat();
    p.hats();
    p.bassLine(Bb, G);
    p.chord(0, Bb, D, F);
    p.chord(32, G, B, D);
    const struct {
        int row;
        uint8_t n;
        uint8_t fx;
        uint8_t param;
    } melody[] = {
        {0, note(5, G), effect::Vibrato, 0x46},
        {6, note(5, F), 0, 0},
        {8, note(5, Eb), 0, 0},
        {12, note(5, D), effect::Arpeggio, 0x37},
        {16, note(5, Bb), effect::Vibrato, 0x46},
        {24, note(5, C), effect::TonePorta, 0x10},
        {32, note(5, D), 0, 0},
        {38, note(5, Eb), 0, 0},
        {40, note(5, D), effect::Vibrato, 0x35},
        {48, note(4, B), 0, 0},
        {56, kKeyOff, 0, 0},
    };
    for (const auto& m : melody) p.put(m.row, kLeadCh, m.n, m.n == kKeyOff ? 0 : kLead, 0, m.fx, m.param);
    p.put(56, kSnareCh, note(4, C), kSnare, setVolume(32), effect::MultiRetrig, 0x92);  // every 2 ticks, rising
}

// Break: drums drop out, the bass is released, the pads swell and fall, and
// the pattern is cut short into the next one.
void breakdown(PatternBuilder& p) {
    p.put(0, kBassCh, kKeyOff, 0);
    p.chord(0, Ab, C, Eb);
    p.chord(16, F, Ab, C);
    p.chord(32, G, B, D);
    for (int row = 40; row < 48; ++row) p.put(row, kPad1, 0, 0, 0, effect::VolSlide, 0x02);  // slide down
    p.put(0, kLeadCh, note(5, C), kArp, 0, effect::SetPanning, 80);
    p.put(32, kHatCh, note(4, C), kHat, 0, effect::SetSpeed, 5);  // a moment of speed 5
    p.put(40, kKickCh, note(4, C), kKick);
    p.put(44, kKickCh, note(4, C), kKick);
    p.put(47, kHatCh, note(4, C), kHat, 0, effect::SetSpeed, 6);
    p.put(47, kSnareCh, note(4, C), kSnare, 0, effect::PatternBreak, 0x00);  // on to the next order
}

//-----------------------------------------------------------------------------
// [SECTION] Assembly
//-----------------------------------------------------------------------------

SongBytes assemble() {
    const std::vector<Voice> v = voices();
    SongLayout layout;
    layout.channels = kChannels;
    layout.patterns = 4;
    layout.orders = {0, 1, 2, 1, 2, 3, 1, 2};
    layout.restartPosition = 1;
    layout.defaultSpeed = 6;
    layout.defaultTempo = 125;
    for (const Voice& voice : v) layout.instruments.push_back(voice.header);

    PatternPlaneWriter planes(layout.patterns);
    PatternBuilder p0(planes, 0), p1(planes, 1), p2(planes, 2), p3(planes, 3);
    intro(p0);
    mainA(p1);
    mainB(p2);
    breakdown(p3);

    SongBytes song;
    song.image = writeSongImage(layout);
    song.planes = planes.bytes();
    for (const Voice& voice : v) {
        const std::vector<uint8_t> bytes = packGeneratorDefinition(voice.patch);
        song.definitions.insert(song.definitions.end(), bytes.begin(), bytes.end());
    }
    return song;
}

}  // namespace

const SongBytes& builtInSong() {
    static const SongBytes song = assemble();
    return song;
}

}  // namespace lumen::content
