// What the song subcommands in their own files share: a registry that adds
// them under `lumenkit song`, and the --image/--planes/--defs song input.
#pragma once
#include <CLI/CLI.hpp>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pack/pack_source.h"
#include "synth/module_player.h"

namespace lumenkit {

using SongCommandSetup = std::function<void(CLI::App& song)>;

// cmd_song.cpp runs these once it has made the `song` subcommand.
inline std::vector<SongCommandSetup>& songCommandSetups() {
    static std::vector<SongCommandSetup> setups;
    return setups;
}

struct SongRegistration {
    explicit SongRegistration(SongCommandSetup setup) { songCommandSetups().push_back(std::move(setup)); }
};

// The three stored pieces, all given or none for the built-in song.
struct SongInputOptions {
    std::string image;
    std::string planes;
    std::string defs;
};

void addSongInputOptions(CLI::App& command, SongInputOptions& options);

struct LoadedSong {
    std::unique_ptr<lumen::ModulePlayer> player;  // loaded, samples generated
    std::string description;                      // "built-in song" or the image file
    std::vector<uint8_t> image, planes, defs;     // the pieces it was loaded from
};

// Throws CommandError unless all three pieces or none are given.
void checkSongInputOptions(const SongInputOptions& options);

// Loads the song; a CommandError names the file, byte offset and what was expected.
LoadedSong loadSongInput(const SongInputOptions& options);

// Show times of the song's positions for the pack assembler; the song is
// loaded and its time map built on the first question.
lumen::SongPositionLookup songPositionLookup(const SongInputOptions& options);

}  // namespace lumenkit
