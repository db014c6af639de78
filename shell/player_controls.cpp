// Reading the player's time controls.
#include "shell/player_controls.h"

#include <string_view>

#include "shell/show_time_text.h"

namespace lumen {

bool readPlayerControls(int argc, const char* const* argv, PlayerControls* c, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--dev") {
            c->dev = true;
            continue;
        }
        for (std::string_view name : {std::string_view("--from"), std::string_view("--to")}) {
            std::optional<std::string_view> value;
            if (arg == name) {
                if (i + 1 >= argc) {
                    *error = std::string(name) + ": expected a show time after it";
                    return false;
                }
                value = argv[++i];
            } else if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
                value = arg.substr(name.size() + 1);
            }
            if (!value) continue;
            const std::optional<int> ms = parseShowTime(*value);
            if (!ms) {
                *error = std::string(name) + ": expected seconds (75.5) or minutes and seconds (1:15.500); got '" +
                         std::string(*value) + "'";
                return false;
            }
            (name == "--from" ? c->from : c->to) = *ms;
            break;
        }
    }
    if (c->from && c->to && *c->to <= *c->from) {
        *error = "--to must come after --from";
        return false;
    }
    return true;
}

}  // namespace lumen
