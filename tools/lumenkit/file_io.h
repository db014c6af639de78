// What every lumenkit command shares: reading a whole input file with a size
// limit, writing an output so a failure never leaves half a file, a progress bar.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumenkit {

constexpr size_t kDefaultMaxInputBytes = size_t(1) << 30;

// The whole file; a CommandError names the file and what went wrong, and a
// file over maxBytes is refused before it is read.
std::vector<uint8_t> readFileBytes(const std::string& path, size_t maxBytes = kDefaultMaxInputBytes);

// Writes PATH.part and renames it over PATH only when every byte is written.
void writeFileAtomically(const std::string& path, const void* data, size_t size);

// A one-line bar on stderr, drawn only when stderr is a terminal; erased when
// finished or destroyed.
class ProgressBar {
public:
    explicit ProgressBar(std::string label);
    ~ProgressBar() { finish(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(double progress);
    void finish();

private:
    std::string label_;
    bool enabled_;
    bool drawn_ = false;
    int lastPercent_ = -1;
};

}  // namespace lumenkit
