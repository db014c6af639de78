// Show times of song positions (order and row) on a song's first pass, for
// tools that sync pictures to rows, and loading stored pieces without a device.
#pragma once
#include <optional>
#include <string>

#include "synth/module_player.h"
#include "synth/song_source_format.h"
#include "synth/song_timemap.h"

namespace lumen {

struct PositionShowTime {
    std::optional<int> showTimeMs;  // when the row's first tick starts
    std::string whyNot;             // else: why the first pass never plays it
};

// Looks (order, row) up in the time map of a song with orderCount orders.
PositionShowTime positionShowTime(const SongTimeMap& map, int orderCount, int order, int row);

// Loads the three stored pieces into a fresh player and generates its
// samples, as the player does at start-up. Throws SongDataError.
void loadStoredSong(ModulePlayer& player, const StoredSong& song);

// A song's positions, with the time map built on the first question (which
// costs a render of the song), so sources that write no position pay nothing.
class SongPositionTimes {
public:
    explicit SongPositionTimes(StoredSong song) : song_(std::move(song)) {}
    PositionShowTime find(int order, int row);

private:
    StoredSong song_;
    std::optional<SongTimeMap> map_;
    int orderCount_ = 0;
};

}  // namespace lumen
