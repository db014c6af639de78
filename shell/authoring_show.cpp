// The authoring host: every seek goes through the seekable soundtrack, every
// frame through the earlier-frame history.
#include "shell/authoring_show.h"

#include "platform/clock.h"

namespace lumen {

void AuthoringHost::sleepMs(int ms) { platform::sleepMs(ms); }

void AuthoringHost::seekTo(int showTime) {
    const int block = sound_.blockReaching(showTime);
    // A paused show stays paused: the clock moves, the device stays closed.
    if (sound_.paused())
        sound_.cue(block);
    else
        sound_.startAt(block);
}

SongPosition AuthoringHost::songPosition() {
    const int block = sound_.playingBlock();
    return {sound_.orderAt(block), sound_.rowAt(block)};
}

}  // namespace lumen
