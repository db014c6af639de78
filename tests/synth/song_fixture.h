// Small songs built in code for the soundtrack tests: a one-pattern song whose
// instruments are simple generated tones, loaded into a fresh player.
#pragma once
#include <memory>
#include <vector>

#include "synth/definition_writer.h"
#include "synth/generator_definition.h"
#include "synth/module_player.h"
#include "synth/sequencer.h"
#include "synth/song_writer.h"
#include "synth/synth.h"

namespace lumen::testing {

// A definition whose every sample is `level` (a pulse that is always high).
inline GeneratorDefinition constantDefinition(int length, float level = 0.5f) {
    GeneratorDefinition d;
    Oscillator o;
    o.amplitude = 100;
    o.pulseWidth = 100;
    o.waveform = waveform::Pulse;
    d.oscillators.push_back(o);
    d.clipLevel = 1;
    d.gain = level;
    d.length = length;
    return d;
}

// A pure sine at `hz` (the generator's phase runs at 2 pi / 88200 per Hz).
inline GeneratorDefinition sineDefinition(int length, float hz) {
    GeneratorDefinition d;
    Oscillator o;
    o.frequency = hz;
    o.amplitude = 100;
    o.waveform = waveform::Sine;
    d.oscillators.push_back(o);
    d.clipLevel = 1;
    d.gain = 0.9f;
    d.length = length;
    return d;
}

inline InstrumentSpec oneSampleInstrument(uint32_t length, uint8_t type = 0, uint32_t loopStart = 0,
                                          uint32_t loopLength = 0) {
    InstrumentSpec in;
    SampleHeaderSpec s;
    s.length = length;
    s.type = type;
    s.loopStart = loopStart;
    s.loopLength = loopLength;
    in.samples.push_back(s);
    return in;
}

struct TestSong {
    SongLayout layout;
    std::vector<GeneratorDefinition> definitions;
    std::unique_ptr<PatternPlaneWriter> planes;

    explicit TestSong(int patterns = 1, int channels = 2) {
        layout.patterns = static_cast<int16_t>(patterns);
        layout.channels = static_cast<int16_t>(channels);
        for (int p = 0; p < patterns; ++p) layout.orders.push_back(static_cast<uint8_t>(p));
        planes = std::make_unique<PatternPlaneWriter>(patterns);
    }

    void addInstrument(const InstrumentSpec& in, const GeneratorDefinition& d) {
        layout.instruments.push_back(in);
        definitions.push_back(d);
    }

    void set(int pattern, int row, int channel, Cell cell) { planes->set(pattern, row, channel, cell); }

    std::vector<uint8_t> image;
    std::vector<uint8_t> defs;

    SongSource source() {
        image = writeSongImage(layout);
        defs.clear();
        for (const auto& d : definitions) {
            auto b = packGeneratorDefinition(d);
            defs.insert(defs.end(), b.begin(), b.end());
        }
        return SongSource{image, planes->bytes(), defs};
    }

    // A fresh player with the song loaded and started.
    std::unique_ptr<ModulePlayer> start() {
        auto player = std::make_unique<ModulePlayer>();
        loadSongSource(*player, source());
        startSong(*player);
        return player;
    }
};

// Runs ticks sequencer ticks, mixing each tick's frames; returns the float mix.
inline std::vector<float> mixTicks(ModulePlayer& player, int ticks) {
    std::vector<float> mix;
    for (int t = 0; t < ticks; ++t) {
        sequencerTick(player);
        const size_t at = mix.size();
        mix.resize(at + 2 * size_t(player.samplesPerTick), 0.0f);
        player.mixer.mix(mix.data() + at, player.samplesPerTick);
    }
    return mix;
}

}  // namespace lumen::testing
