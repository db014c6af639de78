// Pack reader: bounded primitives. Every read checks the remaining length
// before it touches a byte, so no pack, however damaged, is read past its end.
#include "pack/reader.h"

#include <cstring>

namespace lumen {

namespace {

std::string describe(const std::string& section, std::size_t offset, const std::string& what) {
    return section + ": byte " + std::to_string(offset) + ": " + what;
}

}  // namespace

PackError::PackError(std::string section, std::size_t offset, const std::string& what)
    : std::runtime_error(describe(section, offset, what)), section_(std::move(section)), offset_(offset) {}

void PackReader::fail(const std::string& what) const { throw PackError(section_, pos_, what); }

void PackReader::need(std::size_t count, const char* what) const {
    if (remaining() < count) {
        fail("expected " + std::to_string(count) + (count == 1 ? " byte (" : " bytes (") + what + "), " +
             std::to_string(remaining()) + " left");
    }
}

uint8_t PackReader::readByte(const char* what) {
    need(1, what);
    return bytes_[pos_++];
}

uint16_t PackReader::readInt16(const char* what) {
    need(2, what);
    uint16_t v = static_cast<uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
}

uint32_t PackReader::readUint32(const char* what) {
    need(4, what);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | bytes_[pos_ + i];
    pos_ += 4;
    return v;
}

uint32_t PackReader::readPackedFloatBits(int width, const char* what) {
    if (width < 1 || width > 4) fail("float width " + std::to_string(width) + " is not 1 to 4");
    need(static_cast<std::size_t>(width), what);
    uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | bytes_[pos_ + i];
    pos_ += static_cast<std::size_t>(width);
    return v;
}

float PackReader::readPackedFloat(int width, const char* what) {
    return packedFloatFromBits(readPackedFloatBits(width, what), width);
}

void PackReader::readBytes(uint8_t* out, std::size_t count, const char* what) {
    need(count, what);
    if (count > 0) std::memcpy(out, bytes_.data() + pos_, count);
    pos_ += count;
}

float packedFloatFromBits(uint32_t bits, int width) {
    // Shift by 32 - 8N: the stored bytes are the top of the word, the rest zero.
    if (width <= 0) return 0.0f;
    uint32_t word = width >= 4 ? bits : (bits << (32 - 8 * width));
    float f;
    std::memcpy(&f, &word, sizeof f);
    return f;
}

uint32_t packedBitsFromFloat(float value, int width) {
    uint32_t word;
    std::memcpy(&word, &value, sizeof word);
    if (width <= 0) return 0;
    return width >= 4 ? word : (word >> (32 - 8 * width));
}

}  // namespace lumen
