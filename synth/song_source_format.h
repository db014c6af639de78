// The readable song source: a folder of text files that compiles into the
// three stored pieces the player embeds, and the printer that writes them back.
//
// A source folder holds:
//   song.txt          the header: channels, speed, tempo, restart, flags,
//                     the pattern and instrument names, and the order list
//   NAME.pattern      one per pattern named in song.txt, numbered in that order
//   NAME.instrument   one per instrument named in song.txt, numbered from 1
// In every file a line whose first non-blank character is '#' is a comment.
//
// Pattern files: exactly 64 row lines, each "RR | cell | cell ..." with the
// decimal row number and one cell per channel. A cell is four fields:
//   note        C-4, C#4 ... B-7 (octaves 0..7), === key off, ... none
//   instrument  1..128 in decimal (01, 12, 128), .. none
//   volume      .. none; v00..v64 set volume; or a command and its value
//               0..15 in decimal: d slide down, c slide up, b fine down,
//               a fine up, u vibrato speed, h vibrato depth, p panning
//               (value x 16), l pan slide left, r pan slide right, g tone
//               portamento; or the command's name: FineVolUp:1
//   effect      ... none; the tracker letter (0-9, A-Z) and two hex digits,
//               A0F; or the effect's name and hex parameter: VolSlide:0F
// Example: "08 | C-4 03 v40 A0F | === .. .. ... | ... .. d02 ..."
//
// Header and instrument files: one "key value..." line per field; an
// instrument's "[sample]" sections, its "[generator]" section and that
// section's "[oscillator]" sections follow its header fields. Codes are
// spelled by their names (Sine, PingPong, LowPass, On Sustain ...).
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/source_text.h"

namespace lumen {

// line 0 means the file as a whole (missing, unreadable).
class SongSourceError : public SourceError {
public:
    using SourceError::SourceError;
};

// File name within the folder -> its text.
using SongSourceFiles = std::map<std::string, std::string>;

// The three stored pieces: song image, five pattern planes, generator definitions.
struct StoredSong {
    std::vector<uint8_t> image;
    std::vector<uint8_t> planes;
    std::vector<uint8_t> definitions;
};

inline constexpr const char* kSongHeaderFile = "song.txt";
inline constexpr const char* kPatternExtension = ".pattern";
inline constexpr const char* kInstrumentExtension = ".instrument";
constexpr int kMaxSongChannelsInSource = 18;  // the planes' pattern stride holds 18 channels
constexpr int kMaxSourcePatterns = 256;       // order entries are bytes
constexpr int kMaxSourceInstruments = 128;    // the highest instrument number a cell holds
constexpr int kMaxSourceOrders = 256;         // the order table's size

// Compiles the files; throws SongSourceError naming FILE:LINE and what was expected.
StoredSong compileSongSource(const SongSourceFiles& files);

// Reads song.txt and every .pattern and .instrument file of dir.
SongSourceFiles readSongSourceFolder(const std::string& dir);

// Writes the files into dir (created if missing), each via a temporary file
// and a rename. Throws SongSourceError on failure.
void writeSongSourceFolder(const std::string& dir, const SongSourceFiles& files);

// Spells stored pieces as source files (patterns p00.., instruments i01..).
// Throws SongDataError for pieces that do not read, and SongSourceError when
// the source would not compile back to the same bytes.
SongSourceFiles printSongSource(const StoredSong& song);

}  // namespace lumen
