// RIFF/WAVE output of little-endian 16-bit PCM.
#include "synth/wav_writer.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace lumen {

namespace {

void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void header(uint8_t h[44], int channels, int rate, uint32_t dataBytes) {
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + dataBytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, static_cast<uint16_t>(channels));
    put32(h + 24, static_cast<uint32_t>(rate));
    put32(h + 28, static_cast<uint32_t>(rate * channels * 2));
    put16(h + 32, static_cast<uint16_t>(channels * 2));
    put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, dataBytes);
}

}  // namespace

WavWriter::WavWriter(const std::string& path, int channels, int rate) : path_(path), channels_(channels) {
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) throw std::runtime_error(path + ": cannot create: " + std::strerror(errno));
    uint8_t h[44];
    header(h, channels, rate, 0);
    if (std::fwrite(h, 1, sizeof h, file_) != sizeof h) fail("write");
    rate_ = rate;
}

WavWriter::~WavWriter() {
    if (file_) std::fclose(file_);
}

void WavWriter::fail(const char* what) {
    const std::string reason = std::strerror(errno);
    std::fclose(file_);
    file_ = nullptr;
    throw std::runtime_error(path_ + ": cannot " + what + ": " + reason);
}

bool writePcm16(std::FILE* file, const int16_t* samples, size_t count) {
    if constexpr (std::endian::native == std::endian::little) return std::fwrite(samples, 2, count, file) == count;
    uint8_t buffer[4096];
    for (size_t done = 0; done < count;) {
        const size_t n = std::min(count - done, sizeof buffer / 2);
        for (size_t i = 0; i < n; ++i) put16(buffer + 2 * i, static_cast<uint16_t>(samples[done + i]));
        if (std::fwrite(buffer, 2, n, file) != n) return false;
        done += n;
    }
    return true;
}

void WavWriter::write(const int16_t* samples, size_t frames) {
    const size_t count = frames * size_t(channels_);
    if (!writePcm16(file_, samples, count)) fail("write");
    dataBytes_ += count * 2;
    if (dataBytes_ > 0xFFFFFFFFull - 36) throw std::runtime_error(path_ + ": too long for a WAV file");
}

void WavWriter::finish() {
    uint8_t h[44];
    header(h, channels_, rate_, static_cast<uint32_t>(dataBytes_));
    if (std::fseek(file_, 0, SEEK_SET) != 0 || std::fwrite(h, 1, sizeof h, file_) != sizeof h) fail("write");
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) throw std::runtime_error(path_ + ": cannot write: " + std::strerror(errno));
}

}  // namespace lumen
