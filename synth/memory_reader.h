// The memory reader over the song image: a byte array and a read position that
// starts at 64, where the module header's fields begin. Reads are bounded.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace lumen {

class MemoryReader {
public:
    static constexpr size_t kStartPosition = 64;

    explicit MemoryReader(std::span<const uint8_t> image) : image_(image) {}

    // Copies n bytes and advances; throws SongDataError (naming the position
    // and `what`) rather than reading past the image.
    size_t read(void* destination, size_t n, const char* what);
    enum SeekMode : int { kSeekSet = 0, kSeekCurrent = 1 };
    // kSeekSet sets the position, kSeekCurrent adds to it, any other mode does
    // nothing. A position past the end is only an error at the next read.
    void seek(long offset, int mode);
    size_t tell() const { return position_; }
    size_t size() const { return image_.size(); }

private:
    std::span<const uint8_t> image_;
    size_t position_ = kStartPosition;
};

}  // namespace lumen
