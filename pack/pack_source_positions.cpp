// Resolving song positions in pack sources: the syntax, the lookup against the
// song's first pass, and the rounding to the timeline's 10 ms units.
#include "pack/pack_source_positions.h"

#include <charconv>
#include <optional>

namespace lumen {

namespace {

constexpr int kEventUnitMs = 10;
constexpr long kLastEventUnit = 65535;  // an unsigned 16-bit field
// Offsets beyond the stored range make no sense and must not overflow an int.
constexpr long kMaxOffsetMs = (kLastEventUnit + 1) * kEventUnitMs;
constexpr int kMaxPositionNumber = 9999;

struct WrittenPosition {
    int order = 0;
    int row = 0;
    long offsetMs = 0;
};

// A decimal number of digits only, at most `hi`; advances `at` past it.
std::optional<long> decimal(std::string_view text, size_t& at, long hi) {
    long v = 0;
    const char* first = text.data() + at;
    if (at >= text.size() || *first < '0' || *first > '9') return std::nullopt;
    const auto [end, ec] = std::from_chars(first, text.data() + text.size(), v);
    if (ec != std::errc() || v > hi) return std::nullopt;
    at += size_t(end - first);
    return v;
}

std::optional<WrittenPosition> parsePosition(std::string_view text) {
    WrittenPosition p;
    size_t at = 1;  // past the mark
    const auto order = decimal(text, at, kMaxPositionNumber);
    if (!order || at >= text.size() || text[at++] != ':') return std::nullopt;
    const auto row = decimal(text, at, kMaxPositionNumber);
    if (!row) return std::nullopt;
    p.order = int(*order);
    p.row = int(*row);
    if (at == text.size()) return p;
    const char sign = text[at++];
    if (sign != '+' && sign != '-') return std::nullopt;
    const auto offset = decimal(text, at, kMaxOffsetMs);
    if (!offset || at != text.size()) return std::nullopt;
    p.offsetMs = sign == '-' ? -*offset : *offset;
    return p;
}

long floorDivide(long value, long by) { return value >= 0 ? value / by : -((-value + by - 1) / by); }

}  // namespace

int songPositionUnit(std::string_view text, bool isEnd, const SongPositionLookup& positions,
                     const std::string& file, int line) {
    const std::string written(text);
    const std::optional<WrittenPosition> p = parsePosition(text);
    if (!p) {
        throw PackSourceError(file, line,
                              "expected a song position @ORDER:ROW, @ORDER:ROW+MS or @ORDER:ROW-MS in decimal, "
                              "found '" + written + "'");
    }
    if (!positions) {
        throw PackSourceError(file, line, "song position " + written + " needs a song to resolve against");
    }
    const SongPositionTime at = positions(p->order, p->row);
    if (!at.showTimeMs) throw PackSourceError(file, line, "song position " + written + ": " + at.whyNot);
    const long showTime = long(*at.showTimeMs) + p->offsetMs;
    // An end names the last unit drawn before the row starts.
    const long unit = floorDivide(showTime, kEventUnitMs) - (isEnd ? 1 : 0);
    if (unit < 0 || unit > kLastEventUnit) {
        throw PackSourceError(file, line,
                              "song position " + written + " is show time " + std::to_string(showTime) +
                                  " ms, which makes " + (isEnd ? "end" : "start") + " unit " +
                                  std::to_string(unit) + "; expected 0 to " + std::to_string(kLastEventUnit));
    }
    return int(unit);
}

}  // namespace lumen
