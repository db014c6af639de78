// The "key value..." files of song sources (song.txt, instruments): lines
// split into entries and "[section]" headings, and the value readers that
// reject what the stored layout cannot hold with FILE:LINE errors.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/source_text.h"
#include "synth/generator_definition.h"
#include "synth/song_codes.h"
#include "synth/song_source_format.h"
#include "synth/song_writer.h"

namespace lumen::song_source {

// The shared line and word splitters, under the names song-source code knows.
using TextLine = SourceLine;
using lumen::significantLines;
using lumen::splitWords;

struct Entry {
    int line = 0;
    std::string key;
    std::vector<std::string> values;
};

struct Section {
    std::string name;  // empty for the fields before the first heading
    int line = 0;
    std::vector<Entry> entries;
};

std::vector<Section> readSections(const std::string& file, std::string_view text);

// Reads the values of one entry, naming the file and line on every error.
class Fields {
public:
    Fields(const std::string& file, const Entry& entry) : file_(file), entry_(entry) {}

    [[noreturn]] void fail(const std::string& expected) const;
    void count(size_t n) const;  // exactly n values
    void atMost(size_t n) const;
    long integer(size_t i, long lo, long hi, const char* what) const;
    float number(size_t i, const char* what) const;
    int named(size_t i, const CodeName* table, size_t tableSize, const char* what) const;
    template <CodeCount N>
    int named(size_t i, const CodeName (&table)[N], const char* what) const {
        return named(i, table, N, what);
    }
    bool onOff(size_t i) const;
    const std::string& text(size_t i) const { return entry_.values[i]; }
    size_t size() const { return entry_.values.size(); }

private:
    const std::string& file_;
    const Entry& entry_;
};

// Fails if key appears twice in a section (repeatable keys are checked by the caller).
void rejectRepeatedKeys(const std::string& file, const Section& section, const std::vector<std::string>& repeatable);

// Compiles one instrument file into its image fields and its generator.
void compileInstrument(const std::string& file, std::string_view text, InstrumentRecord& header,
                       GeneratorDefinition& generator);

}  // namespace lumen::song_source
