// The soundtrack played from its start without a device, block after block:
// the show's clock at the end of every block, the song position per block,
// play states to seek from, and each block's PCM for whoever records it.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "synth/block_renderer.h"
#include "synth/module_player.h"

namespace lumen {

// Audio frames a 60 fps player advances between frames (44100 / 60): the
// step of the player whose earlier frames every shot and render reproduce.
constexpr int kReferenceFps = 60;

class SongRun {
public:
    // The player holds a loaded song; the run starts it from the top. With
    // checkpointEvery > 0 the play state is kept before every that many blocks.
    explicit SongRun(ModulePlayer& player, int checkpointEvery = 0);

    // Called with every block rendered from now on (frames interleaved).
    using BlockSink = std::function<void(const int16_t* frames, int count)>;
    void setBlockSink(BlockSink sink) { sink_ = std::move(sink); }

    // Renders the next block; returns its blockFrames() interleaved frames.
    const int16_t* renderNext();
    // Renders until block b exists.
    void renderThrough(int b);

    int blocks() const { return int(endTimes_.size()); }
    int blockFrames() const { return renderer_.sizes().blockFrames; }
    int rate() const { return renderer_.sizes().rate; }

    // The song time (ms) at the end of block b, rendering as far as needed:
    // what the player's clock reads while the device plays that block.
    int endTime(int b);
    int orderAt(int b) const { return orders_[size_t(b)]; }
    int rowAt(int b) const { return rows_[size_t(b)]; }

    // Show time while audio frame `frame` plays (block-stepped, as the player's clock).
    int showTimeAtFrame(int64_t frame);
    // The first block whose show time reaches t.
    int firstBlockReaching(int t);

    // Puts `target`, another player loaded with the same song, at the start
    // of block b: the nearest earlier checkpoint (the run renders as far as
    // needed to have it), its samples taken from target's own song, then the
    // blocks up to b rendered unheard. The run itself carries on untouched.
    void placeInto(ModulePlayer& target, int b);

private:
    ModulePlayer& player_;
    BlockRenderer renderer_;
    int checkpointEvery_;
    std::vector<int> endTimes_;
    std::vector<int> orders_;
    std::vector<int> rows_;
    std::vector<PlayState> checkpoints_;
    BlockSink sink_;
};

}  // namespace lumen
