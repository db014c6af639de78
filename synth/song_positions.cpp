// Song positions to show times through the time map, with messages that say
// why a position is never played.
#include "synth/song_positions.h"

#include <memory>

#include "synth/song_loader.h"

namespace lumen {

PositionShowTime positionShowTime(const SongTimeMap& map, int orderCount, int order, int row) {
    const std::string where = "order " + std::to_string(order) + " row " + std::to_string(row);
    if (order >= orderCount) {
        return {std::nullopt, "order " + std::to_string(order) + " is past the end of the song's order list (orders 0 to " +
                                  std::to_string(orderCount - 1) + ")"};
    }
    if (row >= kRowsPerPattern) {
        return {std::nullopt,
                "row " + std::to_string(row) + " is past the end of a pattern (rows 0 to " +
                    std::to_string(kRowsPerPattern - 1) + ")"};
    }
    if (const std::optional<TimeMapRow> r = map.find(order, row)) return {r->showTimeMs(), {}};
    for (const TimeMapRow& r : map.rows) {
        if (r.order == order) {
            return {std::nullopt, "the song never plays " + where + ": a pattern break or jump skips the row"};
        }
    }
    return {std::nullopt, "the song's first pass never reaches order " + std::to_string(order) +
                              ": it wraps or jumps past it"};
}

void loadStoredSong(ModulePlayer& player, const StoredSong& song) {
    player.mixer.reset(player.rate);
    SampleGenerator generator(parseGeneratorDefinitions(song.definitions));
    loadSong(player, song.image, PatternPlanes::fromBytes(song.planes), generator);
}

PositionShowTime SongPositionTimes::find(int order, int row) {
    if (!map_) {
        // The player is large (channel tables, samples): keep it off the stack.
        auto player = std::make_unique<ModulePlayer>();
        loadStoredSong(*player, song_);
        orderCount_ = player->song.header.songLength;
        map_ = buildTimeMap(*player);
    }
    return positionShowTime(*map_, orderCount_, order, row);
}

}  // namespace lumen
