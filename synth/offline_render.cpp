// Offline rendering of a song into a PCM sink.
#include "synth/offline_render.h"

#include <algorithm>
#include <memory>

#include "synth/block_renderer.h"
#include "synth/sequencer.h"

namespace lumen {

void renderSongOffline(const SongSource& song, size_t frames, const PcmSink& sink,
                       const std::function<void(double)>& progress) {
    auto player = std::make_unique<ModulePlayer>();
    loadSongSource(*player, song);
    startSong(*player);
    BlockRenderer renderer(*player, kOutputRate);
    renderer.prefill();
    const size_t blockFrames = size_t(renderer.sizes().blockFrames);
    const size_t blockCount = size_t(renderer.sizes().blockCount);
    size_t done = 0;
    for (size_t k = 0; done < frames; ++k) {
        // After the pre-filled ring, each block is rendered again one ring
        // later, exactly as the audio thread refills behind the device.
        if (k >= blockCount) renderer.renderBlock();
        const size_t n = std::min(blockFrames, frames - done);
        sink(renderer.block(int(k % blockCount)), n);
        done += n;
        if (progress) progress(double(done) / double(frames));
    }
}

}  // namespace lumen
