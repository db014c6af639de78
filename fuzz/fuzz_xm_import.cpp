// Fuzz target: the XM importer. Every input either imports or stops with an
// XmFormatError naming a byte; what imports must print as a song source that
// compiles back to the very pieces the importer made.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "synth/song_source_format.h"
#include "synth/xm_format.h"
#include "synth/xm_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    lumen::XmImport module;
    try {
        module = lumen::importXm(std::span<const uint8_t>(data, size));
    } catch (const lumen::XmFormatError&) {
        return 0;
    }
    // Printing checks that the files compile back to the same bytes and
    // throws if not; an exception escaping here is a finding.
    const lumen::StoredSong built = lumen::compileSongSource(lumen::xmImportSource(module, "fuzz.xm"));
    if (built.image != module.song.image || built.planes != module.song.planes ||
        built.definitions != module.song.definitions)
        std::abort();
    return 0;
}
