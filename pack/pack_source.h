// Readable pack source: the text form packs are written and reviewed in. One
// construct per record, fields by name, floats as decimals, texts as quoted
// strings; the assembler turns it into a pack model, the disassembler back.
//
//   pack width 2
//   texture id 1
//     op SinePlasma layer 0 xFrequency 1 yFrequency 0 xPhase 197 yPhase 0 channel 0
//     op Text layer 2 font 3 height 157 x 35 y 45 italic 0 bold 0 slot 3 text "100"
//   end
//   image imageId 1 sourceTexture 1 sourceLayer 0
//   scene id 0
//     light kind point ambient 0 0 0 diffuse 255 255 255 position 0 -5 -5 attenuation 1 0 0
//     object cube id 1 parent -1 color 255 255 255 255 keepUV 1 matrix 1 0 0 0 0 1 0 0 0 0 1 0
//     camera id 0
//       key time 0 fov 60 roll 0 eye 0 0 -4 target 0 0 0
//       key time 100 eyeZ -3
//     end
//   end
//   event clear start 0 end 99 clearColor 1 clearDepth 1
//
// '#' starts a comment to the end of the line. Every field is a `name value`
// pair (a group such as color or matrix takes its values in a row; a text is one
// quoted value) and field order within a record is free. An op line must name
// every parameter its operation's row in texgen/texture_op_rows.h gives a
// meaning; only its spare bytes may be left out (0). Other records' fields
// left out are 0 (or the record's documented default).
//
// Song positions. An event's start and end may be written as a position in
// the built-in song instead of a number of 10 ms units: @ORDER:ROW, or
// @ORDER:ROW+MS / @ORDER:ROW-MS to move it by MS milliseconds; all decimal,
// ORDER the 0-based index into the song's order list. The position stands for
// the show time (song time + 57 ms) at which the song's first pass starts the
// row's first tick, the same times `lumenkit song timemap` prints. A start
// becomes the 10 ms unit that holds that time; an end becomes the unit before
// it, so an event ending @4:0 and one starting @4:0 meet with neither a gap nor
// an overlap. A position the first pass never plays (a row skipped by a break
// or jump, an order past the list or beyond the song's first wrap) is an
// error. Positions resolve when the pack is assembled, so a cut stays on its
// beat when the music is edited; the disassembler prints plain units.
//
//   event clear start @2:16 end @3:0-40 clearColor 1 clearDepth 1
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/source_text.h"
#include "pack/pack_model.h"

namespace lumen {

// An assembler error; what() reads "FILE:LINE: what was expected".
class PackSourceError : public SourceError {
public:
    using SourceError::SourceError;
};

// Where the song plays a position on its first pass, for event times written
// @ORDER:ROW: the show time at which the row's first tick starts, or, when the
// song never plays it, why not.
struct SongPositionTime {
    std::optional<int> showTimeMs;
    std::string whyNot;
};
using SongPositionLookup = std::function<SongPositionTime(int order, int row)>;

// Assembles a pack source. Song positions are resolved through `positions`,
// which is asked only when the source writes one; without it they are errors.
PackModel assemblePackSource(std::string_view text, const std::string& fileName,
                             const SongPositionLookup& positions = {});
std::vector<uint8_t> assemblePack(std::string_view text, const std::string& fileName,
                                  const SongPositionLookup& positions = {});

// The source of a model. Assembling it gives the model back exactly, so the
// bytes of any valid pack survive a disassemble/assemble round trip.
std::string disassemblePack(const PackModel& model);

// Names used by the source form; empty when a value has no name.
std::string_view textureOpName(int code);
std::string_view objectTypeName(int type);
std::string_view lightKindName(int kind);
std::string_view eventKindName(int kind);
std::string_view blendCodeName(int code);
std::string_view deformModeName(int mode);

// A packed float printed so that it reads back to the same stored bits:
// the shortest decimal for finite values, the raw stored bits (0x...) else.
std::string formatPackedFloat(PackedFloatBits value, int width);

}  // namespace lumen
