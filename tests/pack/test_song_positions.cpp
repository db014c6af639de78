// Event times written as song positions: the rounding to 10 ms units, what an
// end means, offsets, and the errors, against fixed times and against a song.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>

#include "pack/pack_model.h"
#include "pack/pack_source.h"
#include "synth/song_positions.h"

namespace lumen {
namespace {

// Show times of a few positions; (2, 0) is never played.
SongPositionTime fixedTimes(int order, int row) {
    static const std::map<std::pair<int, int>, int> times = {{{0, 0}, 57}, {{1, 2}, 1230}, {{1, 3}, 1239}};
    const auto t = times.find({order, row});
    if (t == times.end()) return {std::nullopt, "never played"};
    return {t->second, {}};
}

std::string event(const std::string& field, const std::string& time) {
    return "pack width 2\n# a cut on the beat\nevent clear " + field + " " + time + "\n";
}

// The stored unit, or the error.
std::string unitOf(const std::string& field, const std::string& time, const SongPositionLookup& lookup) {
    try {
        const EventRecord e = assemblePackSource(event(field, time), "show.pack", lookup).events.at(0);
        return std::to_string(field == "start" ? e.start : e.end);
    } catch (const PackSourceError& e) {
        return e.what();
    }
}

TEST(SongPositions, ResolveToTheUnitHoldingTheRowOrTheUnitBefore) {
    const struct {
        const char* field;
        const char* time;
        const char* expected;
    } cases[] = {
        {"start", "@0:0", "5"},  // show time 57
        {"end", "@0:0", "4"},
        {"start", "@1:2", "123"},  // on a unit boundary
        {"end", "@1:2", "122"},
        {"start", "@1:3", "123"},  // the last millisecond of the unit
        {"end", "@1:3", "122"},
        {"start", "@1:2+9", "123"},
        {"start", "@1:2+10", "124"},
        {"end", "@1:2+10", "123"},
        {"start", "@1:2-1", "122"},
        {"start", "@0:0-57", "0"},
        {"start", "@0:0-58", "show.pack:3: song position @0:0-58 is show time -1 ms, which makes start unit -1; "
                             "expected 0 to 65535"},
        {"end", "@0:0-50", "show.pack:3: song position @0:0-50 is show time 7 ms, which makes end unit -1; "
                           "expected 0 to 65535"},
        {"start", "@1:2+654129", "65535"},  // the last stored unit
        {"start", "@1:2+654130", "show.pack:3: song position @1:2+654130 is show time 655360 ms, which makes start "
                                 "unit 65536; expected 0 to 65535"},
        {"start", "@2:0", "show.pack:3: song position @2:0: never played"},
    };
    for (const auto& c : cases) EXPECT_EQ(unitOf(c.field, c.time, fixedTimes), c.expected) << c.field << " " << c.time;

    const std::string syntax = "show.pack:3: expected a song position @ORDER:ROW, @ORDER:ROW+MS or @ORDER:ROW-MS "
                               "in decimal, found '";
    for (const char* bad : {"@1", "@1:", "@1:2+", "@1:2+x", "@-1:2", "@1:2:3", "@0x1:2", "@1:2+3-4", "@@1:2"})
        EXPECT_EQ(unitOf("start", bad, fixedTimes), syntax + bad + "'") << bad;
    EXPECT_EQ(unitOf("start", "@0:0", {}), "show.pack:3: song position @0:0 needs a song to resolve against");
    EXPECT_EQ(unitOf("pass", "@0:0", fixedTimes),
              "show.pack:3: expected an integer 0 to 255 for pass of event clear; song positions such as '@0:0' "
              "are for an event's start and end");
}

// A 64-row pattern of one channel with effects on some rows.
std::string pattern(const std::map<int, std::string>& effects) {
    std::string text;
    for (int r = 0; r < 64; ++r) {
        const auto e = effects.find(r);
        text += std::to_string(r) + " | ... .. ... " + (e == effects.end() ? "..." : e->second) + "\n";
    }
    return text;
}

// The song's own clock decides: at speed 6 and tempo 125 rows start 114 or
// 115 ms apart on the renderer's clock (truncated pieces), not every 120 ms.
TEST(SongPositions, FollowTheSongsFirstPassAndNameWhatItNeverPlays) {
    SongPositionTimes song(compileSongSource({{"song.txt", "channels 1\nspeed 6\ntempo 125\npatterns a b\norders a b\n"},
                                              {"a.pattern", pattern({{3, "D02"}})},  // on to order 1 row 2
                                              {"b.pattern", pattern({})}}));
    const SongPositionLookup lookup = [&song](int order, int row) {
        PositionShowTime t = song.find(order, row);
        return SongPositionTime{t.showTimeMs, t.whyNot};
    };
    const std::pair<std::string, std::string> cases[] = {
        {"start @0:2", "28"},  // song time 229, show time 286
        {"start @1:2", "51"},  // after four rows: song time 457
        {"end @1:2", "50"},
        {"start @0:4", "show.pack:3: song position @0:4: the song never plays order 0 row 4: a pattern break or "
                       "jump skips the row"},
        {"end @1:1", "show.pack:3: song position @1:1: the song never plays order 1 row 1: a pattern break or "
                     "jump skips the row"},
        {"start @2:0", "show.pack:3: song position @2:0: order 2 is past the end of the song's order list (orders "
                       "0 to 1)"},
        {"start @0:64", "show.pack:3: song position @0:64: row 64 is past the end of a pattern (rows 0 to 63)"},
    };
    for (const auto& [written, expected] : cases) {
        const size_t space = written.find(' ');
        EXPECT_EQ(unitOf(written.substr(0, space), written.substr(space + 1), lookup), expected) << written;
    }
}

}  // namespace
}  // namespace lumen
