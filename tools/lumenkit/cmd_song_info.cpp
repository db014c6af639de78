// lumenkit song info and song timemap: what a song holds and how long it
// plays, and when each row of its first pass starts, on the player's clock.
//
//   lumenkit song info [--image F --planes F --defs F] [--json]
//   lumenkit song timemap [--image F --planes F --defs F]
#include <nlohmann/json.hpp>

#include <cstdio>
#include <memory>
#include <string>

#include "command.h"
#include "song_command.h"
#include "synth/song_codes.h"
#include "synth/song_timemap.h"

namespace lumenkit {

namespace {

// Times are printed in whole milliseconds of the clock they belong to, and
// audio time in seconds of samples at the output rate.
void printWrap(const lumen::SongTimeMap& map) {
    if (!map.wrapped) {
        std::printf("the order position did not wrap within %.0f s of audio\n", lumen::kMaxTimeMapSeconds);
        return;
    }
    std::printf("first wrap: to order %d row %d at song time %d ms, show time %d ms, audio time %.3f s\n",
                map.wrap.order, map.wrap.row, map.wrap.songTimeMs, map.wrap.showTimeMs(), map.wrap.audioSeconds());
}

const char* loopName(uint8_t mode) {
    const char* name = lumen::nameOfCode(lumen::kLoopModeNames, mode);
    return name ? name : "None";
}

// Each instrument's generated sample lengths and loops.
nlohmann::json instrumentList(const lumen::Song& song) {
    nlohmann::json instruments = nlohmann::json::array();
    for (size_t i = 0; i < song.instruments.size(); ++i) {
        const lumen::Instrument& in = song.instruments[i];
        nlohmann::json samples = nlohmann::json::array();
        for (int s = 0; s < in.sampleCount; ++s) {
            const lumen::Sample* sample = in.samples[s];
            if (!sample) continue;
            samples.push_back({{"length", sample->length},
                               {"loop", loopName(sample->loopMode)},
                               {"loopStart", sample->loopMode == lumen::kLoopNone ? 0u : sample->loopStart},
                               {"loopLength", sample->loopMode == lumen::kLoopNone ? 0u : sample->loopLength}});
        }
        instruments.push_back({{"number", i + 1}, {"samples", samples}});
    }
    return instruments;
}

void info(const SongInputOptions& input, bool json) {
    LoadedSong loaded = loadSongInput(input);
    const lumen::Song& song = loaded.player->song;
    const lumen::SongHeader& h = song.header;
    const lumen::SongTimeMap map = lumen::buildTimeMap(*loaded.player);
    const nlohmann::json instruments = instrumentList(song);
    if (json) {
        nlohmann::json j = {
            {"song", loaded.description},     {"channels", h.channels},
            {"orders", h.songLength},         {"restartPosition", h.restartPosition},
            {"patterns", h.patterns},         {"instruments", song.instruments.size()},
            {"instrumentList", instruments},  {"defaultSpeed", h.defaultSpeed},
            {"defaultTempo", h.defaultTempo}, {"linearFrequencies", (h.flags & lumen::songflag::LinearFrequency) != 0},
            {"rowsPlayed", map.rows.size()},  {"wraps", map.wrapped},
        };
        if (map.wrapped) {
            j["wrapsToOrder"] = map.wrap.order;
            j["wrapsToRow"] = map.wrap.row;
            j["songTimeMs"] = map.wrap.songTimeMs;
            j["durationMs"] = map.wrap.showTimeMs();
            j["audioSeconds"] = map.wrap.audioSeconds();
        }
        std::printf("%s\n", j.dump(2).c_str());
        return;
    }
    std::printf("%s: %d channels, %d orders (restart at %d), %d patterns, %zu instruments, speed %d, tempo %d\n",
                loaded.description.c_str(), h.channels, h.songLength, h.restartPosition, h.patterns,
                song.instruments.size(), h.defaultSpeed, h.defaultTempo);
    std::printf("instruments (generated sample lengths, in 8-bit samples):\n");
    for (const auto& in : instruments) {
        std::printf("  %3d:", in["number"].get<int>());
        if (in["samples"].empty()) std::printf(" no samples");
        for (const auto& s : in["samples"])
            std::printf(" %u samples, loop %s", s["length"].get<unsigned>(), s["loop"].get<std::string>().c_str());
        std::printf("\n");
    }
    std::printf("first pass: %zu rows\n", map.rows.size());
    printWrap(map);
}

void timemap(const SongInputOptions& input) {
    LoadedSong loaded = loadSongInput(input);
    const lumen::SongTimeMap map = lumen::buildTimeMap(*loaded.player);
    std::printf("# %s: row starts on the first pass\n", loaded.description.c_str());
    std::printf("# song_ms: the block renderer's clock; show_ms = song_ms + %d; audio_s = samples / %d\n",
                lumen::kClockOffsetMs, lumen::kOutputRate);
    std::printf("# order row pattern song_ms show_ms audio_s speed tempo\n");
    for (const lumen::TimeMapRow& r : map.rows)
        std::printf("%3d %2d %3d %7d %7d %10.4f %2d %3d\n", r.order, r.row, r.pattern, r.songTimeMs, r.showTimeMs(),
                    r.audioSeconds(), r.speed, r.tempo);
    std::printf("# ");
    printWrap(map);
}

SongRegistration reg([](CLI::App& song) {
    auto infoInput = std::make_shared<SongInputOptions>();
    auto json = std::make_shared<bool>(false);
    auto* i = song.add_subcommand("info",
                                  "Print a song's channels, orders, patterns, instruments with their generated "
                                  "lengths, and how long it plays before its order position first wraps");
    addSongInputOptions(*i, *infoInput);
    i->add_flag("--json", *json, "Print JSON (durationMs is the show time at the first wrap)");
    i->callback([infoInput, json] { info(*infoInput, *json); });

    auto mapInput = std::make_shared<SongInputOptions>();
    auto* t = song.add_subcommand("timemap",
                                  "Print every order and row of the first pass with the song time, show time and "
                                  "audio time at which it starts, as the player's block renderer plays it");
    addSongInputOptions(*t, *mapInput);
    t->callback([mapInput] { timemap(*mapInput); });
});

}  // namespace

}  // namespace lumenkit
