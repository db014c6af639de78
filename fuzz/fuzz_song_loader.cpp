// Fuzz target: the song loader (song image, pattern planes, generator
// definitions) and a few rows of play over what it loads. Every input either
// loads or stops with a SongDataError; a loaded song must play without fault.
//
// Input: byte 0 flags (bit 0: zero-pad each plane to the size the header
// asks for, so short inputs reach the instruments), bytes 1-2 the image
// length, bytes 3-4 the definitions length (little-endian), then the image,
// the definitions and the planes. Generator lengths are capped at 4096
// samples and the song at 2^18 sample slots in all, so that each run stays short.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "synth/generator_definition.h"
#include "synth/module_player.h"
#include "synth/sample_generator.h"
#include "synth/sequencer.h"
#include "synth/song_data_error.h"
#include "synth/song_loader.h"

namespace {

constexpr size_t kPreamble = 5;
constexpr int32_t kMaxFuzzGeneratorLength = 4096;
constexpr uint64_t kMaxFuzzSampleSlots = uint64_t(1) << 18;
constexpr int kTicksPlayed = 6 * 8;
constexpr int kFramesPerTick = 64;

// The planes the header asks for, each filled from its share of the given bytes.
std::vector<uint8_t> paddedPlanes(std::span<const uint8_t> image, std::span<const uint8_t> given) {
    if (image.size() < 72) return {given.begin(), given.end()};
    const int channels = static_cast<int16_t>(image[68] | image[69] << 8);
    const int patterns = static_cast<int16_t>(image[70] | image[71] << 8);
    if (channels < 1 || channels > lumen::kMaxSongChannels || patterns < 1) return {given.begin(), given.end()};
    const size_t planeSize = size_t(patterns - 1) * lumen::kPatternStride +
                             size_t(channels - 1) * lumen::kChannelStride + lumen::kRowsPerPattern;
    const size_t share = given.size() / 5;
    std::vector<uint8_t> planes(planeSize * 5, 0);
    for (size_t k = 0; k < 5; ++k)
        std::copy_n(given.begin() + std::ptrdiff_t(k * share), std::min(share, planeSize),
                    planes.begin() + std::ptrdiff_t(k * planeSize));
    return planes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < kPreamble) return 0;
    const bool pad = data[0] & 1;
    std::span<const uint8_t> rest(data + kPreamble, size - kPreamble);
    const size_t imageLength = std::min<size_t>(size_t(data[1] | data[2] << 8), rest.size());
    const std::span<const uint8_t> image = rest.first(imageLength);
    rest = rest.subspan(imageLength);
    const size_t definitionsLength = std::min<size_t>(size_t(data[3] | data[4] << 8), rest.size());
    const std::span<const uint8_t> definitionBytes = rest.first(definitionsLength);
    const std::span<const uint8_t> planeBytes = rest.subspan(definitionsLength);
    const std::vector<uint8_t> planes =
        pad ? paddedPlanes(image, planeBytes) : std::vector<uint8_t>(planeBytes.begin(), planeBytes.end());

    auto player = std::make_unique<lumen::ModulePlayer>();
    try {
        std::vector<lumen::GeneratorDefinition> definitions = lumen::parseGeneratorDefinitions(definitionBytes);
        for (lumen::GeneratorDefinition& d : definitions) d.length = std::min(d.length, kMaxFuzzGeneratorLength);
        lumen::SampleGenerator generator(std::move(definitions));
        lumen::loadSong(*player, image, lumen::PatternPlanes::fromBytes(planes), generator, kMaxFuzzSampleSlots);
    } catch (const lumen::SongDataError&) {
        return 0;
    }
    lumen::startSong(*player);
    std::vector<float> mix(2 * kFramesPerTick, 0.0f);
    for (int t = 0; t < kTicksPlayed; ++t) {
        lumen::sequencerTick(*player);
        player->mixer.mix(mix.data(), kFramesPerTick);
    }
    return 0;
}
