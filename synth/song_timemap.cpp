// Building the time map by running the block renderer and watching the ticks
// it starts, so the times are the player's clock and cannot drift from it.
#include "synth/song_timemap.h"

#include "synth/block_renderer.h"
#include "synth/sequencer.h"

namespace lumen {

std::optional<TimeMapRow> SongTimeMap::find(int order, int row) const {
    if (order < 0 || row < 0 || row >= kRowsPerPattern) return std::nullopt;
    const size_t at = size_t(order) * kRowsPerPattern + size_t(row);
    if (at >= index.size() || index[at] == 0) return std::nullopt;
    return rows[size_t(index[at] - 1)];
}

SongTimeMap buildTimeMap(ModulePlayer& player, double maxAudioSeconds) {
    startSong(player);
    BlockRenderer renderer(player, player.rate);
    SongTimeMap map;
    int64_t blockStartFrame = 0;
    bool done = false;
    renderer.setTickObserver([&](const ModulePlayer& p, int framesIntoBlock) {
        if (done || p.tick != 0) return;
        // The tick about to run starts a row: the sequencer first moves to the
        // position it decided on at the previous row.
        TimeMapRow r;
        r.order = p.nextOrder >= 0 ? p.nextOrder : p.orderPosition;
        r.row = p.nextRow >= 0 ? p.nextRow : p.row;
        r.pattern = p.song.header.orderTable[r.order];
        r.songTimeMs = p.songTime;
        r.audioFrame = blockStartFrame + framesIntoBlock;
        r.speed = p.speed;
        r.tempo = p.tempo;
        // Every order change goes to the next entry except a wrap, which goes
        // to the restart position or to 0, never beyond where it was.
        if (!map.rows.empty() && p.nextOrder >= 0 && p.nextOrder <= p.orderPosition) {
            map.wrapped = true;
            map.wrap = r;
            done = true;
            return;
        }
        map.rows.push_back(r);
        const size_t at = size_t(r.order) * kRowsPerPattern + size_t(r.row);
        if (at >= map.index.size()) map.index.resize(at + 1, 0);
        map.index[at] = int(map.rows.size());
    });
    const auto maxFrames = static_cast<int64_t>(maxAudioSeconds * player.rate);
    const int blockFrames = renderer.sizes().blockFrames;
    while (!done && blockStartFrame < maxFrames) {
        renderer.renderBlock();
        blockStartFrame += blockFrames;
    }
    return map;
}

}  // namespace lumen
