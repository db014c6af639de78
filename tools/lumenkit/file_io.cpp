// Whole-file reads, all-or-nothing writes and the progress bar for lumenkit.
#include "file_io.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "command.h"

namespace lumenkit {

std::vector<uint8_t> readFileBytes(const std::string& path, size_t maxBytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw CommandError(path + ": cannot open: " + std::strerror(errno));
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (bytes.size() + got > maxBytes) {
            std::fclose(file);
            throw CommandError(path + ": byte " + std::to_string(maxBytes) + ": expected at most " +
                               std::to_string(maxBytes) + " bytes");
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    const bool failed = std::ferror(file) != 0;
    const int readErrno = errno;
    std::fclose(file);
    if (failed) throw CommandError(path + ": cannot read: " + std::strerror(readErrno));
    return bytes;
}

void writeFileAtomically(const std::string& path, const void* data, size_t size) {
    const std::string part = path + ".part";
    std::FILE* file = std::fopen(part.c_str(), "wb");
    if (!file) throw CommandError(path + ": cannot create: " + std::strerror(errno));
    // An empty piece (a song without instruments has no definitions) may come
    // with no buffer at all, which fwrite must not be given.
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(part.c_str(), path.c_str()) != 0) {
        const int why = written ? errno : writeErrno;
        std::remove(part.c_str());
        throw CommandError(path + ": cannot write: " + std::strerror(why));
    }
}

ProgressBar::ProgressBar(std::string label) : label_(std::move(label)), enabled_(isatty(STDERR_FILENO) == 1) {}

void ProgressBar::update(double p) {
    if (!enabled_) return;
    const int percent = p <= 0 ? 0 : p >= 1 ? 100 : static_cast<int>(p * 100);
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    std::fprintf(stderr, "\r%s [%-30.*s] %3d%%", label_.c_str(), percent * 30 / 100, "##############################",
                 percent);
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressBar::finish() {
    if (drawn_) std::fprintf(stderr, "\r\033[K");
    drawn_ = false;
    lastPercent_ = -1;
}

}  // namespace lumenkit
