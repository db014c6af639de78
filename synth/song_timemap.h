// The time map: for every order and row the song plays before its order
// position first wraps, the song time, show time and audio frame at which the
// row's first tick starts, taken from the block renderer's own clock.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "base/show_clock.h"
#include "synth/module_player.h"
#include "synth/song.h"

namespace lumen {

struct TimeMapRow {
    int order = 0;
    int row = 0;
    int pattern = 0;
    int songTimeMs = 0;      // the renderer's clock when the row's first tick starts
    int64_t audioFrame = 0;  // frames rendered before that tick
    int speed = 0;           // as the row starts, before its own cells act
    int tempo = 0;

    int showTimeMs() const { return songTimeMs + kClockOffsetMs; }
    double audioSeconds() const { return double(audioFrame) / kOutputRate; }
};

struct SongTimeMap {
    std::vector<TimeMapRow> rows;  // in play order
    // Where the first pass ends: the row start at which the order position
    // wraps (to the restart position, or to 0 after a break in the last order).
    bool wrapped = false;  // false: the song ran past the time limit first
    TimeMapRow wrap;       // the first row played after the wrap

    // The row (order, row) on the first pass, or nothing if the song skips it.
    std::optional<TimeMapRow> find(int order, int row) const;

    // rows index + 1 for each order * 64 + row; 0 = not played.
    std::vector<int> index;
};

// 24 hours of audio: a pathological song (tempo 1, speed 31) would take weeks.
constexpr double kMaxTimeMapSeconds = 24.0 * 3600.0;

// Plays the loaded song from its start through the block renderer until its
// order position first wraps, recording every row start. The player is left
// wherever that stops; a mix is rendered, so this costs a render of the song.
SongTimeMap buildTimeMap(ModulePlayer& player, double maxAudioSeconds = kMaxTimeMapSeconds);

}  // namespace lumen
