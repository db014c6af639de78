// Sections and bounded value readers for the "key value" files of song sources.
// Numbers are parsed exactly (from_chars), so a printed float reads back to its bits.
#include "synth/song_source_fields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace lumen::song_source {

std::vector<Section> readSections(const std::string& file, std::string_view text) {
    std::vector<Section> sections(1);
    for (const SourceLine& line : significantLines(text)) {
        if (line.text.front() == '[') {
            if (line.text.back() != ']' || line.text.size() < 3)
                throw SongSourceError(
                    file, line.number,
                    "expected a section heading such as [sample], got '" + std::string(line.text) + "'");
            sections.push_back({std::string(line.text.substr(1, line.text.size() - 2)), line.number, {}});
            continue;
        }
        const std::vector<std::string_view> words = splitWords(line.text);
        Entry e;
        e.line = line.number;
        e.key = std::string(words[0]);
        for (size_t i = 1; i < words.size(); ++i) e.values.emplace_back(words[i]);
        sections.back().entries.push_back(std::move(e));
    }
    return sections;
}

void Fields::fail(const std::string& expected) const {
    throw SongSourceError(file_, entry_.line, entry_.key + ": expected " + expected);
}

void Fields::count(size_t n) const {
    if (entry_.values.size() != n)
        fail(std::to_string(n) + (n == 1 ? " value" : " values") + ", got " + std::to_string(entry_.values.size()));
}

void Fields::atMost(size_t n) const {
    if (entry_.values.size() > n)
        fail("at most " + std::to_string(n) + " values, got " + std::to_string(entry_.values.size()));
}

long Fields::integer(size_t i, long lo, long hi, const char* what) const {
    const std::string& s = entry_.values.at(i);
    long v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi)
        fail(std::string(what) + " from " + std::to_string(lo) + " to " + std::to_string(hi) + ", got '" + s + "'");
    return v;
}

float Fields::number(size_t i, const char* what) const {
    const std::string& s = entry_.values.at(i);
    float v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v))
        fail(std::string(what) + " as a finite number, got '" + s + "'");
    return v;
}

int Fields::named(size_t i, const CodeName* table, size_t tableSize, const char* what) const {
    const std::string& s = entry_.values.at(i);
    std::string names;
    for (size_t k = 0; k < tableSize; ++k) {
        if (s == table[k].name) return table[k].code;
        names += (k ? ", " : "") + std::string(table[k].name);
    }
    fail(std::string(what) + ": one of " + names + ", got '" + s + "'");
}

bool Fields::onOff(size_t i) const {
    const std::string& s = entry_.values.at(i);
    if (s != "on" && s != "off") fail("on or off, got '" + s + "'");
    return s == "on";
}

void rejectRepeatedKeys(const std::string& file, const Section& section, const std::vector<std::string>& repeatable) {
    for (size_t i = 0; i < section.entries.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (section.entries[i].key == section.entries[j].key &&
                std::find(repeatable.begin(), repeatable.end(), section.entries[i].key) == repeatable.end())
                throw SongSourceError(file, section.entries[i].line,
                                      section.entries[i].key + ": expected once, given again (first on line " +
                                          std::to_string(section.entries[j].line) + ")");
}

}  // namespace lumen::song_source
