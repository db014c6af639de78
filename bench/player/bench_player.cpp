// The seekable player's costs: preparing the soundtrack at start-up (lumen
// --from/--dev), starting the sound at a seek, and drawing the first frame
// after a seek back from the show's end (the history replayed from the top).
#include <benchmark/benchmark.h>

#include <memory>

#include "base/show_clock.h"
#include "content/song_builtin.h"
#include "shell/headless_show.h"
#include "shell/seekable_sound.h"

namespace lumen {
namespace {

SongSource builtInSongSource() {
    const content::SongBytes& s = content::builtInSong();
    return SongSource{s.image, s.planes, s.definitions};
}

// What the seekable soundtrack does before the first frame of a start at
// range(0) ms: the song loaded (its samples generated) and mapped that far.
void prepareSound(benchmark::State& state) {
    const int from = int(state.range(0));
    for (auto _ : state) {
        SeekableSound sound;
        sound.init(builtInSongSource(), {}, kEndOfShowMs);
        benchmark::DoNotOptimize(sound.blockReaching(from));
    }
}

// The sound's half of a seek to range(0) ms once the song is mapped that far
// (prepareSound times the mapping): the player put at the block, the ring
// pre-filled, the device opened (the silent one here).
void seekSound(benchmark::State& state) {
    SeekableSound sound;
    sound.init(builtInSongSource(), {}, kEndOfShowMs);
    const int t = int(state.range(0));
    sound.blockReaching(t);
    for (auto _ : state) {
        sound.startAt(sound.blockReaching(t));
        sound.pause();
    }
}

// The picture's half of a seek back to range(0) ms at 640 x 480, once the
// show has been there: the forward-only state rebuilt from the top, then the
// frame drawn.
void seekPicture(benchmark::State& state) {
    HeadlessShow show(640, 480);
    const int t = int(state.range(0));
    show.history().drawFrame(t);
    for (auto _ : state) {
        show.history().restart();
        show.history().drawFrame(t);
    }
    state.counters["replayed"] = double(show.history().framesReplayed()) / double(state.iterations());
    state.counters["drawn_unseen"] = double(show.history().framesDrawnUnseen()) / double(state.iterations());
}

BENCHMARK(prepareSound)->Arg(0)->Arg(400000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(seekSound)->Arg(20000)->Arg(505000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(seekPicture)->Arg(60000)->Arg(400000)->Arg(505000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace lumen
