// Reading a song source folder into memory and writing one out, each file
// through a temporary and a rename so a failed write leaves the old file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "synth/song_source_format.h"

namespace lumen {

namespace {

constexpr std::uintmax_t kMaxSourceFileBytes = std::uintmax_t(16) << 20;

bool isSourceFile(const std::filesystem::path& p) {
    return p.filename() == kSongHeaderFile || p.extension() == kPatternExtension ||
           p.extension() == kInstrumentExtension;
}

}  // namespace

SongSourceFiles readSongSourceFolder(const std::string& dir) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) throw SongSourceError(dir, 0, "expected a song source folder");
    SongSourceFiles files;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
        if (!entry.is_regular_file(ec) || !isSourceFile(entry.path())) continue;
        const std::string path = entry.path().string();
        if (entry.file_size(ec) > kMaxSourceFileBytes)
            throw SongSourceError(path, 0, "expected a file of at most 16 MB");
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        if (!in) throw SongSourceError(path, 0, std::string("expected a readable file: ") + std::strerror(errno));
        files[entry.path().filename().string()] = text.str();
    }
    if (ec) throw SongSourceError(dir, 0, "expected a readable folder: " + ec.message());
    return files;
}

void writeSongSourceFolder(const std::string& dir, const SongSourceFiles& files) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) throw SongSourceError(dir, 0, "expected a folder that can be created: " + ec.message());
    for (const auto& [name, text] : files) {
        const std::string path = (fs::path(dir) / name).string();
        const std::string part = path + ".part";
        {
            std::ofstream out(part, std::ios::binary);
            out << text;
            if (!out.flush()) {
                std::remove(part.c_str());
                throw SongSourceError(path, 0, std::string("expected a writable file: ") + std::strerror(errno));
            }
        }
        if (std::rename(part.c_str(), path.c_str()) != 0) {
            std::remove(part.c_str());
            throw SongSourceError(path, 0, std::string("expected a writable file: ") + std::strerror(errno));
        }
    }
}

}  // namespace lumen
