// The screen distortion grid: a capture re-drawn through 64 x 48 cells whose
// corners sample displaced texture coordinates, and the jitter table two of
// the patterns read.
#pragma once
#include <array>

namespace lumen {

constexpr int kGridColumns = 65;  // corners across: 64 cells
constexpr int kGridRows = 49;     // corners down: 48 cells
// The vertical step between grid rows, the float nearest 1/48.
constexpr float kGridRowStep = 0.020833334f;

// Random offsets per grid corner, column-major (49 per column), du before dv.
struct JitterTable {
    struct Offset {
        double du = 0;
        double dv = 0;
    };
    std::array<Offset, kGridColumns * kGridRows> entries{};

    const Offset& at(int column, int row) const { return entries[column * kGridRows + row]; }
};

class RuntimeRandom;

// Fills the table from the generator, two draws per corner. Offsets are
// +-0.1 and are pulled back so a corner never leaves [xLo, xHi] x [yLo, yHi].
// The show calls it once at start-up with (0, 0.53125, 0.625, 1.0) on the
// generator's start-up state.
void fillJitterTable(JitterTable& table, RuntimeRandom& random, double xLo, double yLo, double xHi, double yHi);

// The texture coordinates of every grid corner, column-major.
struct DistortionGrid {
    struct Coord {
        float u = 0;
        float v = 0;
    };
    std::array<Coord, kGridColumns * kGridRows> corners{};

    Coord& at(int column, int row) { return corners[column * kGridRows + row]; }
    const Coord& at(int column, int row) const { return corners[column * kGridRows + row]; }
};

// The texture rectangle a distortion samples: left, top, right, bottom
// (a capture has vTop > vBottom).
struct TextureRect {
    float uLeft = 0;
    float vTop = 0;
    float uRight = 0;
    float vBottom = 0;
};

// Amounts outside 0..1 act as the nearest end; NaN acts as 0.
float clampDistortionAmount(float amount);

// Fills the grid for pattern 0..3, 6 or 7 (4, jittered tiles, fills only the
// 64 x 48 cell origins). Returns false for the patterns that draw nothing
// (5 and anything unknown), leaving the grid untouched.
bool computeDistortionGrid(DistortionGrid& grid, int type, float amount, const TextureRect& rect,
                           const JitterTable& jitter);

// Draws the distorted capture over (x1, y1)-(x2, y2) in the current 2D
// projection, with the caller's colour, blending and bound texture.
void drawDistortion(int type, float amount, float x1, float y1, float x2, float y2, const TextureRect& rect,
                    const JitterTable& jitter);

}  // namespace lumen
