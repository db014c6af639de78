// Reading a standard Extended Module back into the song's stored pieces and
// its source form, so that a song composed in a tracker can come home.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "synth/generator_definition.h"
#include "synth/song_source_format.h"

namespace lumen {

struct XmImport {
    // The image and planes as the module holds them (panning mirrored back);
    // the definitions hold one placeholder generator per instrument.
    StoredSong song;
    std::string moduleName;
    std::string trackerName;
    std::vector<std::string> instrumentNames;  // as the module names them, printable characters only
    std::vector<std::string> report;           // one line per cell that will sound different in Lumen
};

// Reads the module. Throws XmFormatError "byte N: expected ..." for anything
// malformed or truncated, and for what Lumen's song layout cannot hold (more
// than 18 channels, patterns other than 64 rows, more than 16 samples per
// instrument, ...), saying what to change in the tracker. The song is played
// through once with the sequencer (no mixing) to respell arpeggios for
// Lumen's tick order at each row's speed; cells with no Lumen spelling, and
// volume-column slides (Lumen also runs them on the row's first tick), are
// listed in the report.
XmImport importXm(std::span<const uint8_t> bytes);

// The generator an imported instrument gets in place of its samples: a plain
// sine over `length` samples, pitched so that C-4 sounds near C-4.
GeneratorDefinition placeholderGenerator(int32_t length);

// The source folder's files for an imported module, with comments saying
// where it came from and that each generator is a placeholder to edit.
// `from` names the module file in those comments.
SongSourceFiles xmImportSource(const XmImport& module, const std::string& from);

}  // namespace lumen
