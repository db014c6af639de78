// Options that the show-drawing commands (render, shot) read alike: a frame
// size and show times, each refused with a message naming the option.
#pragma once
#include <string>

namespace lumenkit {

// WIDTHxHEIGHT, sides 1 to 8192.
void parseFrameSize(const std::string& option, const std::string& text, int* width, int* height);

// Seconds ("75.5") or minutes and seconds ("1:15.500"), in milliseconds.
int parseTimeOption(const std::string& option, const std::string& text);

}  // namespace lumenkit
