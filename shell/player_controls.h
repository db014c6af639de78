// The player's time controls: --from, --to and --dev, read as whole arguments
// (unlike the display options, no program path or other text can turn them on).
#pragma once
#include <optional>
#include <string>

namespace lumen {

struct PlayerControls {
    std::optional<int> from;  // show time to start at, ms
    std::optional<int> to;    // show time to end at, ms
    bool dev = false;         // pause, seek and song position in the title

    // Starting anywhere but the top needs the seekable soundtrack.
    bool seekable() const { return dev || from.has_value(); }
};

// "--from T", "--from=T", "--to T", "--to=T", "--dev"; other arguments are
// left to the display options. False with *error set for a missing or bad time.
bool readPlayerControls(int argc, const char* const* argv, PlayerControls* controls, std::string* error);

}  // namespace lumen
