// Parameter sweeps of every texture operation pinned by checksums in one table,
// tests/texgen/golden_ops.txt. Each case starts from the same busy layers and
// scratch image, runs one record and hashes all four layers and the scratch
// image. LUMEN_REGEN_GOLDEN=1 rewrites the table; review the change with git diff.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/golden.h"
#include "texgen/texture_op_table.h"
#include "texgen_fixture.h"

namespace lumen::testing {
namespace {

const char* const kGoldenPath = LUMEN_SOURCE_DIR "/tests/texgen/golden_ops.txt";
constexpr int kCasesPerOp = 4;

// Case c of an operation: every byte walks its own value list, so each byte
// takes several values across the sweep; index bytes stay in range (and are
// varied too) so the operation runs instead of being refused.
TextureOp sweepRecord(const TextureOpInfo& info, int c) {
    static const uint8_t values[] = {0, 1, 3, 64, 128, 129, 200, 255, 17, 90};
    TextureOp op{};
    op.b[0] = info.code;
    for (int i = 0; i < 8; ++i) {
        const int pick = (c * 3 + i * 7) % int(sizeof values);
        uint8_t v = values[pick];
        switch (info.params[i].role) {
            case OpByteRole::Layer:
            case OpByteRole::Channel:
            case OpByteRole::ChannelIfModeSet: v = uint8_t((c + i) % 4); break;
            default: break;
        }
        // Keep the slow loops short: Blur passes and Cells points scale the work.
        if ((info.code == kOpBlur && i == 1) || (info.code == kOpCells && i == 2)) v = uint8_t(v % 9);
        op.b[i + 1] = v;
    }
    return op;
}

class GoldenOps : public TexgenTest {
protected:
    std::string caseLine(const TextureOpInfo& info, int c) {
        RuntimeRandom freshRandom;
        auto freshGen = initTextureGenerator(freshRandom);
        auto t = createTexture();
        tex.swap(t);
        for (int n = 0; n < 4; ++n) fillPattern(n, uint32_t(c));
        fillPattern(0, 0x5C4A7C8u);  // the scratch pattern, copied below
        std::memcpy(freshGen->scratch(), layer(0), kLayerBytes);
        fillPattern(0, uint32_t(c));
        const TextureOp op = sweepRecord(info, c);
        freshGen->applyTextureOp(*tex, op);
        Checksum sum;
        for (int n = 0; n < 4; ++n) sum.addBytes(layer(n), kLayerBytes);
        sum.addBytes(freshGen->scratch(), kLayerBytes);
        const uint64_t h = sum.value();
        std::ostringstream line;
        line << info.name;
        for (int i = 1; i < 9; ++i) line << ' ' << int(op.b[i]);
        line << ' ' << std::hex << h;
        return line.str();
    }
};

TEST_F(GoldenOps, EveryOperationSweepMatchesTheTable) {
    std::vector<std::string> lines;
    for (const TextureOpInfo& info : textureOpTable()) {
        if (info.code == kOpText) continue;  // glyph shapes depend on the installed fonts
        for (int c = 0; c < kCasesPerOp; ++c) lines.push_back(caseLine(info, c));
    }
    const char* regen = std::getenv("LUMEN_REGEN_GOLDEN");
    if (regen && std::string(regen) == "1") {
        std::ofstream out(kGoldenPath);
        out << "# operation, bytes 1..8, checksum of the four layers and the scratch image\n";
        for (const auto& l : lines) out << l << '\n';
        GTEST_SKIP() << "rewrote " << kGoldenPath;
    }
    std::ifstream in(kGoldenPath);
    ASSERT_TRUE(in) << kGoldenPath << " is missing; run with LUMEN_REGEN_GOLDEN=1";
    std::vector<std::string> golden;
    for (std::string l; std::getline(in, l);)
        if (!l.empty() && l[0] != '#') golden.push_back(l);
    ASSERT_EQ(golden.size(), lines.size()) << "the sweep changed shape; regenerate and review the diff";
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], golden[i]) << "case " << i;
}

}  // namespace
}  // namespace lumen::testing
