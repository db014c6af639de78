// lumenkit shot: one frame of the built-in show at a show time, as a PNG, with
// every earlier-frame effect (captures, cloth, scripted turns) where a player
// running from the start would have it; the same picture a render shows there.
#include <memory>
#include <string>

#include "command.h"
#include "png_io.h"
#include "shell/headless_show.h"
#include "show_options.h"

namespace lumenkit {

namespace {

void shot(const std::string& timeText, const std::string& out, const std::string& size) {
    const int t = parseTimeOption("T", timeText);
    int width = 0, height = 0;
    lumen::platform::PresentRect pic;
    const std::unique_ptr<lumen::HeadlessShow> show = openHeadlessShow(size, &width, &height, &pic);
    show->history().drawFrame(t);
    const std::vector<uint8_t> picture = show->readPicture();
    if (pic.width == width && pic.height == height) {
        writePngRgba(out, width, height, picture.data());
        return;
    }
    // Black bars around the 4:3 picture, as in a window of that shape.
    std::vector<uint8_t> frame(size_t(width) * size_t(height) * 4, 0);
    for (size_t k = 3; k < frame.size(); k += 4) frame[k] = 255;
    for (int y = 0; y < pic.height; ++y)
        std::copy_n(picture.begin() + std::ptrdiff_t(size_t(y) * size_t(pic.width) * 4), size_t(pic.width) * 4,
                    frame.begin() + std::ptrdiff_t((size_t(pic.y + y) * size_t(width) + size_t(pic.x)) * 4));
    writePngRgba(out, width, height, frame.data());
}

Registration reg([](CLI::App& app) {
    auto* sub = app.add_subcommand("shot", "Draw the built-in show at one show time, headless, and write a PNG");
    auto time = std::make_shared<std::string>();
    auto out = std::make_shared<std::string>();
    auto size = std::make_shared<std::string>("640x480");
    sub->add_option("T", *time, "Show time: seconds (75.5) or mm:ss.mmm (1:15.500)")->required();
    sub->add_option("OUT", *out, "PNG file to write")->required();
    sub->add_option("--size", *size, "Picture size WIDTHxHEIGHT (default 640x480); other shapes get bars");
    sub->callback([=] { shot(*time, *out, *size); });
});

}  // namespace

}  // namespace lumenkit
