// Song sources: a source exercising every field compiles to pieces the loader
// reads back field by field; the built-in song's sources give its bytes; bad
// sources fail at the right FILE:LINE; the printer spells pieces back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "content/song_builtin.h"
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

std::string rows(const std::string& row5) {
    std::string s = "# pattern\n";  // line 1; row r is on line r + 2
    for (int r = 0; r < 64; ++r) {
        char n[4];
        std::snprintf(n, sizeof n, "%02d", r);
        s += std::string(n) + (r == 5 ? row5 : " | ... .. ... ... | ... .. ... ... | ... .. ... ...") + "\n";
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
    std::vector<GeneratorDefinition> defs = parseGeneratorDefinitions(stored.definitions);
    ASSERT_EQ(defs.size(), 1u);
    const GeneratorDefinition d = defs[0];
    SampleGenerator generator(std::move(defs));
    auto player = std::make_unique<ModulePlayer>();
    loadSong(*player, stored.image, PatternPlanes::fromBytes(stored.planes), generator);
    const Song& s = player->song;
    const Instrument& in = s.instruments.at(0);
    const Sample& sm = *in.samples[1];
    const auto cell = [&](int p, int row, int ch, int byte) {
        return int(s.patterns[size_t(p)].cells[size_t(row * 3 + ch) * 5 + size_t(byte)]);
    };
    const struct {
        const char* what;
        long got, want;
    } fields[] = {
        {"channels", s.header.channels, 3},
        {"speed", s.header.defaultSpeed, 4},
        {"tempo", s.header.defaultTempo, 140},
        {"restart", s.header.restartPosition, 1},
        {"flags", s.header.flags, 1},
        {"length", s.header.songLength, 3},
        {"order 0", s.header.orderTable[0], 1},
        {"order 1", s.header.orderTable[1], 0},
        {"order 2", s.header.orderTable[2], 1},
        {"patterns", s.header.patterns, 2},
        {"instruments", s.header.instruments, 1},
        {"note", cell(0, 5, 0, 0), 50},
        {"instrument", cell(0, 5, 0, 1), 1},
        {"set volume", cell(0, 5, 0, 2), 0x10 + 40},
        {"effect", cell(0, 5, 0, 3), 10},
        {"parameter", cell(0, 5, 0, 4), 0x0F},
        {"key off", cell(0, 5, 1, 0), 255},
        {"named volume", cell(0, 5, 1, 2), 0x93},
        {"named effect", cell(0, 5, 1, 3), 10},
        {"named param", cell(0, 5, 1, 4), 0x1E},
        {"B-7", cell(0, 5, 2, 0), 96},
        {"instrument 128", cell(0, 5, 2, 1), 128},
        {"pan column", cell(0, 5, 2, 2), 0xC8},
        {"porta column", cell(1, 5, 0, 2), 0xFF},
        {"tempo effect", cell(1, 5, 0, 3), 15},
        {"tempo", cell(1, 5, 0, 4), 0x7D},
        {"slide column", cell(1, 5, 1, 2), 0x62},
        {"C-0", cell(1, 5, 2, 0), 1},
        {"retrig", cell(1, 5, 2, 3), 27},
        {"empty", cell(1, 4, 2, 0) + cell(1, 4, 2, 2) + cell(1, 4, 2, 3), 0},
        {"samples", in.sampleCount, 2},
        {"note map", in.noteMap[95], 1},
        {"vol points", in.volumePointCount, 3},
        {"vol x2", in.volumeEnvelope[2].x, 30},
        {"vol y2", in.volumeEnvelope[2].y, 48},
        {"vol sustain", in.volumeSustain, 1},
        {"vol loop", in.volumeLoopStart * 10 + in.volumeLoopEnd, 12},
        {"vol type", in.volumeType, 7},
        {"pan points", in.panningPointCount, 2},
        {"pan y1", in.panningEnvelope[1].y, 60},
        {"pan loop", in.panningLoopStart * 10 + in.panningLoopEnd, 1},
        {"pan type", in.panningType, 1},
        {"vibrato", in.vibratoType * 1000000 + in.vibratoSweep * 10000 + in.vibratoDepth * 100 + in.vibratoRate,
         3400306},
        {"fadeout doubled", in.fadeout, 600},
        {"sample length", sm.length, 200},
        {"loop start", sm.loopStart, 50},
        {"loop length", sm.loopLength, 100},
        {"loop mode", sm.loopMode, kLoopPingPong},
        {"volume", sm.volume, 34},
        {"panning", sm.panning, 7},
        {"finetune", sm.finetune, -16},
        {"relative note", sm.relativeNote, 12},
        {"first sample unlooped", in.samples[0]->loopMode, kLoopNone},
        {"first sample volume", in.samples[0]->volume, 64},
        {"gen length", d.length, 200},
        {"envelopes", long(d.envelopes.size()), 2},
        {"oscillators", long(d.oscillators.size()), 2},
        {"rest", d.noteSequence[7], kRestNote},
        {"note -14", d.noteSequence[14], -14},
        {"filter", d.filterType, filtertype::HighPass},
        {"cutoff env", d.cutoffEnvelope, 1},
        {"resonant", d.resonantFilterOn, 1},
        {"res cutoff env", d.resonantCutoffEnvelope, 0},
        {"resonance env", d.resonanceEnvelope, -1},
        {"waveform", d.oscillators[0].waveform, waveform::Pulse},
        {"freq env", d.oscillators[0].frequencyEnvelope, kNoteSequenceEnvelope},
        {"amp env", d.oscillators[0].amplitudeEnvelope, 1},
        {"pw env", d.oscillators[0].pulseWidthEnvelope, 0},
        {"noise", d.oscillators[1].waveform, waveform::Noise},
        {"noise freq env", d.oscillators[1].frequencyEnvelope, 1},
        {"noise amp env", d.oscillators[1].amplitudeEnvelope, -1},
    };
    for (const auto& f : fields) EXPECT_EQ(f.got, f.want) << f.what;
    const struct {
        const char* what;
        float got, want;
    } floats[] = {
        {"gain", d.gain, 0.5f},
        {"clip", d.clipLevel, 0.9f},
        {"attack", d.envelopes[0].attack, 10},
        {"level", d.envelopes[1].level, 0.25f},
        {"note release", d.noteEnvelope.release, 60},
        {"cutoff", d.cutoff, 900},
        {"res cutoff", d.resonantCutoff, 3000},
        {"resonance", d.resonance, 1.5f},
        {"frequency", d.oscillators[0].frequency, 2756.25f},
        {"amplitude", d.oscillators[0].amplitude, 70},
        {"pulse width", d.oscillators[0].pulseWidth, 50},
    };
    for (const auto& f : floats) EXPECT_EQ(f.got, f.want) << f.what;
}

TEST(SongSource, BuiltInSourcesGiveTheBuiltInBytesAndPrintBack) {
    const StoredSong song = compileSongSource(readSongSourceFolder(LUMEN_SOURCE_DIR "/content/song"));
    const content::SongBytes& builtIn = content::builtInSong();
    EXPECT_EQ(song.image, builtIn.image);
    EXPECT_EQ(song.planes, builtIn.planes);
    EXPECT_EQ(song.definitions, builtIn.definitions);
    // The printer checks its own output compiles back to the same bytes.
    const SongSourceFiles printed = printSongSource(song);
    EXPECT_EQ(printed.size(), 12u);
    EXPECT_EQ(printSongSource(compileSongSource(testSource())).count("i01.instrument"), 1u);
}

TEST(SongSource, BadSourcesNameFileAndLine) {
    const struct {
        const char* file;
        std::string from, to;
        const char* where;
        const char* fragment;
    } cases[] = {
        {"song.txt", "channels 3", "channels 19", "song.txt:2", "from 1 to 18"},
        {"song.txt", "tempo 140", "tempo 20", "song.txt:4", "tempo"},
        {"song.txt", "speed 4", "speed 4 5", "song.txt:3", "1 value"},
        {"song.txt", "restart 1", "restart 3", "song.txt:10", "restart position below the 3"},
        {"song.txt", "orders b", "orders c", "song.txt:10", "pattern name or number"},
        {"song.txt", "orders b", "orders 2", "song.txt:10", "from 0 to 1"},
        {"song.txt", "instruments lead", "instruments pad", "song.txt:8", "pad.instrument"},
        {"song.txt", "flags LinearFrequency", "flags Amiga", "song.txt:6", "LinearFrequency"},
        {"song.txt", "speed 4", "tick 4", "song.txt:3", "channels, speed"},
        {"song.txt", "tempo 140", "speed 5", "song.txt:4", "given again (first on line 3)"},
        {"a.pattern", kRow5, " | C-8 01 v40 A0F | ... .. ... ... | ... .. ... ...", "a.pattern:7",
         "channel 1: expected a note"},
        {"a.pattern", kRow5, " | C-4 129 v40 A0F | ... .. ... ... | ... .. ... ...", "a.pattern:7",
         "instrument 1..128"},
        {"a.pattern", kRow5, " | C-4 01 v65 A0F | ... .. ... ... | ... .. ... ...", "a.pattern:7", "v00..v64"},
        {"a.pattern", kRow5, " | C-4 01 a16 A0F | ... .. ... ... | ... .. ... ...", "a.pattern:7", "volume column"},
        {"a.pattern", kRow5, " | C-4 01 v40 A0G | ... .. ... ... | ... .. ... ...", "a.pattern:7", "an effect"},
        {"a.pattern", kRow5, " | ... .. ... Nope:01 | ... .. ... ... | ... .. ... ...", "a.pattern:7", "an effect"},
        {"a.pattern", kRow5, " | C-4 01 v40 | ... .. ... ... | ... .. ... ...", "a.pattern:7", "four fields"},
        {"a.pattern", kRow5, " | ... .. ... ... | ... .. ... ...", "a.pattern:7",
         "each of the song's 3 channels, got 2"},
        {"a.pattern", kRow5, " | ... .. ... ... | ... .. ... ... | ... .. ... ... | ... .. ... ...", "a.pattern:7",
         "got 4"},
        {"a.pattern", "05 |", "06 |", "a.pattern:7", "expected row 5"},
        {"a.pattern", "63 | ... .. ... ... | ... .. ... ... | ... .. ... ...\n", "", "a.pattern:64",
         "64 rows, the pattern ends after 63"},
        {"a.pattern", "# pattern\n", "00 | ... .. ... ... | ... .. ... ... | ... .. ... ...\n", "a.pattern:2", "row 1"},
        {"lead.instrument", "fadeout 300", "fadeout 65536", "lead.instrument:14", "from 0 to 65535"},
        {"lead.instrument", "volume-points 0,0 4,64 30,48", "volume-points 0,0 4,65", "lead.instrument:3",
         "VALUE 0..64"},
        {"lead.instrument", "volume-sustain 1", "volume-sustain 12", "lead.instrument:4", "point number"},
        {"lead.instrument", "vibrato-type RampUp", "vibrato-type Triangle", "lead.instrument:10", "Sine, Square"},
        {"lead.instrument", "volume-envelope On Sustain Loop", "volume-envelope On Hold", "lead.instrument:2",
         "On, Sustain, Loop"},
        {"lead.instrument", "note-map 1", "note-map 16", "lead.instrument:1", "from 0 to 15"},
        {"lead.instrument", "loop PingPong 50 100", "loop PingPong 150 100", "lead.instrument:19", "ends within"},
        {"lead.instrument", "volume 34", "volume 65", "lead.instrument:20", "from 0 to 64"},
        {"lead.instrument", "finetune -16", "finetune -129", "lead.instrument:22", "from -128 to 127"},
        {"lead.instrument", "relative-note 12", "relative-note 12x", "lead.instrument:23", "relative note"},
        {"lead.instrument", "gain 0.5", "gain nan", "lead.instrument:26", "finite number"},
        {"lead.instrument", "envelope 0 100 0 0.25", "envelope 0 100 0", "lead.instrument:29", "4 values"},
        {"lead.instrument", "cutoff-envelope 1", "cutoff-envelope 2", "lead.instrument:34", "below the generator's 2"},
        {"lead.instrument", "frequency-envelope 1", "frequency-envelope 10", "lead.instrument:50", "other than 10"},
        {"lead.instrument", "waveform Noise", "waveform Square", "lead.instrument:49",
         "Silence, Sine, Saw, Pulse, Noise"},
        {"lead.instrument", "filter HighPass", "filter BandPass", "lead.instrument:32", "None, LowPass, HighPass"},
        {"lead.instrument", "resonant-filter on", "resonant-filter yes", "lead.instrument:35", "on or off"},
        {"lead.instrument", "frequency-envelope notes", "frequency-envelope none", "lead.instrument:24",
         "oscillator with frequency-envelope notes"},
        {"lead.instrument", "length 200\ngain", "length 67108865\ngain", "lead.instrument:25", "from 0 to 67108864"},
        {"lead.instrument", "[generator]", "[generater]", "lead.instrument:24", "[generator] section"},
        {"lead.instrument", "[oscillator]\nwaveform Noise", "[filter]\nwaveform Noise", "lead.instrument:48",
         "[oscillator] after"},
        {"lead.instrument", "[sample]\nlength 100", "[sample\nlength 100", "lead.instrument:15", "section heading"},
    };
    for (const auto& c : cases) {
        SongSourceFiles files = testSource();
        std::string& text = files.at(c.file);
        const size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, c.from.size(), c.to);
        try {
            compileSongSource(files);
            ADD_FAILURE() << c.where << " compiled";
        } catch (const SongSourceError& e) {
            const std::string what = e.what();
            EXPECT_EQ(what.rfind(std::string(c.where) + ": ", 0), 0u) << what;
            EXPECT_NE(what.find(c.fragment), std::string::npos) << what;
        }
    }
}

TEST(SongSource, PrinterRefusesBytesWithoutSpelling) {
    StoredSong song = compileSongSource(testSource());
    const size_t volumePlane = 2 * song.planes.size() / 5;
    song.planes[volumePlane + 3] = 0x05;  // a volume byte the sequencer ignores
    EXPECT_THROW(printSongSource(song), SongSourceError);
}

std::string runLumenkit(const std::string& args, int& status) {
    std::string out;
    FILE* p = popen((LUMEN_BINARY_DIR "/tools/lumenkit/lumenkit " + args + " 2>&1").c_str(), "r");
    char buf[512];
    while (p && fgets(buf, sizeof buf, p)) out += buf;
    status = p ? pclose(p) : -1;
    return out;
}

std::vector<uint8_t> fileBytes(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

// build, dis of what was built, and build again give the built-in bytes.
TEST(SongSource, LumenkitBuildAndDisRoundTrip) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("lumen_song_source_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    int status = 0;
    const std::string a = (dir / "a").string(), src = (dir / "src").string(), b = (dir / "b").string();
    EXPECT_EQ(runLumenkit("song build " LUMEN_SOURCE_DIR "/content/song -o " + a, status), "");
    EXPECT_EQ(status, 0);
    runLumenkit(
        "song dis --image " + a + "/song.image --planes " + a + "/song.planes --defs " + a + "/song.defs -o " + src,
        status);
    EXPECT_EQ(status, 0);
    runLumenkit("song build " + src + " --out " + b, status);
    EXPECT_EQ(status, 0);
    const content::SongBytes& builtIn = content::builtInSong();
    for (const fs::path& out : {fs::path(a), fs::path(b)}) {
        EXPECT_EQ(fileBytes(out / "song.image"), builtIn.image);
        EXPECT_EQ(fileBytes(out / "song.planes"), builtIn.planes);
        EXPECT_EQ(fileBytes(out / "song.defs"), builtIn.definitions);
    }
    std::ofstream(fs::path(src) / "p01.pattern", std::ios::app) << "64 | ... .. ... ...\n";
    const std::string error = runLumenkit("song build " + src + " -o " + b, status);
    EXPECT_NE(status, 0);
    EXPECT_NE(error.find(src + "/p01.pattern:65: expected at most 64 rows"), std::string::npos) << error;
    fs::remove_all(dir);
}

}  // namespace
}  // namespace lumen
