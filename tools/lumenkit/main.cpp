// lumenkit: the command-line toolkit for Lumen's packs, textures, songs and frames.
#include <cstdio>

#include "command.h"

namespace lumenkit {

std::vector<CommandSetup>& commandSetups() {
    static std::vector<CommandSetup> setups;
    return setups;
}

}  // namespace lumenkit

int main(int argc, char** argv) {
    CLI::App app{"lumenkit: tools for Lumen's packs, textures, songs and frames", "lumenkit"};
    app.require_subcommand(1);
    for (auto& setup : lumenkit::commandSetups()) setup(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    } catch (const lumenkit::CommandError& e) {
        std::fprintf(stderr, "lumenkit: %s\n", e.what());
        return 1;
    }
    return 0;
}
