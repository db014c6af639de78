// Writing 16-bit PCM WAV files, streamed: the header's sizes are filled in
// when the file is finished.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace lumen {

// Writes samples as little-endian 16-bit values (the layout of WAV data and of
// raw PCM files); false on a write error.
bool writePcm16(std::FILE* file, const int16_t* samples, size_t count);

class WavWriter {
public:
    // Opens path for writing; throws std::runtime_error naming it on failure.
    WavWriter(const std::string& path, int channels, int rate);
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    void write(const int16_t* samples, size_t frames);
    // Completes the header and closes; throws on a write error.
    void finish();

private:
    void fail(const char* what);

    std::string path_;
    std::FILE* file_ = nullptr;
    int channels_;
    int rate_ = 0;
    uint64_t dataBytes_ = 0;
};

}  // namespace lumen
