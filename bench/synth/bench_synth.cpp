// Speed of the soundtrack engine: the mixer's inner loop with many voices,
// sample generation at song-load scale, and rendering a busy song.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "content/song_builtin.h"
#include "synth/block_renderer.h"
#include "synth/definition_writer.h"
#include "synth/generator_definition.h"
#include "synth/mixer.h"
#include "synth/sample_generator.h"
#include "synth/sequencer.h"
#include "synth/song_codes.h"
#include "synth/song_writer.h"
#include "synth/synth.h"

namespace lumen {
namespace {

// A looping sample of noise-like content so interpolation does real work.
std::unique_ptr<Sample> loopingSample(uint32_t length) {
    auto s = std::make_unique<Sample>();
    s->storage.assign(Sample::kGuardEntries + length + 8, 0);
    s->data = s->storage.data() + Sample::kGuardEntries;
    uint32_t x = 1;
    for (uint32_t k = 0; k < length; ++k) {
        x = x * 1664525u + 1013904223u;
        s->storage[Sample::kGuardEntries + k] = int16_t(x >> 16);
    }
    s->length = length;
    s->loopMode = kLoopForward;
    s->loopStart = length / 4;
    s->loopLength = length - length / 4;
    s->storage[Sample::kGuardEntries + length] = s->data[s->loopStart];
    s->bits = 16;
    return s;
}

// Mixes `voices` sounding voices at assorted pitches in 882-frame pieces, the
// size of a tick at tempo 125. Every 16th piece changes the targets so that
// ramps are part of the work, as when the sequencer changes volumes.
void BM_Mixer(benchmark::State& state) {
    const int voices = int(state.range(0));
    auto sample = loopingSample(50000);
    Mixer mixer;
    for (int i = 0; i < voices; ++i) {
        MixerChannel& c = mixer.channel(i);
        c.sample = sample.get();
        c.step = i % 3;
        c.stepFraction = 0x9E3779B9u * uint32_t(i + 1);
        c.targetA = 40 + i;
        c.targetB = 80 - i;
        c.currentA = c.targetA * 256;
        c.currentB = c.targetB * 256;
        c.rampTargetA = c.targetA;
        c.rampTargetB = c.targetB;
    }
    std::vector<float> buffer(882 * 2);
    int64_t frames = 0;
    int piece = 0;
    for (auto _ : state) {
        if (++piece % 16 == 0)
            for (int i = 0; i < voices; ++i) mixer.channel(i).targetA = (mixer.channel(i).targetA + 7) % 128;
        mixer.mix(buffer.data(), 882);
        benchmark::DoNotOptimize(buffer.data());
        frames += 882;
    }
    state.counters["realtime_x"] = benchmark::Counter(double(frames) / kOutputRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Mixer)->Arg(18)->Arg(64)->Unit(benchmark::kMicrosecond);

// 4.2 million samples from definitions like the song's: the built-in song's
// patches (one to four oscillators, envelopes, note sequence, both filters)
// stretched so that together they make 4.2 M samples.
void BM_GenerateSongScale(benchmark::State& state) {
    std::vector<GeneratorDefinition> defs = parseGeneratorDefinitions(content::builtInSong().definitions);
    int64_t total = 0;
    for (const auto& d : defs) total += d.length;
    const double scale = 4.2e6 / double(total);
    int64_t samples = 0;
    for (auto& d : defs) {
        d.length = int32_t(d.length * scale);
        samples += d.length;
    }
    std::vector<int8_t> out;
    for (auto _ : state) {
        SampleGenerator generator;
        for (const auto& d : defs) {
            out.assign(size_t(d.length), 0);
            generator.toBytes(d, out.data(), d.length);
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.counters["samples"] = double(samples);
}
BENCHMARK(BM_GenerateSongScale)->Unit(benchmark::kMillisecond)->Iterations(3);

// The built-in song's own 41 definitions at their own lengths: what start-up
// pays before the show can begin (the budget is half a second on one core).
void BM_GenerateBuiltInSong(benchmark::State& state) {
    const std::vector<GeneratorDefinition> defs = parseGeneratorDefinitions(content::builtInSong().definitions);
    int64_t samples = 0;
    for (const auto& d : defs) samples += d.length;
    std::vector<int8_t> out;
    for (auto _ : state) {
        SampleGenerator generator;
        for (const auto& d : defs) {
            out.assign(size_t(d.length), 0);
            generator.toBytes(d, out.data(), d.length);
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.counters["instruments"] = double(defs.size());
    state.counters["samples"] = double(samples);
}
BENCHMARK(BM_GenerateBuiltInSong)->Unit(benchmark::kMillisecond)->Iterations(5);

// A busy 18-channel song: every channel plays a new note every other row with
// vibrato, arpeggio, volume slides or portamento, speed 3 at tempo 150.
SongSource busySong(std::vector<uint8_t>& image, std::vector<uint8_t>& planes, std::vector<uint8_t>& defs) {
    SongLayout layout;
    layout.channels = 18;
    layout.patterns = 2;
    layout.orders = {0, 1};
    layout.defaultSpeed = 3;
    layout.defaultTempo = 150;
    GeneratorDefinition d;
    Oscillator saw;
    saw.waveform = waveform::Saw;
    saw.frequency = 2756.25f;
    saw.amplitude = 100;
    d.oscillators = {saw};
    d.clipLevel = 1;
    d.gain = 0.8f;
    d.length = 8192;
    for (int i = 0; i < 4; ++i) {
        InstrumentRecord in;
        SampleHeaderRecord s;
        s.length = 8192;
        s.type = i % 2 ? sampletype::PingPongLoop : sampletype::ForwardLoop;
        s.loopStart = 1024;
        s.loopLength = 4096;
        s.panning = uint8_t(60 * i);
        in.samples.push_back(s);
        in.volume.points = {{0, 64}, {10, 40}, {40, 20}};
        in.volume.sustain = 1;
        in.volume.type = envflag::On | envflag::Sustain;
        in.fadeout = 512;
        in.vibratoDepth = 4;
        in.vibratoRate = 8;
        layout.instruments.push_back(in);
        const auto b = packGeneratorDefinition(d);
        defs.insert(defs.end(), b.begin(), b.end());
    }
    PatternPlaneWriter writer(2);
    const uint8_t effects[][2] = {{effect::Vibrato, 0x46},   {effect::Arpeggio, 0x37}, {effect::VolSlide, 0x02},
                                  {effect::TonePorta, 0x20}, {effect::PortaUp, 0x02},  {effect::MultiRetrig, 0x13}};
    for (int p = 0; p < 2; ++p)
        for (int row = 0; row < 64; ++row)
            for (int ch = 0; ch < 18; ++ch) {
                Cell c;
                if ((row + ch) % 2 == 0) {
                    c.note = uint8_t(37 + (row * 7 + ch * 5) % 36);
                    c.instrument = uint8_t(1 + ch % 4);
                }
                c.effect = effects[(row + ch) % 6][0];
                c.parameter = effects[(row + ch) % 6][1];
                writer.set(p, row, ch, c);
            }
    image = writeSongImage(layout);
    planes = writer.bytes();
    return SongSource{image, planes, defs};
}

void BM_RenderBusySong60s(benchmark::State& state) {
    std::vector<uint8_t> image, planes, defs;
    const SongSource song = busySong(image, planes, defs);
    const int blocks = 60 * kOutputRate / 884;
    for (auto _ : state) {
        state.PauseTiming();
        auto player = std::make_unique<ModulePlayer>();
        loadSongSource(*player, song);
        startSong(*player);
        BlockRenderer renderer(*player);
        state.ResumeTiming();
        for (int b = 0; b < blocks; ++b) renderer.renderBlock();
        benchmark::DoNotOptimize(renderer.ring());
    }
    state.counters["realtime_x"] = benchmark::Counter(60.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderBusySong60s)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace lumen
