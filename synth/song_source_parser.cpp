// Compiling a song source: song.txt (header, names, order list), the pattern
// files (64 rows of tracker cells) and the instrument files, into the song
// image, the five pattern planes and the generator definitions.
#include <algorithm>
#include <string>

#include "synth/definition_writer.h"
#include "synth/song_source_cells.h"
#include "synth/song_source_fields.h"
#include "synth/song_writer.h"

namespace lumen {

namespace {

using song_source::Entry;
using song_source::Fields;
using song_source::Section;

constexpr CodeName kSongFlagNames[] = {{songflag::LinearFrequency, "LinearFrequency"}};
constexpr int kMaxSpeed = kSpeedTempoSplit - 1;  // what a SetSpeed effect can set
constexpr int kMinTempo = kSpeedTempoSplit;
constexpr int kMaxTempo = 255;

struct Header {
    SongLayout layout;
    std::vector<std::string> patterns, instruments;
    int patternsLine = 0, instrumentsLine = 0;
};

bool validName(const std::string& s) {
    return !s.empty() &&
           s.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-") == std::string::npos;
}

std::vector<std::string> names(const Fields& f, size_t most, const char* what) {
    f.atMost(most);
    std::vector<std::string> out;
    for (size_t i = 0; i < f.size(); ++i) {
        if (!validName(f.text(i)))
            f.fail(std::string(what) + " names of letters, digits, _ and -, got '" + f.text(i) + "'");
        for (const std::string& n : out)
            if (n == f.text(i)) f.fail(std::string(what) + " names that differ, got '" + n + "' twice");
        out.push_back(f.text(i));
    }
    return out;
}

void headerField(const Fields& f, const Entry& e, Header& h, std::vector<const Entry*>& orderEntries) {
    SongLayout& l = h.layout;
    if (e.key == "patterns") {
        h.patterns = names(f, kMaxSourcePatterns, "pattern");
        h.patternsLine = e.line;
    } else if (e.key == "instruments") {
        h.instruments = names(f, kMaxSourceInstruments, "instrument");
        h.instrumentsLine = e.line;
    } else if (e.key == "orders") {
        orderEntries.push_back(&e);
    } else if (e.key == "flags") {
        l.flags = 0;
        if (!(f.size() == 1 && f.text(0) == "none"))
            for (size_t i = 0; i < f.size(); ++i) l.flags = int16_t(l.flags | f.named(i, kSongFlagNames, "a flag"));
    } else {
        f.count(1);
        if (e.key == "channels")
            l.channels = int16_t(f.integer(0, 1, kMaxSongChannelsInSource, "a channel count"));
        else if (e.key == "speed")
            l.defaultSpeed = int16_t(f.integer(0, 1, kMaxSpeed, "ticks per row"));
        else if (e.key == "tempo")
            l.defaultTempo = int16_t(f.integer(0, kMinTempo, kMaxTempo, "a tempo in BPM"));
        else if (e.key == "restart")
            l.restartPosition = int16_t(f.integer(0, 0, kMaxSourceOrders - 1, "an order"));
        else
            f.fail("a field: channels, speed, tempo, restart, flags, patterns, instruments or orders");
    }
}

// Order entries are pattern numbers or names; "orders" may span several lines.
void readOrders(const std::string& file, const std::vector<const Entry*>& entries, Header& h) {
    for (const Entry* e : entries) {
        const Fields f(file, *e);
        for (size_t i = 0; i < f.size(); ++i) {
            if (h.layout.orders.size() == size_t(kMaxSourceOrders)) f.fail("at most 256 order entries");
            int number = -1;
            for (size_t p = 0; p < h.patterns.size(); ++p)
                if (h.patterns[p] == f.text(i)) number = int(p);
            if (number < 0) number = int(f.integer(i, 0, long(h.patterns.size()) - 1, "a pattern name or number"));
            h.layout.orders.push_back(uint8_t(number));
        }
    }
}

Header compileHeader(const std::string& file, std::string_view text) {
    const std::vector<Section> sections = song_source::readSections(file, text);
    if (sections.size() > 1) throw SongSourceError(file, sections[1].line, "expected no sections in the song header");
    song_source::rejectRepeatedKeys(file, sections[0], {"orders"});
    Header h;
    h.layout.channels = 0;
    std::vector<const Entry*> orderEntries;
    for (const Entry& e : sections[0].entries) headerField(Fields(file, e), e, h, orderEntries);
    const int last = sections[0].entries.empty() ? 1 : sections[0].entries.back().line;
    if (h.layout.channels == 0) throw SongSourceError(file, last, "expected a channels line (1..18)");
    if (h.patterns.empty()) throw SongSourceError(file, last, "expected a patterns line naming at least one pattern");
    readOrders(file, orderEntries, h);
    if (h.layout.orders.empty()) throw SongSourceError(file, last, "expected an orders line with at least one entry");
    if (h.layout.restartPosition >= int(h.layout.orders.size()))
        throw SongSourceError(file, last,
                              "expected a restart position below the " + std::to_string(h.layout.orders.size()) +
                                  " order entries, got " + std::to_string(h.layout.restartPosition));
    h.layout.patterns = int16_t(h.patterns.size());
    return h;
}

void compilePattern(const std::string& file, std::string_view text, int channels, int pattern,
                    PatternPlaneWriter& planes) {
    int row = 0, lastLine = 0;
    for (const SourceLine& line : significantLines(text)) {
        lastLine = line.number;
        if (row == kRowsPerPattern) throw SongSourceError(file, line.number, "expected at most 64 rows per pattern");
        const size_t bar = line.text.find('|');
        const std::string number(line.text.substr(0, bar == std::string_view::npos ? line.text.size() : bar));
        const auto words = splitWords(number);
        const bool numbered = words.size() == 1 && words[0].size() <= 2 &&
                              words[0].find_first_not_of("0123456789") == std::string_view::npos &&
                              std::stoi(std::string(words[0])) == row;
        if (!numbered)
            throw SongSourceError(
                file, line.number,
                "expected row " + std::to_string(row) + " and '|' before its cells, got '" + number + "'");
        std::vector<std::string_view> cells;
        for (std::string_view rest = line.text.substr(std::min(bar + 1, line.text.size()));;) {
            const size_t next = rest.find('|');
            cells.push_back(rest.substr(0, next));
            if (next == std::string_view::npos) break;
            rest = rest.substr(next + 1);
        }
        if (cells.size() > 1 && splitWords(cells.back()).empty()) cells.pop_back();  // a closing '|'
        if (bar == std::string_view::npos || cells.size() != size_t(channels))
            throw SongSourceError(file, line.number,
                                  "expected a cell for each of the song's " + std::to_string(channels) +
                                      " channels, got " +
                                      std::to_string(bar == std::string_view::npos ? 0 : cells.size()));
        for (int ch = 0; ch < channels; ++ch) {
            Cell cell;
            const std::string error = parseCellText(cells[size_t(ch)], cell);
            if (!error.empty())
                throw SongSourceError(file, line.number, "channel " + std::to_string(ch + 1) + ": expected " + error);
            planes.set(pattern, row, ch, cell);
        }
        ++row;
    }
    if (row < kRowsPerPattern)
        throw SongSourceError(file, lastLine, "expected 64 rows, the pattern ends after " + std::to_string(row));
}

const std::string& fileText(const SongSourceFiles& files, const std::string& name, int line) {
    const auto it = files.find(name);
    if (it == files.end())
        throw SongSourceError(kSongHeaderFile, line, "expected a file " + name + " in the song folder");
    return it->second;
}

}  // namespace

StoredSong compileSongSource(const SongSourceFiles& files) {
    const auto headerFile = files.find(kSongHeaderFile);
    if (headerFile == files.end()) throw SongSourceError(kSongHeaderFile, 0, "expected a song header file");
    Header h = compileHeader(kSongHeaderFile, headerFile->second);
    PatternPlaneWriter planes(h.layout.patterns);
    for (size_t p = 0; p < h.patterns.size(); ++p) {
        const std::string name = h.patterns[p] + kPatternExtension;
        compilePattern(name, fileText(files, name, h.patternsLine), h.layout.channels, int(p), planes);
    }
    StoredSong song;
    for (const std::string& instrument : h.instruments) {
        const std::string name = instrument + kInstrumentExtension;
        InstrumentRecord header;
        GeneratorDefinition d;
        song_source::compileInstrument(name, fileText(files, name, h.instrumentsLine), header, d);
        h.layout.instruments.push_back(header);
        const std::vector<uint8_t> bytes = packGeneratorDefinition(d);
        song.definitions.insert(song.definitions.end(), bytes.begin(), bytes.end());
    }
    song.image = writeSongImage(h.layout);
    song.planes = planes.bytes();
    return song;
}

}  // namespace lumen
