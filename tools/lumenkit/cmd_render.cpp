// lumenkit render: the whole show (or a stretch of it) played headless on a
// fixed step and encoded by ffmpeg into an MP4, or written as numbered PNGs.
//
// The clock is block-stepped, exactly as the player's: frame k is taken at
// audio frame P0 + k x rate / fps, and its show time is the player's clock
// while that audio plays, i.e. the song time at the end of the 20 ms block
// holding it, plus the clock offset. At 60 fps two frames can therefore share a
// show time; the second repeats the first picture.
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "command.h"
#include "file_io.h"
#include "platform/background_worker.h"
#include "png_io.h"
#include "shell/headless_show.h"
#include "shell/main_loop.h"
#include "show_options.h"
#include "synth/wav_writer.h"
#include "video_encoder.h"

namespace lumenkit {

namespace {

// The loader pack's timeline runs this long as the prelude (--with-loading).
constexpr int kLoaderTimelineEndMs = 10009;
constexpr int kLargestFps = 240;
constexpr int kLargestCrf = 51;

struct RenderArgs {
    std::string out;
    std::string size = "1440x1080";
    int fps = 60;
    std::string from = "0";
    std::string to;
    int crf = 18;
    std::string preset = kDefaultX264Preset;
    std::string framesDir;
    bool withLoading = false;
};

// A bar with frames per second and time left, on a terminal only.
class RenderProgress {
public:
    explicit RenderProgress(int64_t total) : total_(total), enabled_(isatty(STDERR_FILENO) == 1) {}
    ~RenderProgress() {
        if (drawn_) std::fprintf(stderr, "\r\033[K");
    }
    void update(int64_t done) {
        if (!enabled_) return;
        const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
        if (done < total_ && seconds - lastDraw_ < 0.25) return;
        lastDraw_ = seconds;
        const double fps = seconds > 0 ? double(done) / seconds : 0;
        const int left = fps > 0 ? int(double(total_ - done) / fps) : 0;
        const int width = int(30 * done / total_);
        std::fprintf(stderr, "\rrender [%-30.*s] %lld/%lld frames  %.1f fps  %d:%02d left ", width,
                     "##############################", static_cast<long long>(done), static_cast<long long>(total_),
                     fps, left / 60, left % 60);
        std::fflush(stderr);
        drawn_ = true;
    }

private:
    using Clock = std::chrono::steady_clock;
    int64_t total_;
    bool enabled_;
    bool drawn_ = false;
    double lastDraw_ = -1;
    Clock::time_point start_ = Clock::now();
};

// What to draw, worked out before anything is drawn.
struct RenderPlan {
    int width = 0, height = 0;               // the frame
    lumen::platform::PresentRect picture{};  // the 4:3 show inside it
    int64_t startFrame = 0;                  // P0, in audio frames
    int64_t showFrames = 0;                  // frames of the show
    int64_t preludeFrames = 0;               // loader frames before it
    int64_t audioFrameAt(int64_t k, int rate, int fps) const { return startFrame + k * rate / fps; }
};

void checkArgs(const RenderArgs& a) {
    if (a.fps < 1 || a.fps > kLargestFps) throw CommandError("--fps: expected 1 to 240 frames a second");
    if (a.crf < 0 || a.crf > kLargestCrf) throw CommandError("--crf: expected 0 (lossless) to 51");
    if (!isX264Preset(a.preset))
        throw CommandError("--preset: expected an x264 preset (ultrafast, superfast, veryfast, faster, fast, medium, "
                           "slow, slower, veryslow, placebo); got '" + a.preset + "'");
    if (a.out.empty() && a.framesDir.empty()) throw CommandError("render: give OUT.mp4, or --frames DIR for PNGs");
    if (!a.out.empty() && !a.framesDir.empty())
        throw CommandError("render: --frames DIR writes PNGs instead of a video; leave out OUT.mp4");
}

// The sound from P0 on, as long as the frames last, after the prelude's silence.
std::vector<int16_t> soundtrack(const std::vector<int16_t>& song, int64_t songStartFrame, const RenderPlan& plan,
                                int rate, int fps) {
    const int64_t showAudio = plan.showFrames * rate / fps;
    const int64_t total = (plan.preludeFrames + plan.showFrames) * rate / fps;
    std::vector<int16_t> pcm(size_t(total - showAudio) * 2, 0);
    const size_t from = size_t(plan.startFrame - songStartFrame) * 2;
    pcm.insert(pcm.end(), song.begin() + std::ptrdiff_t(from),
               song.begin() + std::ptrdiff_t(from + size_t(showAudio) * 2));
    return pcm;
}

void writeWav(const std::string& path, const std::vector<int16_t>& pcm, int rate) {
    lumen::WavWriter wav(path, 2, rate);
    wav.write(pcm.data(), pcm.size() / 2);
    wav.finish();
}

// Removes a temporary file however the render ends.
struct RemoveTemp {
    std::string path;
    ~RemoveTemp() {
        if (!path.empty()) unlink(path.c_str());
    }
};

// The sound goes to a temporary WAV beside the video for ffmpeg to read, or
// to audio.wav among the frames (written whole, then renamed into place).
std::string writeSound(const RenderArgs& a, const RenderPlan& plan, const std::vector<int16_t>& songPcm, int rate) {
    const std::vector<int16_t> pcm = soundtrack(songPcm, 0, plan, rate, a.fps);
    if (a.framesDir.empty()) {
        const std::string path = a.out + ".wav.part";
        try {
            writeWav(path, pcm, rate);
        } catch (const std::exception& e) {
            unlink(path.c_str());
            throw CommandError(e.what());
        }
        return path;
    }
    const std::string path = a.framesDir + "/audio.wav";
    writeWav(path + ".part", pcm, rate);
    if (std::rename((path + ".part").c_str(), path.c_str()) != 0) throw CommandError("cannot write " + path);
    return path;
}

// The video's frames: each picture is read from GL straight into one of two
// frame buffers (bars black, rows bottom-up, ffmpeg flips them) and handed to
// a worker thread that feeds ffmpeg while the next picture is drawn.
class VideoFrames {
public:
    VideoFrames(const RenderArgs& a, const RenderPlan& plan, const std::string& wavPath) : plan_(plan) {
        VideoSettings s{plan.width, plan.height, a.fps, a.crf, wavPath, a.preset, /*rowsBottomUp=*/true};
        encoder_ = std::make_unique<VideoEncoder>(findFfmpeg(), a.out, s);
        for (std::vector<uint8_t>& b : buffers_) b.assign(size_t(plan.width) * size_t(plan.height) * 3, 0);
    }

    // The picture just drawn, into the buffer the worker is not sending.
    void capture(lumen::HeadlessShow& show) {
        const lumen::platform::PresentRect& r = plan_.picture;
        const size_t bottomRow = size_t(plan_.height - r.y - r.height);
        show.readPictureRgbBottomUp(buffers_[next_].data() + (bottomRow * size_t(plan_.width) + size_t(r.x)) * 3,
                                    plan_.width);
    }

    // The captured picture as the next `count` frames of the video.
    void send(int64_t count) {
        const uint8_t* frame = buffers_[next_].data();
        VideoEncoder* encoder = encoder_.get();
        worker_.run([encoder, frame, count] {
            for (int64_t k = 0; k < count; ++k) encoder->writeFrame(frame);
        });
        next_ ^= 1;
    }

    void finish() {
        worker_.wait();
        encoder_->finish();
    }

private:
    const RenderPlan& plan_;
    std::array<std::vector<uint8_t>, 2> buffers_;
    int next_ = 0;
    std::unique_ptr<VideoEncoder> encoder_;
    // Declared last: it stops (finishing its job) before the encoder goes.
    lumen::platform::BackgroundWorker worker_;
};

// Numbered PNGs and frames.txt.
class PngFrames {
public:
    PngFrames(const RenderArgs& a, const RenderPlan& plan) : plan_(plan), dir_(a.framesDir) {
        list_ = "# frame show_time_ms (prelude frames: loader_time_ms loading)\n";
        boxed_.assign(size_t(plan.width) * size_t(plan.height) * 4, 0);
        for (size_t k = 3; k < boxed_.size(); k += 4) boxed_[k] = 255;
    }

    void write(int64_t k, const std::vector<uint8_t>& picture, int time, bool prelude) {
        box(picture);
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(k));
        writePngRgba(dir_ + "/" + name, plan_.width, plan_.height, boxed_.data());
        list_ += std::to_string(k) + " " + std::to_string(time) + (prelude ? " loading\n" : "\n");
    }

    void finish() { writeFileAtomically(dir_ + "/frames.txt", list_.data(), list_.size()); }

private:
    // The 4:3 picture into the frame, bars black.
    void box(const std::vector<uint8_t>& picture) {
        const lumen::platform::PresentRect& r = plan_.picture;
        for (int y = 0; y < r.height; ++y) {
            const uint8_t* src = picture.data() + size_t(y) * size_t(r.width) * 4;
            uint8_t* dst = boxed_.data() + (size_t(r.y + y) * size_t(plan_.width) + size_t(r.x)) * 4;
            std::memcpy(dst, src, size_t(r.width) * 4);
        }
    }

    const RenderPlan& plan_;
    std::string dir_;
    std::vector<uint8_t> boxed_;
    std::string list_;
};

// Drawing the planned frames and handing them to the output.
struct RenderRun {
    const RenderArgs& a;
    const RenderPlan& plan;
    lumen::HeadlessShow& show;
    int rate;
    RenderProgress& progress;

    // Ctrl-C reaches us as a close request (SDL's signal handling): stop
    // cleanly so no temporary file is left behind.
    void checkInterrupt() {
        if (show.closeRequested())
            throw CommandError("interrupted; " + (a.out.empty() ? a.framesDir : a.out) + " was not finished");
    }
    int showTime(int64_t k) { return show.song().showTimeAtFrame(plan.audioFrameAt(k, rate, a.fps)); }

    void video(const std::string& wavPath) {
        VideoFrames output(a, plan, wavPath);
        for (int64_t k = 0; k < plan.preludeFrames; ++k) {
            checkInterrupt();
            show.drawLoaderFrame(int(k * 1000 / a.fps));
            output.capture(show);
            output.send(1);
            progress.update(k + 1);
        }
        if (plan.preludeFrames) show.redrawLastLoadingFrame();
        // Frames that share a show time share one picture, drawn once.
        for (int64_t k = 0; k < plan.showFrames;) {
            checkInterrupt();
            const int t = showTime(k);
            int64_t same = 1;
            while (k + same < plan.showFrames && showTime(k + same) == t) ++same;
            show.history().drawFrame(t);
            output.capture(show);
            output.send(same);
            k += same;
            progress.update(plan.preludeFrames + k);
        }
        output.finish();
    }

    void pngs() {
        PngFrames output(a, plan);
        std::vector<uint8_t> picture;
        for (int64_t k = 0; k < plan.preludeFrames; ++k) {
            checkInterrupt();
            const int t = int(k * 1000 / a.fps);
            show.drawLoaderFrame(t);
            picture = show.readPicture();
            output.write(k, picture, t, true);
            progress.update(k + 1);
        }
        if (plan.preludeFrames) show.redrawLastLoadingFrame();
        int shown = -1;
        for (int64_t k = 0; k < plan.showFrames; ++k) {
            checkInterrupt();
            const int t = showTime(k);
            if (t != shown) {
                show.history().drawFrame(t);
                picture = show.readPicture();
                shown = t;
            }
            output.write(plan.preludeFrames + k, picture, t, false);
            progress.update(plan.preludeFrames + k + 1);
        }
        output.finish();
    }
};

RenderPlan planRender(const RenderArgs& a, lumen::SongRun& song, int from, int to) {
    RenderPlan plan;
    parseFrameSize("--size", a.size, &plan.width, &plan.height);
    if (a.framesDir.empty() && (plan.width % 2 || plan.height % 2))
        throw CommandError("--size: H.264 in 4:2:0 needs even sides; got " + a.size);
    plan.picture = lumen::showPictureRect(plan.width, plan.height);
    plan.startFrame = int64_t(song.firstBlockReaching(from)) * song.blockFrames();
    while (song.showTimeAtFrame(plan.audioFrameAt(plan.showFrames, song.rate(), a.fps)) < to) ++plan.showFrames;
    if (a.withLoading)
        while (plan.preludeFrames * 1000 / a.fps <= kLoaderTimelineEndMs) ++plan.preludeFrames;
    return plan;
}

void render(const RenderArgs& a) {
    checkArgs(a);
    const int from = parseTimeOption("--from", a.from);
    const int to = a.to.empty() ? lumen::kEndOfShowMs : parseTimeOption("--to", a.to);
    if (to <= from) throw CommandError("--to must come after --from");
    if (a.framesDir.empty())
        findFfmpeg();  // refuse before the long start-up
    else
        std::filesystem::create_directories(a.framesDir);

    int width = 0, height = 0;
    lumen::platform::PresentRect pic;
    const std::unique_ptr<lumen::HeadlessShow> show = openHeadlessShow(a.size, &width, &height, &pic);
    lumen::SongRun& song = show->song();
    std::vector<int16_t> songPcm;
    song.setBlockSink([&](const int16_t* f, int n) { songPcm.insert(songPcm.end(), f, f + size_t(n) * 2); });
    const RenderPlan plan = planRender(a, song, from, to);
    const int rate = song.rate();

    const std::string wavPath = writeSound(a, plan, songPcm, rate);
    songPcm = {};
    const RemoveTemp removeWav{a.framesDir.empty() ? wavPath : std::string()};

    RenderProgress progress(plan.preludeFrames + plan.showFrames);
    RenderRun run{a, plan, *show, rate, progress};
    if (a.framesDir.empty())
        run.video(wavPath);
    else
        run.pngs();
}

Registration reg([](CLI::App& app) {
    auto* sub = app.add_subcommand("render", "Render the show headless on a fixed step into an MP4 (or PNG frames)");
    auto a = std::make_shared<RenderArgs>();
    sub->add_option("OUT", a->out, "MP4 file to write: H.264 (yuv420p) + AAC, made by ffmpeg");
    sub->add_option("--size", a->size, "Frame size WIDTHxHEIGHT (default 1440x1080); the 4:3 show is boxed into it");
    sub->add_option("--fps", a->fps, "Frames per second (default 60)");
    sub->add_option("--from", a->from, "Show time to start at: seconds or mm:ss.mmm (default 0)");
    sub->add_option("--to", a->to, "Show time to stop before (default: the end of the show)");
    sub->add_option("--crf", a->crf, "x264 quality, 0 lossless to 51 (default 18)");
    sub->add_option("--preset", a->preset,
                    std::string("x264 speed against file size: ultrafast ... veryslow (default ") +
                        kDefaultX264Preset + ")");
    sub->add_option("--frames", a->framesDir, "Write frame_NNNNNN.png, frames.txt and audio.wav into DIR instead");
    sub->add_flag("--with-loading", a->withLoading,
                  "Start with the loading display's timeline (0 to 10.009 s) over silence");
    sub->callback([a] { render(*a); });
});

}  // namespace

}  // namespace lumenkit
