// Offline rendering: the song through the very block renderer the device path
// uses, from the first pre-filled block on, with no device, thread or sleep.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

#include "synth/synth.h"

namespace lumen {

// Receives consecutive interleaved stereo frames.
using PcmSink = std::function<void(const int16_t* frames, size_t count)>;

// Loads the song and renders `frames` stereo frames into sink. progress (may be
// empty) gets the fraction done after every block. Throws SongDataError.
void renderSongOffline(const SongSource& song, size_t frames, const PcmSink& sink,
                       const std::function<void(double)>& progress = {});

}  // namespace lumen
