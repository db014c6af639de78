// lumenkit song plot: draws a song's loudness over audio time, left channel
// up and right channel down, with each order's start marked and labelled.
//
//   lumenkit song plot OUT.png [--image F --planes F --defs F] [--width W] [--height H] [--seconds S]
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "command.h"
#include "file_io.h"
#include "plot_canvas.h"
#include "png_io.h"
#include "song_command.h"
#include "synth/offline_render.h"
#include "synth/song_data_error.h"
#include "synth/song_timemap.h"

namespace lumenkit {

namespace {

// Loudness is the RMS over one second of audio centred on each column, of
// sums kept per 10 ms hop; shown in dB below full scale down to the floor.
constexpr size_t kHopFrames = lumen::kOutputRate / 100;
constexpr double kWindowSeconds = 1.0;
constexpr double kFloorDb = -60.0;
constexpr double kGridDb = 20.0;
constexpr double kFullScale = 32768.0;
// Without --seconds, a song that never wraps is plotted for its first hour.
constexpr double kDefaultMaxSeconds = 3600.0;

constexpr int kTextScale = 2;
constexpr int kMinWidth = 400, kMaxWidth = 16384, kMinHeight = 240, kMaxHeight = 8192;

constexpr Rgba kBackground{18, 20, 26}, kTextColour{225, 225, 230}, kGrid{52, 56, 66}, kAxis{130, 132, 140};
constexpr Rgba kLeftColour{70, 150, 255}, kRightColour{255, 120, 70}, kMarker{255, 215, 0};

struct PlotOptions {
    std::string out;
    SongInputOptions input;
    int width = 1600;
    int height = 480;
    double seconds = 0;  // 0: the first pass
};

// Where things go: the plot area and the mapping of time and level to pixels.
struct Layout {
    int left = 0, top = 0, right = 0, bottom = 0;  // plot area [left, right) x [top, bottom)
    int64_t frames = 0;                            // audio frames up to the right edge

    Layout(int width, int height, int64_t duration) : frames(duration) {
        const int line = PlotCanvas::textHeight(kTextScale);
        left = 8 + PlotCanvas::textWidth("-60", kTextScale) + 10;
        top = 8 + 3 * (line + 6) + 4;  // the title, then two rows of order labels
        right = width - 24;
        bottom = height - (2 * (line + 8) + 6);  // time labels and the axis title
    }
    int centre() const { return (top + bottom) / 2; }
    double seconds() const { return double(frames) / lumen::kOutputRate; }
    // The column holding an audio frame; whole numbers, so tools can check it.
    int x(int64_t frame) const { return std::clamp(left + int(frame * (right - left) / frames), left, right - 1); }
    int xAt(double s) const { return x(std::llround(s * lumen::kOutputRate)); }
    // Height above (or below) the centre line for a level in dB.
    int extent(double db) const {
        const double f = (std::max(db, kFloorDb) - kFloorDb) / -kFloorDb;
        return int(std::lround(f * (centre() - top - 1)));
    }
};

// Sums of squared samples per hop, as running totals (prefix[k] = hops before k).
struct Energy {
    std::vector<double> left{0.0}, right{0.0};
    double hop[2] = {0, 0};
    size_t inHop = 0;

    void add(const int16_t* pcm, size_t frames) {
        for (size_t i = 0; i < frames; ++i) {
            hop[0] += double(pcm[2 * i]) * pcm[2 * i];
            hop[1] += double(pcm[2 * i + 1]) * pcm[2 * i + 1];
            if (++inHop == kHopFrames) flush();
        }
    }
    void flush() {
        left.push_back(left.back() + hop[0]);
        right.push_back(right.back() + hop[1]);
        hop[0] = hop[1] = 0;
        inHop = 0;
    }
    // RMS in dB over the hops [from, to) of one channel.
    static double db(const std::vector<double>& prefix, size_t from, size_t to) {
        to = std::min(to, prefix.size() - 1);
        if (to <= from) return kFloorDb;
        const double meanSquare = (prefix[to] - prefix[from]) / double((to - from) * kHopFrames);
        return meanSquare > 0 ? 20.0 * std::log10(std::sqrt(meanSquare) / kFullScale) : kFloorDb;
    }
};

Energy measure(const LoadedSong& song, size_t frames) {
    Energy e;
    ProgressBar bar("rendering");
    lumen::renderSongOffline(
        lumen::SongSource{song.image, song.planes, song.defs}, frames,
        [&](const int16_t* pcm, size_t n) { e.add(pcm, n); }, [&](double p) { bar.update(p); });
    if (e.inHop) e.flush();  // the last, shorter hop counts as a whole one: a little quieter at most
    return e;
}

// A time step that leaves at least 80 pixels between labelled ticks.
double tickStep(const Layout& l) {
    for (double step : {0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 15.0, 30.0, 60.0, 120.0, 300.0, 600.0, 1800.0})
        if (step / l.seconds() * (l.right - l.left) >= 80) return step;
    return 3600.0;
}

std::string secondsText(double s, double step) {
    char buf[32];
    std::snprintf(buf, sizeof buf, step < 1 ? "%.1f" : "%.0f", s);
    return buf;
}

void drawAxes(PlotCanvas& c, const Layout& l) {
    const int line = PlotCanvas::textHeight(kTextScale);
    const double step = tickStep(l);
    for (int k = 0; k * step <= l.seconds() + 1e-9; ++k) {
        const int x = l.xAt(k * step);
        c.vline(x, l.top, l.bottom, kGrid);
        c.vline(x, l.bottom, l.bottom + 5, kAxis);
        const std::string label = secondsText(k * step, step);
        c.text(std::min(x - PlotCanvas::textWidth(label, kTextScale) / 2,
                        c.width() - 2 - PlotCanvas::textWidth(label, kTextScale)),
               l.bottom + 8, label, kTextColour, kTextScale);
    }
    const std::string axis = "AUDIO TIME (S)";
    c.text(l.right - PlotCanvas::textWidth(axis, kTextScale), l.bottom + 8 + line + 8, axis, kTextColour, kTextScale);
    for (double db = 0; db > kFloorDb - 1e-9; db -= kGridDb) {
        const std::string label = std::to_string(int(db));
        for (int sign : {-1, 1}) {
            const int y = l.centre() + sign * l.extent(db);
            if (db > kFloorDb) c.hline(l.left, l.right, y, kGrid);
            c.text(l.left - 8 - PlotCanvas::textWidth(label, kTextScale), y - line / 2, label, kTextColour, kTextScale);
        }
    }
    c.hline(l.left, l.right, l.centre(), kAxis);
    c.vline(l.left - 1, l.top, l.bottom, kAxis);
}

void drawLoudness(PlotCanvas& c, const Layout& l, const Energy& e) {
    const double hopsPerSecond = double(lumen::kOutputRate) / double(kHopFrames);
    for (int x = l.left; x < l.right; ++x) {
        const double t = (x - l.left + 0.5) / (l.right - l.left) * l.seconds();
        const auto from = size_t(std::max(0.0, (t - kWindowSeconds / 2) * hopsPerSecond));
        const auto to = size_t(std::max(0.0, (t + kWindowSeconds / 2) * hopsPerSecond));
        c.vline(x, l.centre() - l.extent(Energy::db(e.left, from, to)), l.centre(), kLeftColour);
        c.vline(x, l.centre() + 1, l.centre() + 1 + l.extent(Energy::db(e.right, from, to)), kRightColour);
    }
    // The level grid stays visible across the fill, dotted.
    for (double db = -kGridDb; db > kFloorDb; db -= kGridDb)
        for (int sign : {-1, 1})
            for (int x = l.left; x < l.right; x += 4) c.set(x, l.centre() + sign * l.extent(db), kBackground);
    c.text(l.left + 6, l.top + 4, "L", kLeftColour, kTextScale);
    c.text(l.left + 6, l.bottom - 4 - PlotCanvas::textHeight(kTextScale), "R", kRightColour, kTextScale);
}

struct OrderStart {
    int order, pattern;
    int64_t frame;
};

// Markers over the whole plot height; labels in two rows, a label skipped
// only when both rows are taken where it would go.
void drawOrders(PlotCanvas& c, const Layout& l, const std::vector<OrderStart>& starts) {
    const int line = PlotCanvas::textHeight(kTextScale);
    int rowEnd[2] = {-1, -1};
    for (const OrderStart& s : starts) {
        const int x = l.x(s.frame);
        c.vline(x, l.top - 4, l.bottom, kMarker);
        const std::string label = std::to_string(s.order) + ":P" + std::to_string(s.pattern);
        for (int row = 0; row < 2; ++row) {
            if (x + 1 <= rowEnd[row]) continue;
            c.text(x + 3, 8 + (row + 1) * (line + 6), label, kMarker, kTextScale);
            rowEnd[row] = x + 3 + PlotCanvas::textWidth(label, kTextScale) + 6;
            break;
        }
    }
}

void plot(const PlotOptions& o) {
    if (o.width < kMinWidth || o.width > kMaxWidth || o.height < kMinHeight || o.height > kMaxHeight)
        throw CommandError("--width/--height: expected " + std::to_string(kMinWidth) + ".." +
                           std::to_string(kMaxWidth) + " x " + std::to_string(kMinHeight) + ".." +
                           std::to_string(kMaxHeight) + " pixels, got " + std::to_string(o.width) + " x " +
                           std::to_string(o.height));
    if (o.seconds < 0 || o.seconds > lumen::kMaxTimeMapSeconds)
        throw CommandError("--seconds: expected a duration above 0 and at most 86400, got " +
                           std::to_string(o.seconds));
    LoadedSong song = loadSongInput(o.input);
    const double limit = o.seconds > 0 ? o.seconds : kDefaultMaxSeconds;
    const lumen::SongTimeMap map = lumen::buildTimeMap(*song.player, limit);
    if (map.rows.empty()) throw CommandError(song.description + ": no row starts within the time to draw");
    const auto limitFrames = int64_t(std::llround(limit * lumen::kOutputRate));
    const int64_t frames = map.wrapped ? std::min(map.wrap.audioFrame, limitFrames) : limitFrames;
    if (frames <= 0) throw CommandError(song.description + ": --seconds: expected at least one audio frame");
    const double seconds = double(frames) / lumen::kOutputRate;

    std::vector<OrderStart> starts;
    for (size_t i = 0; i < map.rows.size(); ++i)
        if ((i == 0 || map.rows[i].order != map.rows[i - 1].order) && map.rows[i].audioFrame < frames)
            starts.push_back({map.rows[i].order, map.rows[i].pattern, map.rows[i].audioFrame});

    Energy energy;
    try {
        energy = measure(song, size_t(frames));
    } catch (const lumen::SongDataError& e) {
        throw CommandError(song.description + ": " + e.what());
    }
    const Layout l(o.width, o.height, frames);
    PlotCanvas canvas(o.width, o.height, kBackground);
    drawAxes(canvas, l);
    drawLoudness(canvas, l, energy);
    drawOrders(canvas, l, starts);
    const std::string title = "LOUDNESS: RMS OVER 1 S IN DBFS, LEFT UP, RIGHT DOWN. MARKERS: ORDER:PATTERN";
    const bool fits = PlotCanvas::textWidth(title, kTextScale) <= o.width - 16;
    canvas.text(8, 8, title, kTextColour, fits ? kTextScale : 1);

    const std::string part = o.out + ".part";
    writePngRgba(part, o.width, o.height, canvas.rows());
    if (std::rename(part.c_str(), o.out.c_str()) != 0) {
        std::remove(part.c_str());
        throw CommandError(o.out + ": cannot write: " + std::strerror(errno));
    }
    std::printf("%s: %d x %d; audio time 0 to %.3f s (%s) across x %d to %d; plot rows y %d to %d\n", o.out.c_str(),
                o.width, o.height, seconds,
                map.wrapped && frames == map.wrap.audioFrame ? "the first pass" : "cut short", l.left, l.right, l.top,
                l.bottom);
    for (const OrderStart& s : starts)
        std::printf("order %d (pattern %d): %.3f s, x %d\n", s.order, s.pattern, double(s.frame) / lumen::kOutputRate,
                    l.x(s.frame));
}

SongRegistration reg([](CLI::App& song) {
    auto o = std::make_shared<PlotOptions>();
    auto* p = song.add_subcommand(
        "plot",
        "Draw a song's loudness over audio time as a PNG: the RMS over one second of each channel in dBFS, left "
        "channel up and right channel down, with every order start of the first pass marked and labelled "
        "ORDER:PATTERN. Prints where each marker is. Without --image/--planes/--defs the built-in song is drawn.");
    p->add_option("OUT", o->out, "The .png file to write")->required();
    addSongInputOptions(*p, o->input);
    p->add_option("--width", o->width, "Picture width in pixels (default 1600)");
    p->add_option("--height", o->height, "Picture height in pixels (default 480)");
    p->add_option("--seconds", o->seconds,
                  "Draw at most this much audio time (default: the first pass, until the order position wraps)");
    p->callback([o] { plot(*o); });
});

}  // namespace

}  // namespace lumenkit
