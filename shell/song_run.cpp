// Running the song block by block and seeking its player back to any block.
#include "shell/song_run.h"

#include <algorithm>
#include <stdexcept>

#include "shell/main_loop.h"
#include "synth/sequencer.h"

namespace lumen {

SongRun::SongRun(ModulePlayer& player, int checkpointEvery)
    : player_(player), renderer_(player, player.rate), checkpointEvery_(checkpointEvery) {
    startSong(player_);
}

const int16_t* SongRun::renderNext() {
    if (detached_) throw std::logic_error("song run: the player was moved away for seeking");
    if (checkpointEvery_ > 0 && blocks() % checkpointEvery_ == 0) checkpoints_.push_back(PlayState::of(player_));
    const int index = renderer_.fillIndex();
    renderer_.renderBlock();
    endTimes_.push_back(renderer_.positionAt(index));
    orders_.push_back(player_.orderPosition);
    rows_.push_back(player_.row);
    if (sink_) sink_(renderer_.block(index), blockFrames());
    return renderer_.block(index);
}

void SongRun::renderThrough(int b) {
    while (blocks() <= b) renderNext();
}

int SongRun::endTime(int b) {
    renderThrough(b);
    return endTimes_[size_t(b)];
}

int SongRun::showTimeAtFrame(int64_t frame) { return endTime(int(frame / blockFrames())) + kClockOffsetMs; }

int SongRun::firstBlockReaching(int t) {
    // The clock never runs backwards: render until it reaches t, then search.
    while (blocks() == 0 || endTimes_.back() + kClockOffsetMs < t) renderNext();
    const auto it = std::lower_bound(endTimes_.begin(), endTimes_.end(), t - kClockOffsetMs);
    return int(it - endTimes_.begin());
}

void SongRun::placePlayerAt(int b) {
    if (checkpointEvery_ <= 0 || b > blocks()) throw std::logic_error("song run: no checkpoint for that block");
    detached_ = true;
    const int c = std::min(b / checkpointEvery_, int(checkpoints_.size()) - 1);
    checkpoints_[size_t(c)].restoreInto(player_);
    BlockRenderer scratch(player_, player_.rate);
    for (int k = c * checkpointEvery_; k < b; ++k) scratch.renderBlock();
}

}  // namespace lumen
