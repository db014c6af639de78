// lumenkit synth: generates every definition of a file of concatenated sample
// generator definitions, in order and sharing the filter memory as a song load
// does, and writes the signed 8-bit samples (and WAV files for listening).
//
//   lumenkit synth DEFS --out DIR [--wav]
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "command.h"
#include "file_io.h"
#include "synth/sample_generator.h"
#include "synth/song_data_error.h"
#include "synth/wav_writer.h"

namespace lumenkit {

namespace {

constexpr size_t kMaxDefinitionFileBytes = size_t(64) << 20;

void synthesise(const std::string& defsPath, const std::string& dir, bool wav) {
    const std::vector<uint8_t> bytes = readFileBytes(defsPath, kMaxDefinitionFileBytes);
    std::vector<lumen::GeneratorDefinition> defs;
    try {
        defs = lumen::parseGeneratorDefinitions(bytes);
    } catch (const lumen::SongDataError& e) {
        throw CommandError(defsPath + std::string(e.what()).substr(e.piece().size()));
    }
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) throw CommandError(dir + ": cannot create: " + ec.message());

    ProgressBar bar("synthesising");
    lumen::SampleGenerator generator;
    for (size_t i = 0; i < defs.size(); ++i) {
        bar.update(double(i) / double(defs.size()));
        const int count = defs[i].length;
        std::vector<int8_t> samples(size_t(count), 0);
        generator.toBytes(defs[i], samples.data(), count);
        const auto base = std::filesystem::path(dir) / ("inst" + std::to_string(i));
        writeFileAtomically(base.string() + ".s8", samples.data(), samples.size());
        if (wav) {
            std::vector<int16_t> pcm(samples.size());
            for (size_t k = 0; k < samples.size(); ++k) pcm[k] = static_cast<int16_t>(samples[k] * 256);
            try {
                lumen::WavWriter w(base.string() + ".wav", 1, 44100);
                w.write(pcm.data(), pcm.size());
                w.finish();
            } catch (const std::runtime_error& e) {
                throw CommandError(e.what());
            }
        }
    }
}

Registration reg([](CLI::App& app) {
    auto defs = std::make_shared<std::string>();
    auto dir = std::make_shared<std::string>();
    auto wav = std::make_shared<bool>(false);
    auto* sub = app.add_subcommand(
        "synth",
        "Generate every sample generator definition of DEFS, in order and sharing the filter memory, into "
        "DIR/inst<i>.s8 (signed 8-bit, one byte per sample of the definition's length; i counts from 0)");
    sub->add_option("DEFS", *defs, "File of concatenated generator definitions")->required();
    sub->add_option("--out", *dir, "Output directory")->required();
    sub->add_flag("--wav", *wav, "Also write DIR/inst<i>.wav (16-bit mono, 44100 Hz) for listening");
    sub->callback([=] { synthesise(*defs, *dir, *wav); });
});

}  // namespace

}  // namespace lumenkit
