// Reading the player's display options from its command line.
#include "shell/options.h"

namespace lumen {

std::string joinCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        if (i) line += ' ';
        line += argv[i];
    }
    return line;
}

DisplayChoice readDisplayOptions(std::string_view line) {
    DisplayChoice c;
    auto has = [&](std::string_view option) { return line.find(option) != std::string_view::npos; };
    if (has("-m0")) c.width = 320, c.height = 240;
    if (has("-m2")) c.width = 800, c.height = 600;
    if (has("-m3")) c.width = 1024, c.height = 768;
    c.windowed = has("-windowed");
    return c;
}

}  // namespace lumen
