// Song sources: a source exercising every field compiles to pieces the loader
// reads back field by field; the built-in song's sources give its bytes; bad
// sources fail at the right FILE:LINE; the printer spells pieces back.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "content/song_builtin.h"
#include "song_fixture.h"
#include "synth/module_player.h"
#include "synth/song_loader.h"
#include "synth/song_source_format.h"

namespace lumen {
namespace {

const char* kHeader =
    "# a test song\n"          // 1
    "channels 3\n"             // 2
    "speed 4\n"                // 3
    "tempo 140\n"              // 4
    "restart 1\n"              // 5
    "flags LinearFrequency\n"  // 6
    "patterns a b\n"           // 7
    "instruments lead\n"       // 8
    "orders 1 a\n"             // 9
    "orders b\n";              // 10

const char* kInstrument =
    "note-map 1\n"                                         // 1
    "volume-envelope On Sustain Loop\n"                    // 2
    "volume-points 0,0 4,64 30,48\n"                       // 3
    "volume-sustain 1\n"                                   // 4
    "volume-loop 1 2\n"                                    // 5
    "panning-envelope On\n"                                // 6
    "panning-points 0,32 10,60\n"                          // 7
    "panning-sustain 0\n"                                  // 8
    "panning-loop 0 1\n"                                   // 9
    "vibrato-type RampUp\n"                                // 10
    "vibrato-sweep 40\n"                                   // 11
    "vibrato-depth 3\n"                                    // 12
    "vibrato-rate 6\n"                                     // 13
    "fadeout 300\n"                                        // 14
    "[sample]\n"                                           // 15
    "length 100\n"                                         // 16
    "[sample]\n"                                           // 17
    "length 200\n"                                         // 18
    "loop PingPong 50 100\n"                               // 19
    "volume 34\n"                                          // 20
    "panning 7\n"                                          // 21
    "finetune -16\n"                                       // 22
    "relative-note 12\n"                                   // 23
    "[generator]\n"                                        // 24
    "length 200\n"                                         // 25
    "gain 0.5\n"                                           // 26
    "clip 0.9\n"                                           // 27
    "envelope 10 50 40 1\n"                                // 28
    "envelope 0 100 0 0.25\n"                              // 29
    "notes 0 1 2 3 4 5 6 rest 8 9 10 11 12 13 -14 rest\n"  // 30
    "note-envelope 2 10 60 1\n"                            // 31
    "filter HighPass\n"                                    // 32
    "cutoff 900\n"                                         // 33
    "cutoff-envelope 1\n"                                  // 34
    "resonant-filter on\n"                                 // 35
    "resonant-cutoff 3000\n"                               // 36
    "resonant-cutoff-envelope 0\n"                         // 37
    "resonance 1.5\n"                                      // 38
    "resonance-envelope none\n"                            // 39
    "[oscillator]\n"                                       // 40
    "waveform Pulse\n"                                     // 41
    "frequency 2756.25\n"                                  // 42
    "frequency-envelope notes\n"                           // 43
    "amplitude 70\n"                                       // 44
    "amplitude-envelope 1\n"                               // 45
    "pulse-width 50\n"                                     // 46
    "pulse-width-envelope 0\n"                             // 47
    "[oscillator]\n"                                       // 48
    "waveform Noise\n"                                     // 49
    "frequency-envelope 1\n";                              // 50

const std::string kRest = " | ... .. ... ... | ... .. ... ...";  // channels 2 and 3, empty

std::string rows(const std::string& row5) {
    std::string s = "# pattern\n";  // line 1; row r is on line r + 2
    for (int r = 0; r < 64; ++r) {
        char n[4];
        std::snprintf(n, sizeof n, "%02d", r);
        s += std::string(n) + (r == 5 ? row5 : " | ... .. ... ..." + kRest) + "\n";
    }
    return s;
}

const std::string kRow5 = " | C#4 01 v40 A0F | === .. FineVolUp:3 VolSlide:1E | B-7 128 p08 ...";

SongSourceFiles testSource() {
    return {{"song.txt", kHeader},
            {"a.pattern", rows(kRow5)},
            {"b.pattern", rows(" | ... .. g15 F7D | ... .. d02 ... | C-0 .. ... R92 |")},
            {"lead.instrument", kInstrument}};
}

TEST(SongSource, EveryFieldReachesTheLoadedSong) {
    const StoredSong stored = compileSongSource(testSource());
    const std::vector<GeneratorDefinition> defs = parseGeneratorDefinitions(stored.definitions);
    ASSERT_EQ(defs.size(), 1u);
    const GeneratorDefinition& d = defs[0];
    auto player = std::make_unique<ModulePlayer>();
    loadSongSource(*player, testing::sourceOf(stored));
    const Song& s = player->song;
    const Instrument& in = s.instruments.at(0);
    const Sample& sm = *in.samples[1];
    // Each group lists the fields in the order of the source lines above.
    using L = std::vector<long>;
    const auto cells = [&](int p, int row) {
        const uint8_t* c = &s.patterns[size_t(p)].cells[size_t(row * 3) * 5];
        return L(c, c + 15);
    };
    const SongHeader& h = s.header;
    EXPECT_EQ((L{h.channels, h.defaultSpeed, h.defaultTempo, h.restartPosition, h.flags, h.patterns, h.instruments}),
              (L{3, 4, 140, 1, 1, 2, 1}));
    EXPECT_EQ(L(h.orderTable, h.orderTable + h.songLength), (L{1, 0, 1}));
    EXPECT_EQ(cells(0, 5), (L{50, 1, 0x10 + 40, 10, 0x0F, 255, 0, 0x93, 10, 0x1E, 96, 128, 0xC8, 0, 0}));
    EXPECT_EQ(cells(1, 5), (L{0, 0, 0xFF, 15, 0x7D, 0, 0, 0x62, 0, 0, 1, 0, 0, 27, 0x92}));
    EXPECT_EQ(cells(1, 4), L(15, 0));
    EXPECT_EQ((L{in.sampleCount, in.noteMap[95], in.volumePointCount, in.volumeEnvelope[2].x, in.volumeEnvelope[2].y,
                 in.volumeSustain, in.volumeLoopStart, in.volumeLoopEnd, in.volumeType, in.panningPointCount,
                 in.panningEnvelope[1].y, in.panningLoopStart, in.panningLoopEnd, in.panningType, in.vibratoType,
                 in.vibratoSweep, in.vibratoDepth, in.vibratoRate, in.fadeout}),
              (L{2, 1, 3, 30, 48, 1, 1, 2, 7, 2, 60, 0, 1, 1, 3, 40, 3, 6, 600}))
        << "instrument; the fadeout is stored doubled";
    const Sample& s0 = *in.samples[0];
    EXPECT_EQ((L{s0.loopMode, s0.volume, sm.length, sm.loopStart, sm.loopLength, sm.loopMode, sm.volume, sm.panning,
                 sm.finetune, sm.relativeNote}),
              (L{kLoopNone, 64, 200, 50, 100, kLoopPingPong, 34, 7, -16, 12}));
    const Oscillator &o0 = d.oscillators.at(0), &o1 = d.oscillators.at(1);
    EXPECT_EQ((L{d.length, long(d.envelopes.size()), long(d.oscillators.size()), d.noteSequence[7], d.noteSequence[14],
                 d.filterType, d.cutoffEnvelope, d.resonantFilterOn, d.resonantCutoffEnvelope, d.resonanceEnvelope,
                 o0.waveform, o0.frequencyEnvelope, o0.amplitudeEnvelope, o0.pulseWidthEnvelope, o1.waveform,
                 o1.frequencyEnvelope, o1.amplitudeEnvelope}),
              (L{200, 2, 2, kRestNote, -14, filtertype::HighPass, 1, 1, 0, -1, waveform::Pulse, kNoteSequenceEnvelope,
                 1, 0, waveform::Noise, 1, -1}));
    EXPECT_EQ(
        (std::vector<float>{d.gain, d.clipLevel, d.envelopes[0].attack, d.envelopes[1].level, d.noteEnvelope.release,
                            d.cutoff, d.resonantCutoff, d.resonance, o0.frequency, o0.amplitude, o0.pulseWidth}),
        (std::vector<float>{0.5f, 0.9f, 10, 0.25f, 60, 900, 3000, 1.5f, 2756.25f, 70, 50}));
}

TEST(SongSource, BuiltInSourcesGiveTheBuiltInBytesAndPrintBack) {
    const SongSourceFiles sources = readSongSourceFolder(LUMEN_SOURCE_DIR "/content/song");
    const StoredSong song = compileSongSource(sources);
    const content::SongBytes& builtIn = content::builtInSong();
    EXPECT_EQ(song.image, builtIn.image);
    EXPECT_EQ(song.planes, builtIn.planes);
    EXPECT_EQ(song.definitions, builtIn.definitions);
    // The printer checks its own output compiles back to the same bytes: one
    // header, then one file per pattern and per instrument.
    EXPECT_EQ(printSongSource(song).size(), sources.size());
    StoredSong test = compileSongSource(testSource());
    EXPECT_EQ(printSongSource(test).count("i01.instrument"), 1u);
    // It refuses a volume byte the sequencer ignores: no spelling would build it back.
    test.planes[2 * test.planes.size() / 5 + 3] = 0x05;
    EXPECT_THROW(printSongSource(test), SongSourceError);
}

TEST(SongSource, BadSourcesNameFileAndLine) {
    const struct {
        const char* where;  // FILE:LINE, naming the file changed
        std::string from, to;
        const char* fragment;
    } cases[] = {
        {"song.txt:2", "channels 3", "channels 19", "from 1 to 18"},
        {"song.txt:4", "tempo 140", "tempo 20", "tempo"},
        {"song.txt:3", "speed 4", "speed 4 5", "1 value"},
        {"song.txt:10", "restart 1", "restart 3", "restart position below the 3"},
        {"song.txt:10", "orders b", "orders c", "pattern name or number"},
        {"song.txt:10", "orders b", "orders 2", "from 0 to 1"},
        {"song.txt:8", "instruments lead", "instruments pad", "pad.instrument"},
        {"song.txt:6", "flags LinearFrequency", "flags Amiga", "LinearFrequency"},
        {"song.txt:3", "speed 4", "tick 4", "channels, speed"},
        {"song.txt:4", "tempo 140", "speed 5", "given again (first on line 3)"},
        {"a.pattern:7", kRow5, std::string(" | C-8 01 v40 A0F") + kRest, "channel 1: expected a note"},
        {"a.pattern:7", kRow5, std::string(" | C-4 129 v40 A0F") + kRest, "instrument 1..128"},
        {"a.pattern:7", kRow5, std::string(" | C-4 01 v65 A0F") + kRest, "v00..v64"},
        {"a.pattern:7", kRow5, std::string(" | C-4 01 a16 A0F") + kRest, "volume column"},
        {"a.pattern:7", kRow5, std::string(" | C-4 01 v40 A0G") + kRest, "an effect"},
        {"a.pattern:7", kRow5, std::string(" | ... .. ... Nope:01") + kRest, "an effect"},
        {"a.pattern:7", kRow5, std::string(" | C-4 01 v40") + kRest, "four fields"},
        {"a.pattern:7", kRow5, kRest, "each of the song's 3 channels, got 2"},
        {"a.pattern:7", kRow5, kRest + kRest, "got 4"},
        {"a.pattern:7", "05 |", "06 |", "expected row 5"},
        {"a.pattern:64", "63 | ... .. ... ..." + kRest + "\n", "", "64 rows, the pattern ends after 63"},
        {"a.pattern:2", "# pattern\n", "00 | ... .. ... ..." + kRest + "\n", "row 1"},
        {"lead.instrument:14", "fadeout 300", "fadeout 65536", "from 0 to 65535"},
        {"lead.instrument:3", "volume-points 0,0 4,64 30,48", "volume-points 0,0 4,65", "VALUE 0..64"},
        {"lead.instrument:4", "volume-sustain 1", "volume-sustain 12", "point number"},
        {"lead.instrument:10", "vibrato-type RampUp", "vibrato-type Triangle", "Sine, Square"},
        {"lead.instrument:2", "volume-envelope On Sustain Loop", "volume-envelope On Hold", "On, Sustain, Loop"},
        {"lead.instrument:1", "note-map 1", "note-map 16", "from 0 to 15"},
        {"lead.instrument:19", "loop PingPong 50 100", "loop PingPong 150 100", "ends within"},
        {"lead.instrument:20", "volume 34", "volume 65", "from 0 to 64"},
        {"lead.instrument:22", "finetune -16", "finetune -129", "from -128 to 127"},
        {"lead.instrument:23", "relative-note 12", "relative-note 12x", "relative note"},
        {"lead.instrument:26", "gain 0.5", "gain nan", "finite number"},
        {"lead.instrument:29", "envelope 0 100 0 0.25", "envelope 0 100 0", "4 values"},
        {"lead.instrument:34", "cutoff-envelope 1", "cutoff-envelope 2", "below the generator's 2"},
        {"lead.instrument:50", "frequency-envelope 1", "frequency-envelope 10", "other than 10"},
        {"lead.instrument:49", "waveform Noise", "waveform Square", "Silence, Sine, Saw, Pulse, Noise"},
        {"lead.instrument:32", "filter HighPass", "filter BandPass", "None, LowPass, HighPass"},
        {"lead.instrument:35", "resonant-filter on", "resonant-filter yes", "on or off"},
        {"lead.instrument:24", "frequency-envelope notes", "frequency-envelope none",
         "oscillator with frequency-envelope notes"},
        {"lead.instrument:25", "length 200\ngain", "length 67108865\ngain", "from 0 to 67108864"},
        {"lead.instrument:24", "[generator]", "[generater]", "[generator] section"},
        {"lead.instrument:48", "[oscillator]\nwaveform Noise", "[filter]\nwaveform Noise", "[oscillator] after"},
        {"lead.instrument:15", "[sample]\nlength 100", "[sample\nlength 100", "section heading"},
    };
    for (const auto& c : cases) {
        SongSourceFiles files = testSource();
        const std::string where = c.where;
        std::string& text = files.at(where.substr(0, where.find(':')));
        const size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, c.from.size(), c.to);
        try {
            compileSongSource(files);
            ADD_FAILURE() << c.where << " compiled";
        } catch (const SongSourceError& e) {
            const std::string what = e.what();
            EXPECT_EQ(what.rfind(where + ": ", 0), 0u) << what;
            EXPECT_NE(what.find(c.fragment), std::string::npos) << what;
        }
    }
}

}  // namespace
}  // namespace lumen
