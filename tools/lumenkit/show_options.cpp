// Reading frame sizes and show times from the command line.
#include "show_options.h"

#include <cstdio>
#include <stdexcept>

#include "command.h"
#include "shell/show_time_text.h"

namespace lumenkit {

namespace {
constexpr int kLargestSide = 8192;
}

void parseFrameSize(const std::string& option, const std::string& text, int* width, int* height) {
    int w = 0, h = 0;
    char x = 0, rest = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X') || w < 1 || h < 1 ||
        w > kLargestSide || h > kLargestSide)
        throw CommandError(option + ": expected WIDTHxHEIGHT with sides 1 to 8192, like 1440x1080; got '" + text + "'");
    *width = w;
    *height = h;
}

int parseTimeOption(const std::string& option, const std::string& text) {
    const std::optional<int> ms = lumen::parseShowTime(text);
    if (!ms)
        throw CommandError(
            option + ": expected a show time in seconds (75.5) or minutes and seconds (1:15.500); got '" + text + "'");
    return *ms;
}

std::unique_ptr<lumen::HeadlessShow> openHeadlessShow(const std::string& sizeText, int* width, int* height,
                                                      lumen::platform::PresentRect* picture) {
    parseFrameSize("--size", sizeText, width, height);
    *picture = lumen::showPictureRect(*width, *height);
    try {
        return std::make_unique<lumen::HeadlessShow>(picture->width, picture->height);
    } catch (const std::runtime_error& e) {
        throw CommandError(e.what());
    }
}

}  // namespace lumenkit
