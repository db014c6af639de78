// The distortion grid's seven patterns and the jitter table.
//
// [SECTION] Jitter table
// [SECTION] Grid patterns
// [SECTION] Drawing
#include "timeline/distortion_grid.h"

#include <cmath>
#include <vector>

#include "base/runtime_random.h"
#include "pack/pack_codes.h"
#include "platform/gl.h"

namespace lumen {

namespace {
constexpr double kPi = 3.141592654;
constexpr double kRippleRate = 6.981317008888889;

double squared(double x) { return x * x; }

// Keeps u inside [lo, hi] testing the low end first, so an inverted span
// (an uncaptured slot) still gives one fixed answer.
float clampLowThenHigh(double x, float lo, float hi) {
    if (x < lo) x = lo;
    if (x > hi) x = hi;
    return static_cast<float>(x);
}

// Captures run top to bottom with vTop > vBottom: the top bounds v from
// above, the bottom from below.
float clampTopThenBottom(double v, float top, float bottom) {
    if (v > top) v = top;
    if (v < bottom) v = bottom;
    return static_cast<float>(v);
}
}  // namespace

//-----------------------------------------------------------------------------
// [SECTION] Jitter table
//-----------------------------------------------------------------------------

void fillJitterTable(JitterTable& table, RuntimeRandom& random, double xLo, double yLo, double xHi, double yHi) {
    for (int i = 0; i < kGridColumns; ++i) {
        for (int j = 0; j < kGridRows; ++j) {
            JitterTable::Offset& e = table.entries[i * kGridRows + j];
            const double x = xLo + i / 64.0 * (xHi - xLo);
            double du = (random.rand() - 16384) * 0.1 / 16384;
            if (x + du < xLo) du = x - xLo;
            if (x + du > xHi) du = x - xHi;
            const double y = yLo + (yHi - yLo) * (j * static_cast<double>(kGridRowStep));
            double dv = (random.rand() - 16384) * 0.1 / 16384;
            if (y + dv < yLo) dv = y - yLo;
            if (y + dv > yHi) dv = y - yHi;
            e.du = du;
            e.dv = dv;
        }
    }
}

//-----------------------------------------------------------------------------
// [SECTION] Grid patterns
//-----------------------------------------------------------------------------

float clampDistortionAmount(float amount) {
    if (!(amount >= 0.0f)) return 0.0f;  // also NaN
    if (amount > 1.0f) return 1.0f;
    return amount;
}

namespace {

struct Inset {
    float uL, vT, uR, vB;  // the rectangle pulled in by 0.002 on every side
    float U, V;            // spans; V < 0 for a capture
    float cu, cv;          // centre
};

Inset insetOf(const TextureRect& r) {
    Inset s;
    s.uL = static_cast<float>(r.uLeft + 0.002);
    s.uR = static_cast<float>(r.uRight - 0.002);
    s.vT = static_cast<float>(r.vTop - 0.002);
    s.vB = static_cast<float>(r.vBottom + 0.002);
    s.U = s.uR - s.uL;
    s.V = s.vB - s.vT;
    s.cu = static_cast<float>((static_cast<double>(s.uL) + s.uR) / 2);
    s.cv = static_cast<float>((static_cast<double>(s.vT) + s.vB) / 2);
    return s;
}

double columnFraction(int i) { return i / 64.0; }
double rowFraction(int j) { return j * static_cast<double>(kGridRowStep); }

}  // namespace

bool computeDistortionGrid(DistortionGrid& grid, int type, float amount, const TextureRect& rect,
                           const JitterTable& jitter) {
    if (type < kDistortWaves || type > kDistortRipple || type == kDistortNone) return false;
    const double a = clampDistortionAmount(amount);
    const Inset s = insetOf(rect);

    if (type == kDistortJitteredTiles) {
        const double k = squared(std::sin(a * kPi));
        for (int i = 0; i < kGridColumns - 1; ++i) {
            for (int j = 0; j < kGridRows - 1; ++j) {
                const double K = columnFraction(i), L = rowFraction(j);
                const JitterTable::Offset& o = jitter.at(i, j);
                grid.at(i, j).u = static_cast<float>(s.uL + K * s.U + k * o.du);
                grid.at(i, j).v = static_cast<float>(s.vT + s.V * L + k * o.dv);
            }
        }
        return true;
    }

    for (int i = 0; i < kGridColumns; ++i) {
        for (int j = 0; j < kGridRows; ++j) {
            const double K = columnFraction(i), L = rowFraction(j);
            DistortionGrid::Coord& c = grid.at(i, j);
            switch (type) {
                case kDistortWaves: {
                    const double w = squared(std::sin(a * kPi / 2));
                    const double u =
                        s.uL + K * s.U +
                        w * (0.05 * std::sin(2 * a + 20 * K + 15 * L) + 0.05 * std::cos(10 * K + 25 * L + 2 * a));
                    const double v =
                        s.vT + s.V * L +
                        w * (0.05 * std::sin(18 * K + 25 * L + 2 * a) + 0.05 * std::sin(28 * K + 2 * a + 15 * L));
                    c.u = clampLowThenHigh(u, s.uL, s.uR);
                    c.v = clampTopThenBottom(v, s.vT, s.vB);
                    break;
                }
                case kDistortPinch:
                case kDistortBulge: {
                    const double dx = K - 0.5, dy = L - 0.5;
                    const double r = std::sqrt(dx * dx + dy * dy);
                    double f;
                    if (type == kDistortPinch) {
                        f = 1 - squared(std::sin(a * kPi)) * std::pow(2 * r, 3.5 * a);
                    } else {
                        f = 2 * r > 0.001 ? std::pow(2 * r, 1 / (4 * squared(std::sin(a * kPi)) + 1) - 1) : 0.0;
                    }
                    c.u = static_cast<float>(s.cu + f * (s.uL + K * s.U - s.cu));
                    c.v = static_cast<float>(s.cv + f * (s.vT + s.V * L - s.cv));
                    break;
                }
                case kDistortJitter: {
                    const double k = squared(std::sin(a * kPi));
                    const JitterTable::Offset& o = jitter.at(i, j);
                    c.u = clampLowThenHigh(k * o.du + s.uL + K * s.U, s.uL, s.uR);
                    c.v = clampTopThenBottom(k * o.dv + s.vT + s.V * L, s.vT, s.vB);
                    break;
                }
                case kDistortTwirl:
                case kDistortRipple: {
                    const double px = K - 0.5, py = L - 0.5;
                    const double r = std::sqrt(px * px + py * py);
                    double theta = r > 0.01 ? std::atan(py / px) : 0.0;
                    double radius = r;
                    if (type == kDistortTwirl) {
                        if (px < 0) theta = theta + kPi;
                        if (r < 0.5) theta = theta - 25 * squared(0.5 - r) * squared(std::sin(a * kPi / 2));
                    } else {
                        if (px < 0) theta = theta - kPi;
                        radius = r - 0.2 * squared(std::sin(a * kPi)) * squared(std::sin(10 * r + kRippleRate * a));
                    }
                    c.u = static_cast<float>(s.uL + s.U * (radius * std::cos(theta) + 0.5));
                    c.v = static_cast<float>(s.vT + s.V * (radius * std::sin(theta) + 0.5));
                    break;
                }
                default: break;
            }
        }
    }
    return true;
}

//-----------------------------------------------------------------------------
// [SECTION] Drawing
//-----------------------------------------------------------------------------

namespace {

// One quad corner as the vertex array holds it: texture coordinate, then position.
struct QuadCorner {
    float u, v, x, y;
};

// The grid's quads go to GL as one array in one draw. Sent vertex by vertex
// (glBegin/glEnd), Mesa's software renderer drew a run of cells in one grid
// column slightly differently depending on what had been drawn in earlier
// frames, so a frame reached after different earlier frames (a shot, a
// render at another rate or start, the player) did not come out the same.
// Drawn from an array, the same grid gives the same pixels whatever came
// before.
void drawQuadCorners(const std::vector<QuadCorner>& corners) {
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, sizeof(QuadCorner), &corners[0].u);
    glVertexPointer(2, GL_FLOAT, sizeof(QuadCorner), &corners[0].x);
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(corners.size()));
    glPopClientAttrib();
}

}  // namespace

void drawDistortion(int type, float amount, float x1, float y1, float x2, float y2, const TextureRect& rect,
                    const JitterTable& jitter) {
    // Live across calls so a draw allocates nothing; the show draws on one thread.
    static DistortionGrid grid;
    static std::vector<QuadCorner> corners;
    if (!computeDistortionGrid(grid, type, amount, rect, jitter)) return;

    auto X = [&](int i) { return static_cast<float>(x1 + columnFraction(i) * (x2 - x1)); };
    auto Y = [&](int j) { return static_cast<float>(y1 + rowFraction(j) * (y2 - y1)); };

    // Every cell is its own quad, all in one batch: quads are rasterised one
    // by one either way, so the pixels are the same as with a batch per cell,
    // at a fraction of the software renderer's cost.
    corners.clear();
    corners.reserve(size_t(kGridColumns - 1) * (kGridRows - 1) * 4);
    if (type == kDistortJitteredTiles) {
        const float su = (rect.uRight - rect.uLeft) / 64;
        const float sv = (rect.vBottom - rect.vTop) / 48;
        for (int i = 0; i < kGridColumns - 1; ++i) {
            for (int j = 0; j < kGridRows - 1; ++j) {
                const DistortionGrid::Coord c = grid.at(i, j);
                corners.push_back({c.u, c.v, X(i), Y(j)});
                corners.push_back({c.u + su, c.v, X(i + 1), Y(j)});
                corners.push_back({c.u + su, c.v + sv, X(i + 1), Y(j + 1)});
                corners.push_back({c.u, c.v + sv, X(i), Y(j + 1)});
            }
        }
    } else {
        for (int i = 0; i < kGridColumns - 1; ++i) {
            for (int j = 0; j < kGridRows - 1; ++j) {
                const DistortionGrid::Coord& a = grid.at(i, j);
                const DistortionGrid::Coord& b = grid.at(i + 1, j);
                const DistortionGrid::Coord& c = grid.at(i + 1, j + 1);
                const DistortionGrid::Coord& d = grid.at(i, j + 1);
                corners.push_back({a.u, a.v, X(i), Y(j)});
                corners.push_back({b.u, b.v, X(i + 1), Y(j)});
                corners.push_back({c.u, c.v, X(i + 1), Y(j + 1)});
                corners.push_back({d.u, d.v, X(i), Y(j + 1)});
            }
        }
    }
    drawQuadCorners(corners);
}

}  // namespace lumen
