// The built-in show played headless from start to end at a coarse step: no
// frame is one flat colour outside the fades its running order names, every
// event kind, distortion pattern and texture operation appears, the flag is
// drawn in its three windows and only there, the machine turns in its own,
// and the picture cuts where the song changes part.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <vector>

#include "content/packs.h"
#include "content/song_builtin.h"
#include "pack/pack_codes.h"
#include "pack/pack_loader.h"
#include "pack/reader.h"
#include "scene/display_lists.h"
#include "shell/loading.h"
#include "support/gl_fixture.h"
#include "synth/module_player.h"
#include "synth/song_timemap.h"
#include "synth/synth.h"
#include "texgen/texture_op_table.h"
#include "timeline/animation_switches.h"

namespace lumen {
namespace {

constexpr int kStep = 250, kShowEnd = 512000;

// Fades the running order names, where a whole frame may be one colour: the
// white-out before the machine and the fade to black at the end.
constexpr std::pair<int, int> kNamedFades[] = {{397780, 399500}, {509730, 512100}};
// Spans of the flag's three windows, and the stretches of the same hill
// around them where no flag is drawn (the bridge before, the end after).
constexpr std::pair<int, int> kFlagWindows[] = {{422130, 451449}, {451450, 473539}, {473540, 509729}};
constexpr std::pair<int, int> kHillWithoutFlag[] = {{417000, 422120}, {509800, 512000}};

// The orders where the song starts a part (content/README.md's running order,
// with the picture's own splits of the intro, the theme and D) and the show's
// cuts on them. A cut is judged from a frame a row before the downbeat and one
// a row after: the hooks the program fixes may put it up to 72 ms early.
constexpr int kPartOrders[] = {2, 5, 9, 13, 19, 25, 28, 29, 33, 37, 45, 52, 56, 61, 65, 70};
constexpr int kAroundCutMs = 120;

std::vector<int> partStartsMs() {
    const auto& song = content::builtInSong();
    auto player = std::make_unique<ModulePlayer>();
    loadSongSource(*player, SongSource{song.image, song.planes, song.definitions});
    const SongTimeMap map = buildTimeMap(*player);
    std::vector<int> starts;
    for (int order : kPartOrders) {
        const auto row = map.find(order, 0);
        starts.push_back(row ? int(row->showTimeMs()) : -1);
    }
    return starts;
}

// Luminance at a coarse grid of 8 x 8 cells (partial cells left out), which a
// camera's drift over a row barely moves but a cut to another shot replaces.
std::vector<double> lumaGrid(const testing::Picture& pic) {
    const int columns = pic.width / 8, rows = pic.height / 8;
    std::vector<double> grid(size_t(columns * rows));
    pic.forEach([&](int x, int y, testing::Rgba p) {
        if (x / 8 < columns && y / 8 < rows)
            grid[y / 8 * columns + x / 8] += (0.299 * p.r + 0.587 * p.g + 0.114 * p.b) / 64;
    });
    return grid;
}

// How different two frames are: how far their layouts are from proportional
// (one minus the correlation of their grids, 0 to 2), and with `brightness`,
// their mean brightness apart (a flash or a fade) in steps of 40 levels,
// whichever says more.
double pictureChange(const std::vector<double>& a, const std::vector<double>& b, bool brightness) {
    const double n = double(a.size());
    double ma = 0, mb = 0;
    for (size_t i = 0; i < a.size(); ++i) ma += a[i] / n, mb += b[i] / n;
    double sab = 0, saa = 0, sbb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        sab += (a[i] - ma) * (b[i] - mb);
        saa += (a[i] - ma) * (a[i] - ma);
        sbb += (b[i] - mb) * (b[i] - mb);
    }
    const double layout = saa > 0 && sbb > 0 ? 1 - sab / std::sqrt(saa * sbb) : 1;
    return brightness ? std::max(layout, std::abs(ma - mb) / 40) : layout;
}

bool inside(int t, std::span<const std::pair<int, int>> spans) {
    for (const auto& [a, b] : spans)
        if (t >= a && t <= b) return true;
    return false;
}

// The flag's lit red and green bands: pixels no other content of the
// finale's hill has.
struct FlagPixels {
    int red = 0, green = 0;
};
FlagPixels flagPixels(const testing::Picture& pic) {
    FlagPixels n;
    pic.forEach([&](int, int, testing::Rgba p) {
        n.red += p.r > 140 && p.g < 70 && p.b < 70;
        n.green += p.g > 90 && p.r < 70 && p.b < 70;
    });
    return n;
}

bool oneColour(const testing::Picture& pic) {
    const testing::Rgba first = pic.at(0, 0);
    bool same = true;
    pic.forEach([&](int, int, testing::Rgba p) { same = same && p.r == first.r && p.g == first.g && p.b == first.b; });
    return same;
}

class ShowWalk : public testing::GlTest {
protected:
    ShowWalk() : GlTest(160, 120) {}
    void SetUp() override {
        GlTest::SetUp();
        generator = initTextureGenerator(random);
        player.setSceneLookup([this](int id) { return findScene(lists, id); });
        player.animationSwitches().set(0);
        for (int id : kShowAnimatedScenes) player.animationSwitches().set(id);
        PackLoader loader(*generator);
        loader.loadPack(content::mainPack(), lists);
        compileDisplayLists(lists);
    }
    RuntimeRandom random;
    std::unique_ptr<TextureGenerator> generator;
    PackLists lists;
};

TEST_F(ShowWalk, EveryFrameHasAPictureTheFlagFliesInItsWindowsAndTheMachineTurns) {
    Scene* machine = findScene(lists, 17);
    ASSERT_NE(machine, nullptr);
    int flagFrames[3] = {0, 0, 0}, flagSamples[3] = {0, 0, 0};
    Matrix4 toothBefore{};
    bool machineTurned = false;
    // The walk's times, with a frame either side of each part's downbeat.
    const std::vector<int> partStarts = partStartsMs();
    std::set<int> times, aroundCuts;
    for (int start : partStarts) {
        ASSERT_GE(start, 0) << "the song does not play a part's first row";
        for (int d : {-kAroundCutMs, kAroundCutMs, 3 * kAroundCutMs}) aroundCuts.insert(start + d);
    }
    for (int t = 0; t <= kShowEnd; t += kStep) times.insert(t);
    times.insert(aroundCuts.begin(), aroundCuts.end());
    std::map<int, std::vector<double>> grids;
    // The loader's timeline has used a camera before the show's first frame;
    // a first draw stands in for it.
    drawShowFrame(player, lists, 0);
    for (int t : times) {
        drawShowFrame(player, lists, t);
        const testing::Picture pic = read();
        if (aroundCuts.count(t)) grids[t] = lumaGrid(pic);
        if (!inside(t, kNamedFades)) {
            EXPECT_FALSE(oneColour(pic)) << "a flat frame at " << t << " ms";
        }
        const FlagPixels flag = flagPixels(pic);
        for (int w = 0; w < 3; ++w) {
            // The first two seconds of each window open on a white flash.
            if (t >= kFlagWindows[w].first + 2000 && t <= kFlagWindows[w].second) {
                ++flagSamples[w];
                flagFrames[w] += flag.red > 20 && flag.green > 20;
            }
        }
        if (inside(t, kHillWithoutFlag)) {
            EXPECT_EQ(flag.red + flag.green, 0) << "flag colours at " << t << " ms";
        }
        // Object 2, a tooth of the great wheel, is posed anew on every frame
        // of the machine's window; it must have moved between two of them.
        const SceneObject* tooth = findObject(*machine, 2);
        ASSERT_NE(tooth, nullptr);
        if (t == 400000) toothBefore = tooth->drawMatrix;
        if (t == 401000) machineTurned = !(tooth->drawMatrix == toothBefore);
    }
    EXPECT_TRUE(machineTurned) << "scene 17 did not turn in its window";
    // Across a part's downbeat the picture changes a lot (a new shot, or the
    // flash the finale's fixed windows and the ending open on), and at least
    // twice as much as the new shot's layout moves over the next two rows; one
    // shot drifting over a row stays under about 0.35.
    constexpr double kCutChange = 0.45;
    for (size_t k = 0; k < partStarts.size(); ++k) {
        const int start = partStarts[k];
        const double across = pictureChange(grids[start - kAroundCutMs], grids[start + kAroundCutMs], true);
        const double within = pictureChange(grids[start + kAroundCutMs], grids[start + 3 * kAroundCutMs], false);
        EXPECT_GT(across, kCutChange) << "no cut at order " << kPartOrders[k] << " (" << start << " ms)";
        EXPECT_GT(across, 2 * within) << "order " << kPartOrders[k] << " (" << start
                                      << " ms) cuts into a shot moving as much";
    }
    EXPECT_TRUE(player.animationSwitches().isSet(17));
    for (int w = 0; w < 3; ++w) {
        // Nearly every sampled frame shows the cloth (it may swing edge-on).
        EXPECT_GE(flagFrames[w] * 10, flagSamples[w] * 9) << "flag window " << w;
    }
}

TEST(ShowContent, UsesEveryEventKindDistortionPatternAndTextureOperation) {
    const PackModel model = readPackModel(content::mainPack());
    std::set<int> kinds, patterns, ops;
    bool cutToMachine = false;
    int flagViews = 0;
    for (const EventRecord& e : model.events) {
        kinds.insert(e.kind);
        if (e.kind == kEventScreenDistortion) patterns.insert(e.bytes[1]);
        if (e.kind == kEventSceneView && e.bytes[0] == 17 && e.start * 10 == 399500) cutToMachine = true;
        for (const auto& [a, b] : kFlagWindows) {
            if (e.start * 10 == a && e.end * 10 + 9 == b) {
                ++flagViews;
                EXPECT_EQ(e.kind, kEventSceneView);
                EXPECT_EQ(e.bytes[0], 1) << "the flag's window shows scene 1";
                EXPECT_EQ(e.rect[2] - e.rect[0], 640) << "full screen";
                EXPECT_EQ(e.rect[3] - e.rect[1], 480) << "full screen";
            }
        }
    }
    for (int k = 1; k <= 6; ++k) EXPECT_TRUE(kinds.count(k)) << "event kind " << k;
    for (int p : {0, 1, 2, 3, 4, 6, 7}) EXPECT_TRUE(patterns.count(p)) << "distortion pattern " << p;
    EXPECT_TRUE(cutToMachine);
    EXPECT_EQ(flagViews, 3);
    for (const TextureProgramRecord& t : model.textures)
        for (const TextureOpRecord& op : t.ops) ops.insert(op.b[0]);
    for (const auto& row : textureOpTable()) EXPECT_TRUE(ops.count(row.code)) << row.name;
    EXPECT_GE(model.textures.size(), 50u);
    EXPECT_GE(model.images.size(), 80u);
    EXPECT_GE(model.scenes.size(), 40u);
    EXPECT_GE(model.events.size(), 300u);
}

}  // namespace
}  // namespace lumen
