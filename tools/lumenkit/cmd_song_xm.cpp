// lumenkit song export-xm / import-xm: writes the built-in song, or three
// stored pieces, as a standard Extended Module with the generated samples and
// lists the cells that XM players will sound differently; and reads a module
// made in a tracker back into a song source folder.
//
//   lumenkit song export-xm OUT.xm [--image F --planes F --defs F]
//   lumenkit song import-xm IN.xm (--out | -o) DIR [--force]
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "command.h"
#include "file_io.h"
#include "song_command.h"
#include "synth/song_data_error.h"
#include "synth/xm_export.h"
#include "synth/xm_format.h"
#include "synth/xm_import.h"

namespace lumenkit {

namespace {

struct XmOptions {
    std::string out;
    SongInputOptions input;
};

void exportXmFile(const XmOptions& o) {
    LoadedSong loaded = loadSongInput(o.input);
    lumen::XmExport xm;
    try {
        xm = lumen::exportXm(*loaded.player);
    } catch (const lumen::XmFormatError& e) {
        throw CommandError(loaded.description + ": " + e.what());
    }
    writeFileAtomically(o.out, xm.bytes.data(), xm.bytes.size());
    std::printf("%s: %zu bytes\n", o.out.c_str(), xm.bytes.size());
    if (xm.report.empty()) {
        std::printf("every played cell has an XM spelling that sounds as in Lumen\n");
        return;
    }
    std::printf("%zu cells will sound different in XM players:\n", xm.report.size());
    for (const std::string& line : xm.report) std::printf("  %s\n", line.c_str());
}

// A module is a few MB at most; this bounds what a wrong file costs to read.
constexpr size_t kMaxModuleBytes = size_t(256) << 20;

void importXmFile(const std::string& in, const std::string& dir, bool force) {
    const std::vector<uint8_t> bytes = readFileBytes(in, kMaxModuleBytes);
    lumen::SongSourceFiles files;
    lumen::XmImport module;
    try {
        module = lumen::importXm(bytes);
        files = lumen::xmImportSource(module, std::filesystem::path(in).filename().string());
    } catch (const lumen::XmFormatError& e) {
        throw CommandError(in + ": " + e.what());
    } catch (const lumen::SongDataError& e) {
        throw CommandError(in + ": " + e.what());
    } catch (const lumen::SongSourceError& e) {
        throw CommandError(in + ": " + e.what());
    }
    // An earlier import is where generators get edited: never replace one unasked.
    for (const auto& [name, text] : files) {
        const std::filesystem::path path = std::filesystem::path(dir) / name;
        std::error_code ec;
        if (!force && std::filesystem::exists(path, ec))
            throw CommandError(path.string() +
                               ": exists; importing would replace it (and any generator edited there): pass --force "
                               "to overwrite, or choose another folder");
    }
    try {
        lumen::writeSongSourceFolder(dir, files);
    } catch (const lumen::SongSourceError& e) {
        throw CommandError(e.what());
    }
    std::printf("%s: %zu files; each instrument has a placeholder generator to edit\n", dir.c_str(), files.size());
    if (module.report.empty()) {
        std::printf("every played cell sounds in Lumen as in XM players\n");
        return;
    }
    std::printf("%zu cells will sound different in Lumen:\n", module.report.size());
    for (const std::string& line : module.report) std::printf("  %s\n", line.c_str());
}

SongRegistration reg([](CLI::App& song) {
    auto o = std::make_shared<XmOptions>();
    auto* x = song.add_subcommand(
        "export-xm",
        "Write a song as an Extended Module (XM 1.04, packed patterns, delta-encoded 8-bit samples). Panning is "
        "mirrored, instruments are repeated on notes, commands Lumen ignores are left out; cells without an XM "
        "spelling are listed. Without --image/--planes/--defs the built-in song is written.");
    x->add_option("OUT", o->out, "The .xm file to write")->required();
    addSongInputOptions(*x, o->input);
    x->callback([o] { exportXmFile(*o); });

    auto in = std::make_shared<std::string>();
    auto dir = std::make_shared<std::string>();
    auto force = std::make_shared<bool>(false);
    auto* i = song.add_subcommand(
        "import-xm",
        "Read an Extended Module (XM 1.04) into a song source folder that `song build` compiles: header, order "
        "list, patterns and instrument fields, with panning mirrored back and arpeggios respelled for Lumen's tick "
        "order; cells that will sound different are listed. Samples cannot become generators: each instrument gets "
        "a placeholder generator to edit. At most 18 channels, 64-row patterns and 16 samples per instrument.");
    i->add_option("IN", *in, "The .xm file to read")->required();
    i->add_option("-o,--out", *dir, "The song source folder to write (created if missing)")->required();
    i->add_flag("--force", *force, "Overwrite source files already in DIR");
    i->callback([in, dir, force] { importXmFile(*in, *dir, *force); });
});

}  // namespace

}  // namespace lumenkit
