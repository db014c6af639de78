// Loading the song a song subcommand works on: the built-in one or three
// stored pieces from files, with errors that name the file they came from.
#include <string>
#include <vector>

#include "command.h"
#include "content/song_builtin.h"
#include "file_io.h"
#include "song_command.h"
#include "synth/song_data_error.h"
#include "synth/synth.h"

namespace lumenkit {

namespace {
constexpr size_t kMaxSongFileBytes = size_t(256) << 20;
}

void addSongInputOptions(CLI::App& command, SongInputOptions& options) {
    command.add_option("--image", options.image, "Song image file (module header, instrument and sample headers)");
    command.add_option("--planes", options.planes, "Pattern planes file: five planes back to back");
    command.add_option("--defs", options.defs, "Generator definitions, one per instrument, in order");
}

void checkSongInputOptions(const SongInputOptions& o) {
    const int given = !o.image.empty() + !o.planes.empty() + !o.defs.empty();
    if (given != 0 && given != 3)
        throw CommandError("expected all three of --image, --planes and --defs, or none for the built-in song");
}

LoadedSong loadSongInput(const SongInputOptions& o) {
    checkSongInputOptions(o);
    const int given = !o.image.empty() + !o.planes.empty() + !o.defs.empty();
    LoadedSong loaded;
    std::vector<uint8_t>& image = loaded.image;
    std::vector<uint8_t>& planes = loaded.planes;
    std::vector<uint8_t>& defs = loaded.defs;
    if (given == 3) {
        image = readFileBytes(o.image, kMaxSongFileBytes);
        planes = readFileBytes(o.planes, kMaxSongFileBytes);
        defs = readFileBytes(o.defs, kMaxSongFileBytes);
        loaded.description = o.image;
    } else {
        const auto& song = lumen::content::builtInSong();
        image = song.image;
        planes = song.planes;
        defs = song.definitions;
        loaded.description = "built-in song";
    }
    loaded.player = std::make_unique<lumen::ModulePlayer>();
    try {
        lumen::loadSongSource(*loaded.player, lumen::SongSource{image, planes, defs});
    } catch (const lumen::SongDataError& e) {
        if (given != 3) throw CommandError(std::string("built-in ") + e.what());
        const std::string& piece = e.piece();
        const std::string& file = piece == "song image" ? o.image : piece == "pattern planes" ? o.planes : o.defs;
        throw CommandError(file + std::string(e.what()).substr(piece.size()));
    }
    return loaded;
}

}  // namespace lumenkit
