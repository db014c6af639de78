// Options that the show-drawing commands (render, shot) read alike: a frame
// size and show times, each refused with a message naming the option.
#pragma once
#include <memory>
#include <string>

#include "platform/display.h"
#include "shell/headless_show.h"

namespace lumenkit {

// WIDTHxHEIGHT, sides 1 to 8192.
void parseFrameSize(const std::string& option, const std::string& text, int* width, int* height);

// Seconds ("75.5") or minutes and seconds ("1:15.500"), in milliseconds.
int parseTimeOption(const std::string& option, const std::string& text);

// The built-in show started headless for a --size option: *width and *height
// get the frame size, *picture the 4:3 picture boxed into it.
std::unique_ptr<lumen::HeadlessShow> openHeadlessShow(const std::string& sizeText, int* width, int* height,
                                                      lumen::platform::PresentRect* picture);

}  // namespace lumenkit
