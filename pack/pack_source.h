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
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "pack/pack_model.h"

namespace lumen {

// An assembler error; what() reads "FILE:LINE: what was expected".
class PackSourceError : public std::runtime_error {
public:
    PackSourceError(const std::string& file, int line, const std::string& what)
        : std::runtime_error(file + ":" + std::to_string(line) + ": " + what), line_(line) {}
    int line() const { return line_; }

private:
    int line_;
};

PackModel assemblePackSource(std::string_view text, const std::string& fileName);
std::vector<uint8_t> assemblePack(std::string_view text, const std::string& fileName);

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
