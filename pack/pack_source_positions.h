// Event times written as song positions (@ORDER:ROW, @ORDER:ROW+MS,
// @ORDER:ROW-MS) in pack sources, resolved to stored 10 ms units.
#pragma once
#include <string>
#include <string_view>

#include "pack/pack_source.h"

namespace lumen {

constexpr char kSongPositionMark = '@';

// The stored unit of an event start or end written as `text`: a start is the
// unit that holds the position's show time, an end the unit before it.
// Throws PackSourceError naming file and line for a malformed position, one the
// song never plays, one outside the stored range, or a missing lookup.
int songPositionUnit(std::string_view text, bool isEnd, const SongPositionLookup& positions,
                     const std::string& file, int line);

}  // namespace lumen
