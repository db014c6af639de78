// lumenkit song build / song dis: compiles a song source folder into the three
// stored pieces, and prints stored pieces back as a song source folder.
//
//   lumenkit song build SRCDIR (--out | -o) DIR
//   lumenkit song dis [--image F --planes F --defs F] (--out | -o) DIR
#include <filesystem>
#include <memory>
#include <string>

#include "command.h"
#include "content/song_builtin.h"
#include "file_io.h"
#include "synth/song_data_error.h"
#include "synth/song_source_format.h"

namespace lumenkit {

namespace {

constexpr size_t kMaxSongFileBytes = size_t(256) << 20;

void build(const std::string& source, const std::string& dir) {
    lumen::SongSourceFiles files;
    try {
        files = lumen::readSongSourceFolder(source);
    } catch (const lumen::SongSourceError& e) {
        throw CommandError(e.what());
    }
    lumen::StoredSong song;
    try {
        song = lumen::compileSongSource(files);
    } catch (const lumen::SongSourceError& e) {
        throw CommandError((std::filesystem::path(source) / e.what()).string());
    }
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) throw CommandError(dir + ": cannot create: " + ec.message());
    const std::filesystem::path out(dir);
    writeFileAtomically((out / "song.image").string(), song.image.data(), song.image.size());
    writeFileAtomically((out / "song.planes").string(), song.planes.data(), song.planes.size());
    writeFileAtomically((out / "song.defs").string(), song.definitions.data(), song.definitions.size());
}

struct DisOptions {
    std::string image, planes, defs, out;
};

void disassemble(const DisOptions& o) {
    const int given = !o.image.empty() + !o.planes.empty() + !o.defs.empty();
    if (given != 0 && given != 3)
        throw CommandError("expected all three of --image, --planes and --defs, or none for the built-in song");
    lumen::StoredSong song;
    if (given == 3) {
        song = {readFileBytes(o.image, kMaxSongFileBytes), readFileBytes(o.planes, kMaxSongFileBytes),
                readFileBytes(o.defs, kMaxSongFileBytes)};
    } else {
        const auto& builtIn = lumen::content::builtInSong();
        song = {builtIn.image, builtIn.planes, builtIn.definitions};
    }
    try {
        lumen::writeSongSourceFolder(o.out, lumen::printSongSource(song));
    } catch (const lumen::SongDataError& e) {
        const std::string& piece = e.piece();
        const std::string file = piece == "song image" ? o.image : piece == "pattern planes" ? o.planes : o.defs;
        throw CommandError((file.empty() ? "built-in " + piece : file) + std::string(e.what()).substr(piece.size()));
    } catch (const lumen::SongSourceError& e) {
        throw CommandError(e.what());
    }
}

// The "song" command is shared with other files; whichever registers first creates it.
CLI::App* songCommand(CLI::App& app) {
    for (CLI::App* sub : app.get_subcommands([](CLI::App* a) { return a->get_name() == "song"; })) return sub;
    return app.add_subcommand("song", "Songs: render, export, build from sources and more");
}

Registration reg([](CLI::App& app) {
    CLI::App* song = songCommand(app);
    auto source = std::make_shared<std::string>();
    auto dir = std::make_shared<std::string>();
    auto* b = song->add_subcommand("build",
                                   "Compile a song source folder (song.txt, *.pattern, *.instrument) into "
                                   "DIR/song.image, DIR/song.planes and DIR/song.defs");
    b->add_option("SRCDIR", *source, "Song source folder")->required();
    b->add_option("-o,--out", *dir, "Output directory")->required();
    b->callback([source, dir] { build(*source, *dir); });

    auto o = std::make_shared<DisOptions>();
    auto* d = song->add_subcommand("dis",
                                   "Print stored song pieces as a song source folder (the built-in song without "
                                   "--image/--planes/--defs)");
    d->add_option("--image", o->image, "Song image file");
    d->add_option("--planes", o->planes, "Pattern planes file");
    d->add_option("--defs", o->defs, "Generator definitions file");
    d->add_option("-o,--out", o->out, "Output directory")->required();
    d->callback([o] { disassemble(*o); });
});

}  // namespace

}  // namespace lumenkit
