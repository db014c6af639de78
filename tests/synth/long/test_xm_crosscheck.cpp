// Lumen's render of a test song against an XM player nobody here wrote:
// libopenmpt plays the song's exported XM, and note onsets, pitches and
// loudness envelopes (each side on its own) must agree within set tolerances.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "synth/offline_render.h"
#include "synth/song_source_format.h"
#include "synth/song_timemap.h"
#include "synth/synth.h"
#include "synth/xm_export.h"

#if defined(LUMEN_HAVE_LIBOPENMPT)
#include <libopenmpt/libopenmpt.h>
#endif

namespace lumen {
namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 8;
constexpr size_t kOnsetToleranceFrames = 88;  // 2 ms
constexpr double kPitchToleranceCents = 10;
constexpr double kMinEnvelopeCorrelation = 0.95;
constexpr size_t kEnvelopeWindow = 882;  // 20 ms

const char* const kSongDir = LUMEN_SOURCE_DIR "/tests/synth/data/crosscheck";

// Interleaved stereo in full scale 1.0.
using Stereo = std::vector<float>;

struct Cell {
    std::string note, instrument, volume, effect;
};
using PatternCells = std::vector<std::vector<Cell>>;  // [row][channel]

// The row label of a pattern line ("NN ") and its cells, or nothing for a comment.
std::vector<Cell> parseLine(const std::string& line, std::string* label = nullptr) {
    std::vector<Cell> cells;
    if (line.empty() || line[0] == '#') return cells;
    if (label) *label = line.substr(0, line.find('|'));
    std::istringstream fields(line.substr(line.find('|') + 1));
    std::string bar;
    for (Cell c; fields >> c.note >> c.instrument >> c.volume >> c.effect; fields >> bar) cells.push_back(c);
    return cells;
}

PatternCells parsePattern(const std::string& text) {
    PatternCells rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') rows.push_back(parseLine(line));
    return rows;
}

// The song with every channel but `keep` emptied, except for the speed and
// pattern-break commands, which steer the whole song and stay.
SongSourceFiles soloFiles(const SongSourceFiles& files, int keep) {
    SongSourceFiles out = files;
    for (auto& [name, text] : out) {
        if (!name.ends_with(".pattern")) continue;
        std::istringstream in(text);
        std::ostringstream result;
        for (std::string line, label; std::getline(in, line); result << "\n") {
            const std::vector<Cell> cells = parseLine(line, &label);
            if (cells.empty()) {
                result << line;
                continue;
            }
            result << label;
            for (size_t ch = 0; ch < cells.size(); ++ch) {
                const Cell& c = cells[ch];
                const bool global = c.effect[0] == 'F' || c.effect[0] == 'D';
                if (int(ch) == keep)
                    result << "| " << c.note << " " << c.instrument << " " << c.volume << " " << c.effect << " ";
                else
                    result << "| ... .. ... " << (global ? c.effect : "...") << " ";
            }
        }
        text = result.str();
    }
    return out;
}

Stereo renderLumen(const StoredSong& song, size_t frames) {
    Stereo out;
    out.reserve(2 * frames);
    renderSongOffline({song.image, song.planes, song.definitions}, frames, [&](const int16_t* s, size_t n) {
        for (size_t k = 0; k < 2 * n; ++k) out.push_back(float(s[k]) / 32768.0f);
    });
    return out;
}

std::unique_ptr<ModulePlayer> loaded(const StoredSong& song) {
    auto player = std::make_unique<ModulePlayer>();
    loadSongSource(*player, {song.image, song.planes, song.definitions});
    return player;
}

XmExport exportSong(const StoredSong& song) { return exportXm(*loaded(song), "crosscheck"); }

#if defined(LUMEN_HAVE_LIBOPENMPT)
Stereo renderOpenmpt(const std::vector<uint8_t>& xm, size_t frames) {
    openmpt_module* m =
        openmpt_module_create_from_memory2(xm.data(), xm.size(), openmpt_log_func_silent, nullptr,
                                           openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
    if (!m) return {};
    openmpt_module_set_render_param(m, OPENMPT_MODULE_RENDER_INTERPOLATIONFILTER_LENGTH, 2);  // linear
    openmpt_module_set_repeat_count(m, -1);
    Stereo out(2 * frames, 0.0f);
    size_t done = 0;
    while (done < frames) {
        const size_t got = openmpt_module_read_interleaved_float_stereo(m, kRate, std::min<size_t>(4096, frames - done),
                                                                        out.data() + 2 * done);
        if (got == 0) break;
        done += got;
    }
    openmpt_module_destroy(m);
    return out;
}
#endif

// Louder side of each frame.
float level(const Stereo& s, size_t frame) { return std::max(std::fabs(s[2 * frame]), std::fabs(s[2 * frame + 1])); }

float peak(const Stereo& s, size_t from, size_t to) {
    float p = 0;
    for (size_t f = from; f < std::min(to, s.size() / 2); ++f) p = std::max(p, level(s, f));
    return p;
}

// The first frame from `from` on whose level reaches 30 % of the peak of the
// 30 ms after the row starts at `row`.
size_t onset(const Stereo& s, size_t from, size_t row) {
    const float threshold = 0.3f * peak(s, row, row + 1323);
    for (size_t f = from; f < s.size() / 2; ++f)
        if (level(s, f) >= threshold) return f;
    return s.size() / 2;
}

void fft(std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> w = std::polar(1.0, -2 * M_PI / double(len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> wk = 1;
            for (size_t k = 0; k < len / 2; ++k, wk *= w) {
                const auto u = a[i + k], v = a[i + k + len / 2] * wk;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

// Frequency of the strongest spectral peak of both sides summed over `length`
// frames from `from` (Hann window, zero-padded, parabolic interpolation).
double dominantHz(const Stereo& s, size_t from, size_t length) {
    const size_t n = 4 * length;  // zero-padded for finer bins
    std::vector<std::complex<double>> a(n);
    double mean = 0;
    for (size_t k = 0; k < length; ++k) mean += double(s[2 * (from + k)]) + double(s[2 * (from + k) + 1]);
    mean /= double(length);
    for (size_t k = 0; k < length; ++k) {
        const double w = 0.5 - 0.5 * std::cos(2 * M_PI * double(k) / double(length));
        a[k] = w * (double(s[2 * (from + k)]) + double(s[2 * (from + k) + 1]) - mean);
    }
    fft(a);
    // Search from 20 Hz up: the pulse waves' offset and the window leave
    // energy at the lowest bins.
    const size_t lowest = 20 * n / kRate;
    size_t best = lowest;
    for (size_t k = lowest; k < n / 2; ++k)
        if (std::abs(a[k]) > std::abs(a[best])) best = k;
    const double l = std::log(std::abs(a[best - 1]) + 1e-12), c = std::log(std::abs(a[best]) + 1e-12),
                 r = std::log(std::abs(a[best + 1]) + 1e-12);
    const double shift = 0.5 * (l - r) / (l - 2 * c + r);
    return (double(best) + shift) * kRate / double(n);
}

double correlation(const std::vector<double>& a, const std::vector<double>& b) {
    double ma = 0, mb = 0;
    for (size_t k = 0; k < a.size(); ++k) {
        ma += a[k];
        mb += b[k];
    }
    ma /= double(a.size());
    mb /= double(b.size());
    double ab = 0, aa = 0, bb = 0;
    for (size_t k = 0; k < a.size(); ++k) {
        ab += (a[k] - ma) * (b[k] - mb);
        aa += (a[k] - ma) * (a[k] - ma);
        bb += (b[k] - mb) * (b[k] - mb);
    }
    return ab / std::sqrt(aa * bb);
}

std::vector<double> rmsEnvelope(const Stereo& s, int side) {
    std::vector<double> e;
    for (size_t w = 0; (w + 1) * kEnvelopeWindow <= s.size() / 2; ++w) {
        double sum = 0;
        for (size_t f = w * kEnvelopeWindow; f < (w + 1) * kEnvelopeWindow; ++f)
            sum += double(s[2 * f + size_t(side)]) * double(s[2 * f + size_t(side)]);
        e.push_back(std::sqrt(sum / kEnvelopeWindow));
    }
    return e;
}

// A cell whose effect or volume column moves the pitch (arpeggio, portamento,
// vibrato, volume-column vibrato or tone portamento).
bool bendsPitch(const Cell& c) {
    const char e = c.effect[0], v = c.volume[0];
    const bool arpeggio = e == '0' && c.effect != "000";
    return arpeggio || e == '1' || e == '2' || e == '3' || e == '4' || e == '5' || e == '6' || v == 'g' || v == 'u' ||
           v == 'h';
}

struct NoteEvent {
    int channel;
    size_t frame;      // the row's first frame
    size_t nextFrame;  // the channel's next note or key off (or the song's end)
    bool steadyPitch;  // nothing bends the pitch until nextFrame
    bool kick;         // the kick's pitch falls by design
    std::string where;
};

std::vector<NoteEvent> noteEvents(const SongTimeMap& map, const std::vector<PatternCells>& patterns,
                                  size_t songFrames) {
    std::vector<NoteEvent> events;
    for (int ch = 0; ch < kChannels; ++ch) {
        NoteEvent* open = nullptr;
        for (const TimeMapRow& r : map.rows) {
            const Cell& c = patterns[size_t(r.pattern)][size_t(r.row)][size_t(ch)];
            const size_t frame = size_t(r.audioFrame);
            if (c.note != "...") {
                if (open) open->nextFrame = frame;
                open = nullptr;
            }
            if (c.note != "..." && c.note != "===") {
                std::ostringstream where;
                where << "order " << r.order << " row " << r.row << " channel " << ch + 1 << " " << c.note;
                events.push_back({ch, frame, songFrames, !bendsPitch(c), c.instrument == "04", where.str()});
                open = &events.back();
            } else if (open && bendsPitch(c)) {
                open->steadyPitch = false;
            }
        }
    }
    return events;
}

TEST(XmCrossCheck, LibopenmptPlaysTheExportedSongAsLumenDoes) {
#if !defined(LUMEN_HAVE_LIBOPENMPT)
    GTEST_SKIP() << "libopenmpt (libopenmpt-dev) not found at configure time: cross-check skipped";
#else
    const SongSourceFiles files = readSongSourceFolder(kSongDir);
    const StoredSong song = compileSongSource(files);
    const SongTimeMap map = buildTimeMap(*loaded(song));
    ASSERT_TRUE(map.wrapped);
    const size_t frames = size_t(map.wrap.audioFrame);
    std::vector<PatternCells> patterns = {parsePattern(files.at("range.pattern")),
                                          parsePattern(files.at("break.pattern"))};

    // The whole song: loudness envelopes, each side on its own.
    const XmExport xm = exportSong(song);
    const Stereo lumen = renderLumen(song, frames), openmpt = renderOpenmpt(xm.bytes, frames);
    ASSERT_EQ(openmpt.size(), lumen.size()) << "libopenmpt did not load or play the exported XM";
    for (int side = 0; side < 2; ++side)
        EXPECT_GT(correlation(rmsEnvelope(lumen, side), rmsEnvelope(openmpt, side)), kMinEnvelopeCorrelation)
            << (side == 0 ? "left" : "right") << " side, whole song";

    // Each channel alone: envelopes per side, note onsets and pitches.
    const std::vector<NoteEvent> events = noteEvents(map, patterns, frames);
    int onsets = 0, pitches = 0;
    for (int ch = 0; ch < kChannels; ++ch) {
        const StoredSong solo = compileSongSource(soloFiles(files, ch));
        const XmExport soloXm = exportSong(solo);
        const Stereo a = renderLumen(solo, frames), b = renderOpenmpt(soloXm.bytes, frames);
        ASSERT_EQ(a.size(), b.size());
        // A channel may sound different only where the exporter says so.
        const bool listed = std::any_of(xm.report.begin(), xm.report.end(), [&](const std::string& line) {
            return line.find(" channel " + std::to_string(ch + 1) + " ") != std::string::npos;
        });
        EXPECT_EQ(listed, !soloXm.report.empty()) << "channel " << ch + 1;
        for (int side = 0; side < 2 && !listed; ++side)
            EXPECT_GT(correlation(rmsEnvelope(a, side), rmsEnvelope(b, side)), kMinEnvelopeCorrelation)
                << (side == 0 ? "left" : "right") << " side, channel " << ch + 1 << " alone";
        for (const NoteEvent& e : events) {
            if (e.channel != ch) continue;
            // Onsets where the note starts from near silence in Lumen's render.
            const size_t from = e.frame > 441 ? e.frame - 441 : 0;
            if (peak(a, from, e.frame - 22) < 0.1f * peak(a, e.frame, e.frame + 1323)) {
                const size_t oa = onset(a, from, e.frame), ob = onset(b, from, e.frame);
                EXPECT_LE(oa > ob ? oa - ob : ob - oa, kOnsetToleranceFrames)
                    << e.where << ": onset at frame " << oa << " in Lumen, " << ob << " in libopenmpt";
                ++onsets;
            }
            // Pitch over the steady part of the note.
            const size_t start = e.frame + 1323, length = 8192;
            if (e.steadyPitch && !e.kick && start + length <= e.nextFrame) {
                const double fa = dominantHz(a, start, length), fb = dominantHz(b, start, length);
                EXPECT_LE(std::fabs(1200 * std::log2(fa / fb)), kPitchToleranceCents)
                    << e.where << ": " << fa << " Hz in Lumen, " << fb << " Hz in libopenmpt";
                ++pitches;
            }
        }
    }
    // The song is written so that the checks cover many notes; a change that
    // left few to check would make this test say little.
    EXPECT_GE(onsets, 20);
    EXPECT_GE(pitches, 15);
    std::printf("cross-check: %zu notes, %d onsets and %d pitches compared\n", events.size(), onsets, pitches);
#endif
}

}  // namespace
}  // namespace lumen
