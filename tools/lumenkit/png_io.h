// PNG output for lumenkit's commands: 8-bit RGBA pictures written with libpng,
// shared by every command that saves a layer, a frame or a capture.
#pragma once
#include <cstdint>
#include <string>

namespace lumenkit {

// Writes a width x height RGBA picture (rows top-down, 4 bytes per pixel) as an
// 8-bit RGBA PNG. Throws CommandError naming the path when it cannot be written.
void writePngRgba(const std::string& path, int width, int height, const uint8_t* rgbaRows);

}  // namespace lumenkit
