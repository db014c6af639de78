// Reading hand-written source texts (pack sources, song sources): a cursor that
// counts lines, the line and word splitters, and the FILE:LINE error.
//
// Header-only on purpose: the pack format library links nothing, and the song
// sources live in the synthesiser; both include this and neither links the other.
#pragma once
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lumen {

// An error in a source text; what() reads "FILE:LINE: message", or
// "FILE: message" for line 0, which means the file as a whole.
class SourceError : public std::runtime_error {
public:
    SourceError(const std::string& file, int line, const std::string& message)
        : std::runtime_error(file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + message),
          file_(file),
          line_(line) {}
    const std::string& file() const { return file_; }
    int line() const { return line_; }

private:
    std::string file_;
    int line_;
};

// Walks a text one character at a time and knows the line it is on (from 1).
class SourceCursor {
public:
    explicit SourceCursor(std::string_view text) : text_(text) {}

    bool atEnd() const { return pos_ >= text_.size(); }
    int line() const { return line_; }
    // The character `ahead` places on, or '\0' past the end.
    char peek(size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }

    char take() {
        const char c = text_[pos_++];
        if (c == '\n') ++line_;
        return c;
    }

    // Spaces, tabs and carriage returns, stopping at a line break.
    void skipBlanks() {
        while (!atEnd() && isBlank(text_[pos_])) ++pos_;
    }

    // The run of characters that satisfy `accept`; it never crosses a line break.
    template <typename Accept>
    std::string_view takeWhile(Accept accept) {
        const size_t start = pos_;
        while (!atEnd() && text_[pos_] != '\n' && accept(text_[pos_])) ++pos_;
        return text_.substr(start, pos_ - start);
    }

    // The rest of the line without its "\n" or "\r\n", moving past the break.
    std::string_view takeLine() {
        std::string_view line = takeWhile([](char) { return true; });
        if (!atEnd()) take();
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    }

    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

private:
    std::string_view text_;
    size_t pos_ = 0;
    int line_ = 1;
};

struct SourceLine {
    int number;
    std::string_view text;  // without surrounding spaces and tabs
};

// The lines that say something: blank lines and lines whose first non-blank
// character is '#' are dropped, so '#' elsewhere (C#4) is plain text.
inline std::vector<SourceLine> significantLines(std::string_view text) {
    std::vector<SourceLine> lines;
    SourceCursor cursor(text);
    while (!cursor.atEnd()) {
        const int number = cursor.line();
        const std::string_view line = cursor.takeLine();
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#') continue;
        const size_t last = line.find_last_not_of(" \t");
        lines.push_back({number, line.substr(first, last - first + 1)});
    }
    return lines;
}

// The words of one line, split at spaces and tabs only.
inline std::vector<std::string_view> splitWords(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

}  // namespace lumen
