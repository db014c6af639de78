// lumenkit song export-xm: writes the built-in song, or three stored pieces,
// as a standard Extended Module with the generated samples, and lists the
// cells that XM players will sound differently.
//
//   lumenkit song export-xm OUT.xm [--image F --planes F --defs F]
#include <cstdio>
#include <memory>
#include <string>

#include "command.h"
#include "file_io.h"
#include "song_command.h"
#include "synth/xm_export.h"
#include "synth/xm_format.h"

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
});

}  // namespace

}  // namespace lumenkit
