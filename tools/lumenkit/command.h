// lumenkit's subcommand registry: each cmd_*.cpp adds its commands to the CLI11
// application through a static Registration, so commands never touch each other.
#pragma once
#include <CLI/CLI.hpp>

#include <functional>
#include <vector>

namespace lumenkit {

using CommandSetup = std::function<void(CLI::App& app)>;

std::vector<CommandSetup>& commandSetups();

struct Registration {
    explicit Registration(CommandSetup setup) { commandSetups().push_back(std::move(setup)); }
};

// Thrown by a command to end with one line on stderr and exit code 1.
struct CommandError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace lumenkit
