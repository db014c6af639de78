// The song loader: reads the song image through the memory reader, copies the
// pattern cells out of their five planes and synthesises every sample.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "synth/module_player.h"
#include "synth/sample_generator.h"

namespace lumen {

constexpr size_t kPatternStride = 1152;  // 18 channels x 64 rows in every plane
constexpr size_t kChannelStride = 64;
constexpr uint32_t kMaxSampleLength = 1u << 24;
// All samples together: 16 times the show's song, yet a short corrupt image
// cannot ask for gigabytes of sample memory.
constexpr uint64_t kMaxTotalSampleLength = uint64_t(1) << 26;

// The five pattern planes back to back (note, instrument, volume column,
// effect, parameter), each planeSize bytes.
struct PatternPlanes {
    std::span<const uint8_t> bytes;
    size_t planeSize = 0;

    // The plane size is the length / 5; throws SongDataError if the length is
    // not a multiple of 5.
    static PatternPlanes fromBytes(std::span<const uint8_t> bytes);

    // The 5 bytes of one cell; the caller has checked the cell lies inside.
    void cell(int pattern, int row, int channel, uint8_t out[5]) const;
};

// Loads the song into player.song; the generator's definitions give the
// samples, in instrument order. Throws SongDataError on data that cannot be
// played (it names the piece, the byte offset and what was expected), among
// it more than maxTotalSampleLength sample slots in all.
void loadSong(ModulePlayer& player, std::span<const uint8_t> image, const PatternPlanes& planes,
              SampleGenerator& generator, uint64_t maxTotalSampleLength = kMaxTotalSampleLength);

}  // namespace lumen
