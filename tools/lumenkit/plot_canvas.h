// A small RGBA canvas for lumenkit's plots: filled rectangles, lines along the
// axes and text in a built-in 5x7 bitmap font, so plots need no font files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace lumenkit {

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Rgba&) const = default;
};

class PlotCanvas {
public:
    PlotCanvas(int width, int height, Rgba background);

    int width() const { return width_; }
    int height() const { return height_; }
    const uint8_t* rows() const { return pixels_.data(); }

    void set(int x, int y, Rgba c);                     // ignored outside the canvas
    void fill(int x0, int y0, int x1, int y1, Rgba c);  // [x0, x1) x [y0, y1), clipped
    void vline(int x, int y0, int y1, Rgba c) { fill(x, y0, x + 1, y1, c); }
    void hline(int x0, int x1, int y, Rgba c) { fill(x0, y, x1, y + 1, c); }

    // Text with its top-left corner at (x, y), each font pixel scale x scale.
    // Letters print as capitals; characters the font lacks print as a box.
    void text(int x, int y, const std::string& s, Rgba c, int scale);
    static int textWidth(const std::string& s, int scale);
    static int textHeight(int scale);

private:
    int width_, height_;
    std::vector<uint8_t> pixels_;
};

}  // namespace lumenkit
