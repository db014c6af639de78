// lumenkit render and shot end to end on the built-in show: the MP4's streams
// and lengths, repeatable frames, shots equal to render frames, image layers
// shown, captures at sizes over the capture block, and no partial video.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "content/packs.h"
#include "pack/pack_codes.h"
#include "pack/pack_model.h"
#include "render_test_support.h"
#include "shell/main_loop.h"

namespace lumen {
namespace {

namespace fs = std::filesystem;
using testing::readPngPicture;
using testing::runCommand;
using testing::runLumenkit;

// frame number -> show time, from frames.txt.
std::map<int, int> readFrameList(const fs::path& dir) {
    std::map<int, int> frames;
    std::ifstream in(dir / "frames.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream s(line);
        int k = 0, t = 0;
        s >> k >> t;
        frames[k] = t;
    }
    return frames;
}

fs::path framePath(const fs::path& dir, int k) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06d.png", k);
    return dir / name;
}

// The audio time from the first block whose show time reaches `from` to the
// first that reaches `to`, in seconds.
double audioSecondsBetween(int from, int to) {
    const auto player = testing::builtInPlayer();
    SongRun run(*player);
    const int blocks = run.firstBlockReaching(to) - run.firstBlockReaching(from);
    return double(blocks) * run.blockFrames() / run.rate();
}

// lumenkit shot at `ms` of show time into `png`; true when it succeeded.
bool shot(int ms, const fs::path& png, const std::string& options = "") {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%d.%03d", ms / 1000, ms % 1000);
    return runLumenkit("shot " + std::string(seconds) + " " + png.string() + options).status == 0;
}

std::string probe(const fs::path& mp4, const std::string& stream, const std::string& entries) {
    return runCommand("ffprobe -v error -count_frames -select_streams " + stream + " -show_entries stream=" + entries +
                      " -of default=nw=1 " + mp4.string())
        .output;
}

// ffmpeg decoding `mp4` into `out` with the output options given; its exit status.
int ffmpegDecode(const fs::path& mp4, const std::string& options, const fs::path& out) {
    return runCommand("ffmpeg -v error -y -i " + mp4.string() + " " + options + " " + out.string()).status;
}

// Mean absolute channel difference inside and outside a pixel rectangle.
std::pair<double, double> meanDifference(const testing::Picture& p, const testing::Picture& q, int x1, int y1, int x2,
                                         int y2) {
    double sum[2] = {0, 0}, count[2] = {0, 0};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const size_t i = (size_t(y) * size_t(p.width) + size_t(x)) * 4 + size_t(c);
                const int outside = !(x >= x1 && x < x2 && y >= y1 && y < y2);
                sum[outside] += std::abs(int(p.pixels[i]) - int(q.pixels[i]));
                ++count[outside];
            }
    return {count[0] ? sum[0] / count[0] : 0, count[1] ? sum[1] / count[1] : 0};
}

TEST(RenderVideo, ThreeSecondsAt25FpsHoldH264AndAacOfTheRightLengths) {
    if (!testing::haveFfmpegTools()) GTEST_SKIP() << "ffmpeg and ffprobe are not installed (Debian package ffmpeg)";
    const fs::path dir = testing::scratchDir("video");
    const fs::path mp4 = dir / "span.mp4";
    const std::string span = " --size 320x240 --fps 25 --from 20 --to 23";
    const auto r = runLumenkit("render " + mp4.string() + span);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(fs::exists(dir / "span.mp4.part"));

    const std::string video = probe(mp4, "v:0", "codec_name,pix_fmt,width,height,nb_read_frames");
    for (const char* entry : {"codec_name=h264", "pix_fmt=yuv420p", "width=320\nheight=240"})
        EXPECT_NE(video.find(entry), std::string::npos) << video;
    EXPECT_NE(probe(mp4, "a:0", "codec_name").find("codec_name=aac"), std::string::npos);
    const size_t at = video.find("nb_read_frames=");
    ASSERT_NE(at, std::string::npos) << video;
    const int frames = std::atoi(video.c_str() + at + 15);

    // The decoded sound, as 16-bit stereo at the show's rate.
    const fs::path pcm = dir / "decoded.raw";
    ASSERT_EQ(ffmpegDecode(mp4, "-map 0:a -f s16le -ac 2 -ar 44100", pcm), 0);
    const double audioSeconds = double(fs::file_size(pcm)) / 4 / 44100;
    const double expected = audioSecondsBetween(20000, 23000);
    // The sound lasts as long as the frames, which end within one frame of
    // the second show time; AAC adds at most one frame (1024 samples) of padding.
    EXPECT_NEAR(audioSeconds, expected, 1.0 / 25 + 1024.0 / 44100);
    EXPECT_NEAR(audioSeconds, frames / 25.0, 1024.0 / 44100 + 1e-6);
    EXPECT_NEAR(frames, expected * 25, 1.0);

    // The same command makes the same file, byte for byte.
    const fs::path again = dir / "again.mp4";
    ASSERT_EQ(runLumenkit("render " + again.string() + span).status, 0);
    EXPECT_EQ(testing::readBytes(again), testing::readBytes(mp4));
}

// The video's frames are the PNG frames, upright and boxed the same way (up
// to x264's loss): the video path reads GL's bottom-up rows and lets ffmpeg
// flip them, the PNG path flips them itself. A 4:3 picture pillar-boxed into
// 16:9 checks the bars' side too.
TEST(RenderVideo, FramesAreThePngFramesUprightAndBoxed) {
    if (!testing::haveFfmpegTools()) GTEST_SKIP() << "ffmpeg and ffprobe are not installed (Debian package ffmpeg)";
    const fs::path dir = testing::scratchDir("video_upright");
    const std::string span = " --size 320x180 --fps 25 --from 20 --to 20.2";
    ASSERT_EQ(runLumenkit("render " + (dir / "v.mp4").string() + span).status, 0);
    ASSERT_EQ(runLumenkit("render --frames " + (dir / "png").string() + span).status, 0);
    const fs::path raw = dir / "first.rgb";
    ASSERT_EQ(ffmpegDecode(dir / "v.mp4", "-frames:v 1 -f rawvideo -pix_fmt rgb24", raw), 0);
    const std::vector<uint8_t> video = testing::readBytes(raw);
    const testing::Picture png = testing::readPngPicture(dir / "png" / "frame_000000.png");
    ASSERT_EQ(png.width, 320);
    ASSERT_EQ(png.height, 180);
    ASSERT_EQ(video.size(), size_t(320 * 180 * 3));
    // Mean difference per channel against the PNG as it is and upside down.
    testing::Picture frame = png, mirrored = png;
    for (size_t i = 0; i < 320 * 180; ++i) {
        std::copy_n(&video[i * 3], 3, &frame.pixels[i * 4]);
        std::copy_n(&png.pixels[((179 - i / 320) * 320 + i % 320) * 4], 4, &mirrored.pixels[i * 4]);
    }
    const double upright = meanDifference(frame, png, 0, 0, 320, 180).first;
    const double flipped = meanDifference(frame, mirrored, 0, 0, 320, 180).first;
    EXPECT_LT(upright, 4.0);
    EXPECT_LT(upright * 3, flipped) << "the frame is no more like the PNG than its mirror image";
}

TEST(RenderVideo, WithoutAWorkingFfmpegThereIsAClearErrorAndNoVideo) {
    const fs::path dir = testing::scratchDir("no_ffmpeg");
    const fs::path mp4 = dir / "out.mp4";
    const auto renderWithPath = [&](const std::string& path) {
        return runCommand("PATH=" + path + " " + std::string(std::getenv("LUMENKIT")) + " render " + mp4.string() +
                          " --size 320x240 --from 20 --to 20.5");
    };
    // No ffmpeg anywhere on PATH.
    auto r = renderWithPath(dir.string());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("Debian package ffmpeg"), std::string::npos) << r.output;
    // An ffmpeg that takes some input, writes half a file and fails.
    const fs::path fake = dir / "ffmpeg";
    std::ofstream(fake) << "#!/bin/sh\nfor a; do out=$a; done\nhead -c 1000 >/dev/null\necho partial >\"$out\"\n"
                           "echo 'ffmpeg: encoder broke' >&2\nexit 3\n";
    fs::permissions(fake, fs::perms::owner_all);
    r = renderWithPath(dir.string() + ":/usr/bin:/bin");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("was not written"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(mp4));
    EXPECT_FALSE(fs::exists(dir / "out.mp4.part"));
    EXPECT_FALSE(fs::exists(dir / "out.mp4.wav.part"));
}

// Frames of two renders at different rates and starts, two runs of one of
// them, and shots: every picture of one show time is the same picture.
TEST(RenderFrames, RunsRatesStartsAndShotsAgreeOnEveryShowTime) {
    const fs::path a = testing::scratchDir("frames_a"), b = testing::scratchDir("frames_b");
    const fs::path c = testing::scratchDir("frames_c");
    for (const auto& [dir, span] : {std::pair{a, "--from 14 --to 14.6 --fps 25"},
                                    {b, "--from 14 --to 14.6 --fps 25"},
                                    {c, "--from 14.1 --to 14.6 --fps 60"}})
        ASSERT_EQ(runLumenkit("render --frames " + dir.string() + " --size 320x240 " + span).status, 0) << span;
    const std::map<int, int> listA = readFrameList(a), listC = readFrameList(c);
    ASSERT_GE(listA.size(), 14u);
    EXPECT_EQ(testing::readBytes(a / "frames.txt"), testing::readBytes(b / "frames.txt"));
    EXPECT_EQ(testing::readBytes(a / "audio.wav"), testing::readBytes(b / "audio.wav"));
    std::map<int, fs::path> byTime;
    for (const auto& [k, t] : listA) {
        EXPECT_EQ(readPngPicture(framePath(a, k)).pixels, readPngPicture(framePath(b, k)).pixels) << "frame " << k;
        byTime.emplace(t, framePath(a, k));
    }
    int shared = 0;
    for (const auto& [k, t] : listC) {
        if (!byTime.count(t)) continue;
        ++shared;
        EXPECT_EQ(readPngPicture(framePath(c, k)).pixels, readPngPicture(byTime[t]).pixels) << "show time " << t;
    }
    EXPECT_GE(shared, 5);
    const auto [k, t] = *std::next(listA.begin(), 9);
    ASSERT_TRUE(shot(t, a / "shot.png", " --size 320x240"));
    EXPECT_EQ(readPngPicture(a / "shot.png").pixels, readPngPicture(framePath(a, k)).pixels) << "shot at frame " << k;
}

TEST(Shot, InsideAnImageLayerTheLayerShowsAndJustAfterItIsGone) {
    const PackModel model = readPackModel(content::mainPack());
    const auto overlaps = [](const EventRecord& a, const EventRecord& b) {
        return a.rect[4] <= b.rect[6] && b.rect[4] <= a.rect[6] && a.rect[5] <= b.rect[7] && b.rect[5] <= a.rect[7];
    };
    const auto isLayer = [](const EventRecord& e) {
        const bool fullScreen = e.rect[4] <= 0 && e.rect[5] <= 0 && e.rect[6] >= 639 && e.rect[7] >= 479;
        return e.kind == kEventImageLayer && !fullScreen;
    };
    // The show fades its layers in and out as chains of events over one
    // place. Take the largest bright, opaque link that no captured picture
    // echoes; "after" is the unit just past its chain, when no layer covers
    // that place any more.
    const EventRecord* layer = nullptr;
    int gone = 0;
    const auto area = [](const EventRecord& e) { return (e.rect[6] - e.rect[4]) * (e.rect[7] - e.rect[5]); };
    for (const EventRecord& e : model.events) {
        const bool bright = (e.blend[0] == kBlendOne || e.blend[0] == kBlendSrcAlpha) && e.colors[7] > 128 &&
                            std::max({e.colors[4], e.colors[5], e.colors[6]}) > 128;
        if (!isLayer(e) || !bright || e.end <= e.start || (layer && area(e) <= area(*layer))) continue;
        int chainEnd = e.end;
        for (bool grew = true; grew;) {
            grew = false;
            for (const EventRecord& o : model.events)
                if (isLayer(o) && o.start <= chainEnd + 1 && o.end > chainEnd && overlaps(e, o)) {
                    chainEnd = o.end;
                    grew = true;
                }
        }
        // Not so long that the picture below changes past telling; not past the show's end.
        if (chainEnd - e.start > 1000 || chainEnd >= 51200) continue;
        // A zoom trail or distortion redraws captured pictures: the layer
        // would linger in them after it ends.
        bool echoed = false;
        for (const EventRecord& o : model.events)
            echoed |= (o.kind == kEventZoomFeedback || o.kind == kEventScreenDistortion) && o.start <= chainEnd + 1 &&
                      o.end >= e.end;
        if (echoed) continue;
        layer = &e;
        gone = chainEnd + 1;
    }
    ASSERT_NE(layer, nullptr) << "the show has no partial-screen image layer that ends bright";
    const fs::path dir = testing::scratchDir("layer");
    // The link ends bright: look just before its end, as near the "after" as it gets.
    const int during = layer->end * 10 - 100, after = gone * 10;
    ASSERT_TRUE(shot(during, dir / "during.png") && shot(after, dir / "after.png"));
    const auto [inside, outside] =
        meanDifference(readPngPicture(dir / "during.png"), readPngPicture(dir / "after.png"), layer->rect[4],
                       layer->rect[5], layer->rect[6] + 1, layer->rect[7] + 1);
    EXPECT_GT(inside, 4.0) << "the layer's rectangle looks the same with and without the layer";
    EXPECT_GT(inside, 2 * outside) << "inside " << inside << ", outside " << outside << " at " << during << " and "
                                   << after << " ms";
}

// Averages the picture down to w x h, each target pixel over the source area it covers.
testing::Picture scaleDown(const testing::Picture& p, int w, int h) {
    testing::Picture out{std::vector<uint8_t>(size_t(w) * size_t(h) * 4, 255), w, h};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                const int sx0 = x * p.width / w, sx1 = std::max(sx0 + 1, (x + 1) * p.width / w);
                const int sy0 = y * p.height / h, sy1 = std::max(sy0 + 1, (y + 1) * p.height / h);
                double sum = 0;
                for (int sy = sy0; sy < sy1; ++sy)
                    for (int sx = sx0; sx < sx1; ++sx)
                        sum += p.pixels[(size_t(sy) * size_t(p.width) + size_t(sx)) * 4 + size_t(c)];
                out.pixels[(size_t(y) * size_t(w) + size_t(x)) * 4 + size_t(c)] =
                    uint8_t(sum / double((sx1 - sx0) * (sy1 - sy0)) + 0.5);
            }
    return out;
}

TEST(Shot, CapturesAt1440x1080ShowTheWholePictureLikeAt1024x768) {
    const PackModel model = readPackModel(content::mainPack());
    int t = -1;
    for (const EventRecord& e : model.events)
        if ((e.kind == kEventZoomFeedback || e.kind == kEventScreenDistortion) && t < 0) t = (e.start + e.end) * 5;
    if (t < 0) GTEST_SKIP() << "the show has no event that draws a capture";
    const fs::path dir = testing::scratchDir("capture_block");
    ASSERT_TRUE(shot(t, dir / "big.png", " --size 1440x1080") && shot(t, dir / "small.png", " --size 1024x768"));
    const testing::Picture big = scaleDown(readPngPicture(dir / "big.png"), 1024, 768);
    const testing::Picture small = readPngPicture(dir / "small.png");
    ASSERT_EQ(small.width, 1024);
    // The right and bottom strips are where a 1024 block would cut off.
    const double strips = meanDifference(big, small, 0, 0, 728, 546).second;
    const double whole = meanDifference(big, small, 0, 0, 1024, 768).first;
    // Measured: about 1.2 and 1.5 (scaling and the 1024-wide row nudge); a
    // capture cut at 1024 pixels gives about 7.4 and 4.7.
    EXPECT_LT(strips, 3.0) << "right and bottom";
    EXPECT_LT(whole, 3.0) << "whole picture";
}

// The player started mid-show ends by itself at --to; a bad time is refused.
TEST(PlayerTimeControls, StartMidShowAndStopAtTheEndTime) {
    const std::string lumen = LUMEN_BINARY_DIR "/shell/lumen";
    const struct {
        std::string args;
        int status;
        const char* message;  // in the output, when not empty
    } cases[] = {
        {"-windowed --from 20 --to 21", 0, ""},
        {"-windowed --dev --from=1:00 --to 60.5", 0, ""},
        {"-windowed --to 0.5", 0, ""},
        {"--from soon", 2, "--from: expected seconds"},
        {"--from 30 --to 20", 2, "--to must come after --from"},
    };
    for (const auto& c : cases) {
        const auto r = runCommand("timeout 120 " + lumen + " " + c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
        if (*c.message) {
            EXPECT_NE(r.output.find(c.message), std::string::npos) << c.args << "\n" << r.output;
        }
    }
}

}  // namespace
}  // namespace lumen
