// The tracker cell notation of song sources: one pattern cell as text
// ("C-4 03 v40 A0F") and back. Shared by the source parser and printer.
#pragma once
#include <string>
#include <string_view>

#include "synth/song_writer.h"

namespace lumen {

// Parses the four whitespace-separated fields of a cell into stored bytes.
// Returns an empty string on success, else what was expected.
std::string parseCellText(std::string_view text, Cell& out);

// The cell's text, or an empty string when a byte has no spelling (a note
// byte above key off, a volume byte the sequencer ignores, an effect above Z).
std::string cellText(const Cell& cell);

}  // namespace lumen
