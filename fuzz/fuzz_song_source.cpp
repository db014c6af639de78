// Fuzz target: the song source compiler. Every input either compiles or stops
// with a SongSourceError; what compiles must print back as a source that
// compiles to the same bytes (the printer checks that itself and throws).
//
// Input: the text of song.txt, then any number of files, each introduced by a
// line "@@ NAME" (for example "@@ a.pattern").
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "synth/generator_definition.h"
#include "synth/song_data_error.h"
#include "synth/song_source_format.h"

namespace {

lumen::SongSourceFiles splitFiles(std::string_view text) {
    lumen::SongSourceFiles files;
    std::string name = lumen::kSongHeaderFile;
    size_t start = 0;
    for (;;) {
        const size_t marker = text.find("\n@@ ", start == 0 ? 0 : start - 1);
        const size_t end = marker == std::string_view::npos ? text.size() : marker + 1;
        files[name] = std::string(text.substr(start, end - start));
        if (marker == std::string_view::npos) return files;
        const size_t eol = text.find('\n', marker + 4);
        name = std::string(text.substr(marker + 4, (eol == std::string_view::npos ? text.size() : eol) - marker - 4));
        if (eol == std::string_view::npos) return files;
        start = eol + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const lumen::SongSourceFiles files = splitFiles(std::string_view(reinterpret_cast<const char*>(data), size));
    lumen::StoredSong song;
    try {
        song = lumen::compileSongSource(files);
    } catch (const lumen::SongSourceError&) {
        return 0;
    }
    // What the compiler wrote, the definition parser and the printer must take.
    (void)lumen::parseGeneratorDefinitions(song.definitions);
    (void)lumen::printSongSource(song);
    return 0;
}
