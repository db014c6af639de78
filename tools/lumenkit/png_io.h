// PNG output for lumenkit's commands: RGBA pictures written with libpng.
#pragma once
#include <cstdint>
#include <string>

namespace lumenkit {

// Writes a width x height RGBA picture (rows top-down, 4 bytes per pixel) as an
// 8-bit RGBA PNG. Throws CommandError naming the path when it cannot be written.
void writePngRgba(const std::string& path, int width, int height, const uint8_t* rgbaRows);

}  // namespace lumenkit
