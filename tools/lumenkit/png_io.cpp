// libpng writer behind writePngRgba. libpng reports errors through longjmp, so
// the failure text is collected first and thrown once libpng has let go.
#include "png_io.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "command.h"

namespace lumenkit {

namespace {

struct PngErrorText {
    char text[256] = "";
};

void onPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<PngErrorText*>(png_get_error_ptr(png));
    std::snprintf(error->text, sizeof error->text, "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// Returns an empty string on success, else what went wrong.
std::string writeFile(std::FILE* file, int width, int height, const uint8_t* rgbaRows) {
    PngErrorText error;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, onPngError, onPngWarning);
    if (!png) return "libpng could not start";
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return "libpng could not start";
    }
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) rows[size_t(y)] = const_cast<png_bytep>(rgbaRows + size_t(y) * size_t(width) * 4);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return error.text[0] ? error.text : "libpng failed";
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return {};
}

}  // namespace

void writePngRgba(const std::string& path, int width, int height, const uint8_t* rgbaRows) {
    if (width <= 0 || height <= 0) throw CommandError(path + ": cannot write an empty picture");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw CommandError(path + ": cannot create: " + std::strerror(errno));
    std::string failure = writeFile(file, width, height, rgbaRows);
    const bool flushed = std::fflush(file) == 0;
    const int flushErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (failure.empty() && (!flushed || !closed))
        failure = std::string("write failed: ") + std::strerror(flushed ? errno : flushErrno);
    if (!failure.empty()) {
        std::remove(path.c_str());  // no half-written picture left behind
        throw CommandError(path + ": " + failure);
    }
}

}  // namespace lumenkit
