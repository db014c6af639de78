// The show's soundtrack as stored data: the song image, its five pattern
// planes and one sample generator definition per instrument. songasm compiles
// them at build time from the song source in content/song/.
#pragma once
#include <cstdint>
#include <vector>

namespace lumen::content {

struct SongBytes {
    std::vector<uint8_t> image;
    std::vector<uint8_t> planes;       // five planes back to back
    std::vector<uint8_t> definitions;  // concatenated, in instrument order
};

// Built once on first use from the generated constant arrays.
const SongBytes& builtInSong();

}  // namespace lumen::content
