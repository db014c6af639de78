// Pack reader: the bounded cursor over a pack's byte array and the primitives
// the pack model is read with (bytes, int16, 32-bit words, packed floats).
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace lumen {

// A load that runs off the end of its bytes (or meets content it cannot use)
// stops with a PackError. Its message names the section and the byte offset,
// e.g. "scene section: byte 812: expected 2 bytes (object id), 1 left".
// Nothing partly read is handed out: callers drop the load on this exception.
class PackError : public std::runtime_error {
public:
    PackError(std::string section, std::size_t offset, const std::string& what);
    const std::string& section() const { return section_; }
    std::size_t offset() const { return offset_; }

private:
    std::string section_;
    std::size_t offset_;
};

// The cursor. Every read checks the remaining length first; the section name
// is what error messages report and is set as each section begins.
class PackReader {
public:
    explicit PackReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    void setSection(std::string name) { section_ = std::move(name); }
    const std::string& section() const { return section_; }
    std::size_t offset() const { return pos_; }
    std::size_t remaining() const { return bytes_.size() - pos_; }
    bool atEnd() const { return pos_ == bytes_.size(); }
    std::span<const uint8_t> bytes() const { return bytes_; }

    uint8_t readByte(const char* what = "byte");
    int8_t readSignedByte(const char* what = "byte") { return static_cast<int8_t>(readByte(what)); }
    uint16_t readInt16(const char* what = "int16");
    int16_t readSignedInt16(const char* what = "int16") { return static_cast<int16_t>(readInt16(what)); }
    uint32_t readUint32(const char* what = "32-bit word");
    // N = 1..4 bytes: the most significant bytes of an IEEE-754 single.
    float readPackedFloat(int width, const char* what = "packed float");
    uint32_t readPackedFloatBits(int width, const char* what = "packed float");
    void readBytes(uint8_t* out, std::size_t count, const char* what);

    // Raises a PackError at the current offset.
    [[noreturn]] void fail(const std::string& what) const;

private:
    void need(std::size_t count, const char* what) const;

    std::span<const uint8_t> bytes_;
    std::size_t pos_ = 0;
    std::string section_ = "header";
};

// The float that the low N bytes of `bits` stand for (first byte lowest).
float packedFloatFromBits(uint32_t bits, int width);
// The stored N-byte pattern of a float: its N most significant bytes.
uint32_t packedBitsFromFloat(float value, int width);

// Colour bytes are b / 255 taken as b * 0.003921569 in single precision.
inline float colorByte(uint8_t b) { return static_cast<float>(b * 0.003921569); }

}  // namespace lumen
