// Writing a loaded song as a standard Extended Module that other trackers and
// players open and play as Lumen plays it, with a report of the cells that
// have no XM spelling and will sound different there.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "synth/module_player.h"

namespace lumen {

struct XmExport {
    std::vector<uint8_t> bytes;       // the whole .xm file
    std::vector<std::string> report;  // one line per cell that will sound different
};

// Exports the loaded song in `player` with its generated samples. The song is
// first played through once with the sequencer (no mixing) to learn what each
// channel holds when each row starts; the player is left wherever that stops.
// Throws XmFormatError when the song does not fit an XM file.
XmExport exportXm(ModulePlayer& player, const std::string& moduleName = "Lumen");

}  // namespace lumen
