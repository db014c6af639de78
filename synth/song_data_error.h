// The soundtrack engine's one error type: song data that cannot be played,
// reported with the byte offset where reading stopped and what was expected.
#pragma once
#include <cstddef>
#include <stdexcept>
#include <string>

namespace lumen {

class SongDataError : public std::runtime_error {
public:
    // piece names the data ("song image", "pattern planes", "definitions").
    SongDataError(std::string piece, size_t offset, const std::string& expected)
        : std::runtime_error(piece + ": byte " + std::to_string(offset) + ": expected " + expected),
          piece_(std::move(piece)),
          offset_(offset) {}

    const std::string& piece() const { return piece_; }
    size_t offset() const { return offset_; }

private:
    std::string piece_;
    size_t offset_;
};

}  // namespace lumen
