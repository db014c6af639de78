// Small songs built in code for the soundtrack tests, and the golden-hash
// checks against the shared golden table (tests/support/golden_hashes.txt).
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/golden.h"
#include "support/tool_run.h"
#include "synth/definition_writer.h"
#include "synth/sequencer.h"
#include "synth/song_source_format.h"
#include "synth/song_writer.h"
#include "synth/synth.h"

namespace lumen::testing {

// One oscillator at `hz` (phase steps 2 pi / 88200 per Hz), gain 1, clip 1.
inline GeneratorDefinition toneDefinition(int length, float hz, uint8_t wave = waveform::Sine) {
    GeneratorDefinition d;
    // Amplitude 100 %, and a pulse width of 100 %: a pulse that is always high.
    d.oscillators.push_back(Oscillator{hz, kNoFrequencyEnvelope, 100, -1, 100, -1, wave});
    d.clipLevel = d.gain = 1;
    d.length = length;
    return d;
}

// Every sample is `level`.
inline GeneratorDefinition constantDefinition(int length, float level = 0.5f) {
    GeneratorDefinition d = toneDefinition(length, 0, waveform::Pulse);
    d.gain = level;
    return d;
}

inline InstrumentRecord oneSampleInstrument(uint32_t length, uint8_t type = 0, uint32_t loopStart = 0,
                                            uint32_t loopLength = 0) {
    InstrumentRecord in;
    in.samples.push_back(SampleHeaderRecord{length, loopStart, loopLength, 64, 0, type});
    return in;
}

struct TestSong {
    SongLayout layout;
    std::vector<GeneratorDefinition> definitions;
    std::unique_ptr<PatternPlaneWriter> planes;
    std::vector<uint8_t> image, defs;

    explicit TestSong(int patterns = 1, int channels = 2) : planes(std::make_unique<PatternPlaneWriter>(patterns)) {
        layout.patterns = int16_t(patterns);
        layout.channels = int16_t(channels);
        for (int p = 0; p < patterns; ++p) layout.orders.push_back(uint8_t(p));
    }
    void addInstrument(const InstrumentRecord& in, const GeneratorDefinition& d) {
        layout.instruments.push_back(in);
        definitions.push_back(d);
    }
    void set(int pattern, int row, int channel, Cell cell) { planes->set(pattern, row, channel, cell); }
    SongSource source() {
        image = writeSongImage(layout);
        defs.clear();
        for (const auto& d : definitions)
            for (uint8_t b : packGeneratorDefinition(d)) defs.push_back(b);
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

// Three patterns played in order: a speed change, a tempo change and a break
// from order 0 row 20 to order 1 row 5, then another speed and tempo.
inline TestSong timingSong() {
    TestSong song(3, 2);
    song.addInstrument(oneSampleInstrument(2000, sampletype::ForwardLoop, 0, 2000), toneDefinition(2000, 441));
    song.set(0, 0, 0, Cell{49, 1, 0, 0, 0});
    song.set(0, 4, 1, Cell{0, 0, 0, effect::SetSpeed, 3});
    song.set(0, 10, 1, Cell{0, 0, 0, effect::SetSpeed, 96});
    song.set(0, 20, 0, Cell{0, 0, 0, effect::PatternBreak, 0x05});
    song.set(1, 30, 1, Cell{0, 0, 0, effect::SetSpeed, 9});
    song.set(2, 2, 1, Cell{0, 0, 0, effect::SetSpeed, 150});
    return song;
}

inline SongSource sourceOf(const StoredSong& song) { return {song.image, song.planes, song.definitions}; }

// Little-endian fields of module and song bytes.
inline uint32_t readLe(const std::vector<uint8_t>& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + size_t(i)];
    return v;
}
inline void putLe(std::vector<uint8_t>& b, size_t at, int v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// A scratch folder per test for the song commands, removed afterwards.
class SongFiles : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(dir_); }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    // The three piece options for DIR/song.image, DIR/song.planes and DIR/song.defs.
    std::string pieceArgs(const std::string& dir) const {
        return " --image " + path(dir + "/song.image") + " --planes " + path(dir + "/song.planes") + " --defs " +
               path(dir + "/song.defs");
    }
    // Writes the song's pieces into DIR and returns their options.
    std::string writePieces(TestSong& song, const std::string& dir = "s") {
        const SongSource s = song.source();
        std::filesystem::create_directories(path(dir));
        writeBytes(path(dir + "/song.image"), s.image);
        writeBytes(path(dir + "/song.planes"), s.planes);
        writeBytes(path(dir + "/song.defs"), s.definitions);
        return pieceArgs(dir);
    }
    std::filesystem::path dir_ =
        std::filesystem::temp_directory_path() / ("lumen_song_" + std::to_string(::getpid()) + "_" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

// Runs sequencer ticks, mixing each tick's frames; returns the float mix.
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

template <typename T>
uint64_t fnv1a(const std::vector<T>& v) {
    Checksum sum;
    sum.addBytes(v.data(), v.size() * sizeof(T));
    return sum.value();
}

// Checks the hash stored under "synth.<name>" in the shared golden table, or
// records it when LUMEN_REGEN_GOLDEN=1 (review the change with git diff).
inline void expectGolden(std::string name, uint64_t hash) {
    std::replace(name.begin(), name.end(), ' ', '_');
    EXPECT_TRUE(matchesGolden("synth." + name, hash));
}

}  // namespace lumen::testing
