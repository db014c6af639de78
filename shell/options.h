// The player's display options, found as substrings of the whole command line
// (program path included), the way the show has always read them.
#pragma once
#include <string>
#include <string_view>

namespace lumen {

struct DisplayChoice {
    int width = 640;
    int height = 480;
    bool windowed = false;
};

// argv[0] and every argument joined with single spaces.
std::string joinCommandLine(int argc, const char* const* argv);

// "-m0", "-m2", "-m3" are tried in that order, each match overriding the last;
// "-windowed" runs in a window.
DisplayChoice readDisplayOptions(std::string_view commandLine);

}  // namespace lumen
