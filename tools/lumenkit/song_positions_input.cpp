// The song a pack's event times written as song positions resolve against:
// the built-in song or --image/--planes/--defs, mapped once on first use.
#include <memory>

#include "song_command.h"
#include "synth/song_positions.h"
#include "synth/song_timemap.h"

namespace lumenkit {

lumen::SongPositionLookup songPositionLookup(const SongInputOptions& options) {
    struct Mapped {
        lumen::SongTimeMap map;
        int orders = 0;
    };
    checkSongInputOptions(options);  // wrong options fail even when no position is written
    auto mapped = std::make_shared<std::unique_ptr<Mapped>>();
    return [options, mapped](int order, int row) {
        if (!*mapped) {
            LoadedSong song = loadSongInput(options);
            const int orders = song.player->song.header.songLength;
            *mapped = std::make_unique<Mapped>(Mapped{lumen::buildTimeMap(*song.player), orders});
        }
        lumen::PositionShowTime t = lumen::positionShowTime((*mapped)->map, (*mapped)->orders, order, row);
        return lumen::SongPositionTime{t.showTimeMs, std::move(t.whyNot)};
    };
}

}  // namespace lumenkit
