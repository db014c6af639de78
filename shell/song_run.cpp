// Running the song block by block and placing another player at any block.
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

namespace {

// A checkpoint's voices point at the run's own samples; the same sample of
// the target's song (loaded from the same source, so in the same order) is
// what the target must play.
void moveSamplesTo(ModulePlayer& target, const Song& from) {
    const Song& to = target.song;
    if (to.sampleStore.size() != from.sampleStore.size())
        throw std::logic_error("song run: the target player holds another song");
    for (int i = 0; i < kMixerChannels; ++i) {
        const Sample*& voice = target.mixer.channel(i).sample;
        if (!voice) continue;
        const Sample* same = voice == &from.emptySample ? &to.emptySample : nullptr;
        for (size_t k = 0; !same && k < from.sampleStore.size(); ++k)
            if (voice == from.sampleStore[k].get()) same = to.sampleStore[k].get();
        if (!same) throw std::logic_error("song run: a voice plays a sample of no song");
        voice = same;
    }
}

}  // namespace

void SongRun::placeInto(ModulePlayer& target, int b) {
    if (checkpointEvery_ <= 0 || b < 0) throw std::logic_error("song run: no checkpoint for that block");
    const int c = b / checkpointEvery_;
    renderThrough(c * checkpointEvery_);
    checkpoints_[size_t(c)].restoreInto(target);
    moveSamplesTo(target, player_.song);
    BlockRenderer scratch(target, target.rate);
    for (int k = c * checkpointEvery_; k < b; ++k) scratch.renderBlock();
}

}  // namespace lumen
