// Bounded reads over the song image.
#include "synth/memory_reader.h"

#include <cstring>
#include <string>

#include "synth/song_data_error.h"

namespace lumen {

size_t MemoryReader::read(void* destination, size_t n, const char* what) {
    if (position_ > image_.size() || image_.size() - position_ < n)
        throw SongDataError(
            "song image", position_,
            std::to_string(n) + " bytes of " + what + ", but the image ends at byte " + std::to_string(image_.size()));
    std::memcpy(destination, image_.data() + position_, n);
    position_ += n;
    return n;
}

void MemoryReader::seek(long offset, int mode) {
    if (mode == kSeekSet) {
        position_ = offset < 0 ? image_.size() + 1 : static_cast<size_t>(offset);
    } else if (mode == kSeekCurrent) {
        if (offset < 0 && static_cast<size_t>(-offset) > position_)
            position_ = image_.size() + 1;  // before the start: nothing more can be read
        else
            position_ += offset;
    }
}

}  // namespace lumen
