// The distortion grid without GL: the jitter table and every pattern's maths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/runtime_random.h"
#include "support/golden.h"
#include "timeline/distortion_grid.h"

namespace lumen {
namespace {

constexpr double kXLo = 0, kYLo = 0.53125, kXHi = 0.625, kYHi = 1.0;
const TextureRect kCapture{0.0f, 0.46875f, 0.625f, 0.0f};

const JitterTable& showJitter() {
    static const JitterTable table = [] {
        JitterTable t;
        RuntimeRandom random;
        fillJitterTable(t, random, kXLo, kYLo, kXHi, kYHi);
        return t;
    }();
    return table;
}

// The patterns written out from their definitions, in double.
DistortionGrid::Coord reference(int type, double a, int i, int j, const TextureRect& rect) {
    const double pi = 3.141592654;
    const double uL = rect.uLeft + 0.002, uR = rect.uRight - 0.002;
    const double vT = rect.vTop - 0.002, vB = rect.vBottom + 0.002;
    const double U = uR - uL, V = vB - vT, cu = (uL + uR) / 2, cv = (vT + vB) / 2;
    const double K = i / 64.0, L = j * double(kGridRowStep), px = K - 0.5, py = L - 0.5;
    const double r = std::sqrt(px * px + py * py);
    const double s = std::pow(std::sin(a * pi), 2), w = std::pow(std::sin(a * pi / 2), 2);
    const JitterTable::Offset& o = showJitter().at(i, j);
    double u = uL + K * U, v = vT + V * L, f = 1, theta = r > 0.01 ? std::atan(py / px) : 0;
    switch (type) {
        case 0:
            u += w * (0.05 * std::sin(2 * a + 20 * K + 15 * L) + 0.05 * std::cos(10 * K + 25 * L + 2 * a));
            v += w * (0.05 * std::sin(18 * K + 25 * L + 2 * a) + 0.05 * std::sin(28 * K + 2 * a + 15 * L));
            return {float(std::clamp(u, uL, uR)), float(std::max(std::min(v, vT), vB))};
        case 1:
        case 2:
            f = type == 1 ? 1 - s * std::pow(2 * r, 3.5 * a)
                          : (2 * r > 0.001 ? std::pow(2 * r, 1 / (4 * s + 1) - 1) : 0);
            return {float(cu + f * (u - cu)), float(cv + f * (v - cv))};
        case 3: return {float(std::clamp(u + s * o.du, uL, uR)), float(std::max(std::min(v + s * o.dv, vT), vB))};
        case 4: return {float(u + s * o.du), float(v + s * o.dv)};
        case 6:
            if (px < 0) theta += pi;
            if (r < 0.5) theta -= 25 * (0.5 - r) * (0.5 - r) * w;
            return {float(uL + U * (r * std::cos(theta) + 0.5)), float(vT + V * (r * std::sin(theta) + 0.5))};
        default: {
            if (px < 0) theta -= pi;
            const double r2 = r - 0.2 * s * std::pow(std::sin(10 * r + 6.981317008888889 * a), 2);
            return {float(uL + U * (r2 * std::cos(theta) + 0.5)), float(vT + V * (r2 * std::sin(theta) + 0.5))};
        }
    }
}

TEST(JitterTable, DrawsDuThenDvFromTheStartUpStateAndIsPinned) {
    const JitterTable& t = showJitter();
    // The generator's first draws are 41, 18467, 6334: corner (0, 0)'s du would
    // leave the box on the left and becomes x - xLo = 0; its dv stays.
    EXPECT_EQ(t.at(0, 0).du, 0.0);
    EXPECT_DOUBLE_EQ(t.at(0, 0).dv, (18467 - 16384) * 0.1 / 16384);
    testing::Checksum sum;
    sum.add(t.entries);
    EXPECT_TRUE(testing::matchesGolden("timeline.jitter_table", sum.value()));
}

TEST(DistortionGrid, EveryPatternFollowsItsDefinitionAtEveryAmount) {
    const TextureRect rects[] = {kCapture, {0.1f, 0.2f, 0.9f, 0.8f}};
    for (const TextureRect& rect : rects) {
        for (const int type : {0, 1, 2, 3, 4, 6, 7}) {
            for (const float a : {0.0f, 0.3f, 0.7f, 1.0f}) {
                DistortionGrid g;
                ASSERT_TRUE(computeDistortionGrid(g, type, a, rect, showJitter()));
                for (int i = 0; i < kGridColumns - (type == 4); ++i) {
                    for (int j = 0; j < kGridRows - (type == 4); ++j) {
                        const DistortionGrid::Coord want = reference(type, a, i, j, rect);
                        ASSERT_NEAR(g.at(i, j).u, want.u, 2e-6)
                            << "type " << type << " amount " << a << " at " << i << "," << j;
                        ASSERT_NEAR(g.at(i, j).v, want.v, 2e-6)
                            << "type " << type << " amount " << a << " at " << i << "," << j;
                    }
                }
            }
        }
    }
}

TEST(DistortionGrid, AmountsClampPatternFiveAndUnknownsDrawNothingAndTheSweepIsPinned) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Clamp {
        float in, out;
    };
    for (const Clamp c : {Clamp{-0.5f, 0}, Clamp{1.5f, 1}, Clamp{0.25f, 0.25f}, Clamp{nan, 0}})
        EXPECT_EQ(clampDistortionAmount(c.in), c.out) << c.in;
    DistortionGrid g, end;
    g.at(3, 3).u = 42.0f;
    for (const int type : {5, 8, -1}) EXPECT_FALSE(computeDistortionGrid(g, type, 0.5f, kCapture, showJitter()));
    EXPECT_EQ(g.at(3, 3).u, 42.0f);
    computeDistortionGrid(g, 7, 7.0f, kCapture, showJitter());
    computeDistortionGrid(end, 7, 1.0f, kCapture, showJitter());
    EXPECT_EQ(g.at(10, 10).u, end.at(10, 10).u);

    testing::Checksum sum;
    for (int type = 0; type <= 7; ++type) {
        for (int step = 0; step <= 20; ++step) {
            DistortionGrid grid;
            computeDistortionGrid(grid, type, float(step) / 20, kCapture, showJitter());
            sum.add(grid.corners);
        }
    }
#if defined(__SANITIZE_ADDRESS__)
    // Under the sanitizers GCC folds and orders these double sums differently, and a
    // few corners land one float unit apart; the normal build pins the sweep.
    GTEST_SKIP() << "distortion sweep hash is pinned by the normal build";
#endif
    EXPECT_TRUE(testing::matchesGolden("timeline.distortion_sweep", sum.value()));
}

}  // namespace
}  // namespace lumen
