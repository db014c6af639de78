// Cells with many points matches the per-pixel formula and Smear's vector sums
// match its scalar sums; whole Twirl and Smear runs are pinned by test_golden_ops.
#include <algorithm>

#include "texgen/operations.h"
#include "texgen_fixture.h"

namespace lumen::testing {
namespace {

using FastPaths = TexgenTest;

TEST_F(FastPaths, CellsMatchesTheDirectFormula) {
    run({kOpCells, 0, 1, 37, 23, 0xDE, 0xAD, 0xBE, 0xEF});
    const std::vector<int> draws = msvcrtDraws(0xDEADBEEFu, 74);
    int mismatches = 0;
    for (int y = 0; y < 256; y += 5)
        for (int x = 0; x < 256; ++x) {
            float m = 255.0f;
            for (int k = 0; k < 37; ++k) {
                const int px = draws[size_t(2 * k)] & 0xFF, py = draws[size_t(2 * k + 1)] & 0xFF;
                const double v = 23 * 5.0 * double(gen->distance((px + x) & 255, (py + y) & 255));
                if (v < m) m = float(v);
            }
            mismatches += at(0, x, y, 1) != int(std::min(255.0f, std::max(0.0f, m)));
        }
    EXPECT_EQ(mismatches, 0);
}

// The vector sums Smear uses where the machine has them are the scalar sums,
// for every sample count and for steps reaching back and forth.
TEST_F(FastPaths, SmearVectorSumsEqualTheScalarSums) {
    fillPattern(0);
    const uint8_t* here = layer(0) + texops::pixelIndex(128, 128);
    std::vector<int32_t> step(256);
    for (int length = 0; length <= 255; ++length) {
        for (int k = 1; k <= length; ++k) step[size_t(k)] = ((k * 37) % 201 - 100) * 4 + (k % 3 - 1) * 1024;
        const texops::SmearSums a = texops::smearSumsScalar(here, step.data(), length);
        const texops::SmearSums b = texops::smearSumsVector(here, step.data(), length);
        for (int c = 0; c < 3; ++c) ASSERT_EQ(a.c[c], b.c[c]) << "length " << length << " channel " << c;
    }
}

}  // namespace
}  // namespace lumen::testing
