// lumenkit song: renders a song to PCM offline through the player's own block
// renderer (bit-identical to what the sound device receives), and exports the
// built-in song's three stored pieces.
//
//   lumenkit song render --seconds S (--wav OUT | --raw OUT) [--image F --planes F --defs F]
//   lumenkit song export (--out | -o) DIR
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "command.h"
#include "content/song_builtin.h"
#include "file_io.h"
#include "song_command.h"
#include "synth/offline_render.h"
#include "synth/song_data_error.h"
#include "synth/wav_writer.h"

namespace lumenkit {

namespace {

constexpr size_t kMaxSongFileBytes = size_t(256) << 20;
constexpr double kMaxSeconds = 24 * 3600;

// Renames the piece that failed into the file it came from.
[[noreturn]] void rethrowWithFile(const lumen::SongDataError& e, const std::string& image, const std::string& planes,
                                  const std::string& defs) {
    const std::string& piece = e.piece();
    const std::string file = piece == "song image" ? image : piece == "pattern planes" ? planes : defs;
    throw CommandError(file + std::string(e.what()).substr(piece.size()));
}

// Writes to OUT.part and renames it over OUT only when everything succeeded,
// so a failed render never leaves half a file or destroys an earlier one.
class PartFile {
public:
    explicit PartFile(std::string path) : path_(std::move(path)), part_(path_ + ".part") {}
    ~PartFile() {
        if (!committed_) std::remove(part_.c_str());
    }
    const std::string& part() const { return part_; }
    void commit() {
        if (std::rename(part_.c_str(), path_.c_str()) != 0)
            throw CommandError(path_ + ": cannot write: " + std::strerror(errno));
        committed_ = true;
    }

private:
    std::string path_;
    std::string part_;
    bool committed_ = false;
};

// Interleaved 16-bit little-endian samples to a file. The renderer hands over
// one block (about 3.5 KB) at a time; a megabyte of stdio buffer keeps the
// system calls, not the samples, from dominating a long render.
class RawPcmFile {
public:
    RawPcmFile(const std::string& path, std::string name) : name_(std::move(name)) {
        file_ = std::fopen(path.c_str(), "wb");
        if (!file_) throw CommandError(name_ + ": cannot create: " + std::strerror(errno));
        std::setvbuf(file_, nullptr, _IOFBF, size_t(1) << 20);
    }
    ~RawPcmFile() {
        if (file_) std::fclose(file_);
    }
    RawPcmFile(const RawPcmFile&) = delete;
    RawPcmFile& operator=(const RawPcmFile&) = delete;

    void write(const int16_t* samples, size_t count) {
        if (!lumen::writePcm16(file_, samples, count)) fail();
    }

    void close() {
        std::FILE* f = file_;
        file_ = nullptr;
        if (std::fclose(f) != 0) fail();
    }

private:
    [[noreturn]] void fail() const { throw CommandError(name_ + ": cannot write: " + std::strerror(errno)); }

    std::string name_;
    std::FILE* file_ = nullptr;
};

struct RenderOptions {
    double seconds = 0;
    std::string wav;
    std::string raw;
    std::string image;
    std::string planes;
    std::string defs;
};

void render(const RenderOptions& o) {
    if (!(o.seconds > 0) || o.seconds > kMaxSeconds)
        throw CommandError("--seconds: expected a duration above 0 and at most 86400, got " +
                           std::to_string(o.seconds));
    if (o.wav.empty() == o.raw.empty()) throw CommandError("expected exactly one of --wav OUT and --raw OUT");
    const int given = !o.image.empty() + !o.planes.empty() + !o.defs.empty();
    if (given != 0 && given != 3)
        throw CommandError("expected all three of --image, --planes and --defs, or none for the built-in song");

    std::vector<uint8_t> image, planes, defs;
    std::string imageName = "built-in song image", planesName = "built-in pattern planes",
                defsName = "built-in definitions";
    if (given == 3) {
        image = readFileBytes(o.image, kMaxSongFileBytes);
        planes = readFileBytes(o.planes, kMaxSongFileBytes);
        defs = readFileBytes(o.defs, kMaxSongFileBytes);
        imageName = o.image;
        planesName = o.planes;
        defsName = o.defs;
    } else {
        const auto& song = lumen::content::builtInSong();
        image = song.image;
        planes = song.planes;
        defs = song.definitions;
    }

    const size_t frames = static_cast<size_t>(std::llround(o.seconds * lumen::kOutputRate));
    const std::string out = o.wav.empty() ? o.raw : o.wav;
    PartFile file(out);
    ProgressBar bar("rendering");
    try {
        if (!o.wav.empty()) {
            lumen::WavWriter wav(file.part(), 2, lumen::kOutputRate);
            lumen::renderSongOffline(
                lumen::SongSource{image, planes, defs}, frames,
                [&](const int16_t* pcm, size_t n) { wav.write(pcm, n); }, [&](double p) { bar.update(p); });
            wav.finish();
        } else {
            RawPcmFile raw(file.part(), out);
            lumen::renderSongOffline(
                lumen::SongSource{image, planes, defs}, frames,
                [&](const int16_t* pcm, size_t n) { raw.write(pcm, 2 * n); }, [&](double p) { bar.update(p); });
            raw.close();
        }
    } catch (const lumen::SongDataError& e) {
        rethrowWithFile(e, imageName, planesName, defsName);
    } catch (const std::runtime_error& e) {
        if (dynamic_cast<const CommandError*>(&e)) throw;
        throw CommandError(e.what());
    }
    file.commit();
}

void writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    writeFileAtomically(path.string(), bytes.data(), bytes.size());
}

void exportSong(const std::string& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) throw CommandError(dir + ": cannot create: " + ec.message());
    const auto& song = lumen::content::builtInSong();
    writeFile(std::filesystem::path(dir) / "song.image", song.image);
    writeFile(std::filesystem::path(dir) / "song.planes", song.planes);
    writeFile(std::filesystem::path(dir) / "song.defs", song.definitions);
}

Registration reg([](CLI::App& app) {
    // Other cmd_song_*.cpp files add subcommands to the same "song" command.
    CLI::App* song = nullptr;
    for (CLI::App* sub : app.get_subcommands([](CLI::App* a) { return a->get_name() == "song"; })) song = sub;
    if (!song) song = app.add_subcommand("song", "Render or export songs (song image, pattern planes, definitions)");
    song->require_subcommand(1);

    auto o = std::make_shared<RenderOptions>();
    auto* r = song->add_subcommand(
        "render",
        "Render a song offline through the player's block renderer: 44100 Hz 16-bit stereo from the first "
        "pre-filled block on. Without --image/--planes/--defs the built-in song is rendered.");
    r->add_option("--seconds", o->seconds, "Duration to render, in seconds")->required();
    r->add_option("--wav", o->wav, "Write a WAV file");
    r->add_option("--raw", o->raw, "Write interleaved signed 16-bit little-endian stereo");
    r->add_option("--image", o->image, "Song image file (module header, instrument and sample headers)");
    r->add_option("--planes", o->planes, "Pattern planes file: five planes back to back, each length / 5 bytes");
    r->add_option("--defs", o->defs, "Generator definitions, one per instrument, concatenated in order");
    r->callback([o] { render(*o); });

    auto dir = std::make_shared<std::string>();
    auto* e =
        song->add_subcommand("export", "Write the built-in song as DIR/song.image, DIR/song.planes and DIR/song.defs");
    e->add_option("-o,--out", *dir, "Output directory")->required();
    e->callback([dir] { exportSong(*dir); });

    for (const SongCommandSetup& setup : songCommandSetups()) setup(*song);
});

}  // namespace

}  // namespace lumenkit
