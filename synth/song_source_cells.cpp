// The tracker cell notation: notes C-0..B-7 and === key off, decimal
// instrument numbers, volume-column letters as XM trackers show them, and
// effect letters with a hex parameter (or the command's name).
#include "synth/song_source_cells.h"

#include <array>
#include <cstdio>
#include <vector>

#include "base/source_text.h"
#include "synth/song_codes.h"

namespace lumen {

namespace {

constexpr const char* kNoteNames[12] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};
constexpr int kSemitones = 12;
constexpr int kOctaves = 8;

// Volume-column commands as letters; the value after the letter is the low nibble.
struct VolumeLetter {
    uint8_t command;
    char letter;
};
constexpr VolumeLetter kVolumeLetters[] = {
    {volcmd::VolSlideDown, 'd'},  {volcmd::VolSlideUp, 'c'}, {volcmd::FineVolDown, 'b'}, {volcmd::FineVolUp, 'a'},
    {volcmd::VibratoSpeed, 'u'},  {volcmd::Vibrato, 'h'},    {volcmd::SetPanning, 'p'},  {volcmd::PanSlideLeft, 'l'},
    {volcmd::PanSlideRight, 'r'}, {volcmd::TonePorta, 'g'},
};
constexpr char kSetVolumeLetter = 'v';
constexpr int kLastEffectLetter = 35;  // Z

bool isEmpty(std::string_view s) { return s == ".." || s == "..."; }

// A decimal number of 1..3 digits within [lo, hi], or -1.
int decimal(std::string_view s, int lo, int hi) {
    if (s.empty() || s.size() > 3) return -1;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v >= lo && v <= hi ? v : -1;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int hexByte(std::string_view s) {
    if (s.size() != 2) return -1;
    const int hi = hexDigit(s[0]), lo = hexDigit(s[1]);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

std::string parseNote(std::string_view s, uint8_t& out) {
    if (s == "...") return out = note::None, "";
    if (s == "===") return out = note::KeyOffStored, "";
    if (s.size() == 3 && s[2] >= '0' && s[2] < '0' + kOctaves)
        for (int i = 0; i < kSemitones; ++i)
            if (s.substr(0, 2) == kNoteNames[i]) return out = uint8_t((s[2] - '0') * kSemitones + i + 1), "";
    return "a note C-0..B-7 (C-4, C#4), === for key off or ... for none";
}

std::string parseVolume(std::string_view s, uint8_t& out) {
    if (isEmpty(s)) return out = 0, "";
    const size_t colon = s.find(':');
    if (colon != std::string_view::npos) {
        const int command = codeOfName(kVolumeCommandNames, s.data(), colon);
        const int x = decimal(s.substr(colon + 1), 0, 15);
        if (command >= 0 && x >= 0) return out = uint8_t(command << 4 | x), "";
    } else if (s.size() >= 2 && s[0] == kSetVolumeLetter) {
        const int v = decimal(s.substr(1), 0, kVolumeColumnSetLast - kVolumeColumnSetFirst);
        if (v >= 0) return out = uint8_t(kVolumeColumnSetFirst + v), "";
    } else if (s.size() >= 2) {
        for (const VolumeLetter& l : kVolumeLetters) {
            const int x = decimal(s.substr(1), 0, 15);
            if (l.letter == s[0] && x >= 0) return out = uint8_t(l.command << 4 | x), "";
        }
    }
    return "a volume column: v00..v64, a command letter (a b c d g h l p r u) with 0..15, a name such as "
           "FineVolUp:1, or .. for none";
}

std::string parseEffect(std::string_view s, uint8_t& type, uint8_t& parameter) {
    if (isEmpty(s)) return type = parameter = 0, "";
    const size_t colon = s.find(':');
    int code = -1, p = -1;
    if (colon != std::string_view::npos) {
        code = codeOfName(kEffectNames, s.data(), colon);
        p = hexByte(s.substr(colon + 1));
    } else if (s.size() == 3) {
        const char c = s[0];
        code = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'Z' ? c - 'A' + 10 : -1;
        p = hexByte(s.substr(1));
    }
    if (code < 0 || p < 0)
        return "an effect: a letter 0-9/A-Z and two hex digits (A0F), a name such as VolSlide:0F, "
               "or ... for none";
    type = uint8_t(code);
    parameter = uint8_t(p);
    return "";
}

}  // namespace

std::string parseCellText(std::string_view text, Cell& out) {
    const std::vector<std::string_view> fields = splitWords(text);
    if (fields.size() != 4)
        return "four fields (note instrument volume effect, e.g. C-4 03 v40 A0F), got " + std::to_string(fields.size());
    std::string e = parseNote(fields[0], out.note);
    if (!e.empty()) return e + ", got '" + std::string(fields[0]) + "'";
    if (isEmpty(fields[1])) {
        out.instrument = 0;
    } else {
        const int v = decimal(fields[1], 1, kLastInstrumentNumber);
        if (v < 0) return "an instrument 1..128 or .. for none, got '" + std::string(fields[1]) + "'";
        out.instrument = uint8_t(v);
    }
    e = parseVolume(fields[2], out.volume);
    if (!e.empty()) return e + ", got '" + std::string(fields[2]) + "'";
    e = parseEffect(fields[3], out.effect, out.parameter);
    if (!e.empty()) return e + ", got '" + std::string(fields[3]) + "'";
    return "";
}

std::string cellText(const Cell& c) {
    std::string s;
    if (c.note == note::None)
        s = "...";
    else if (c.note == note::KeyOffStored)
        s = "===";
    else if (c.note <= note::Last)
        s = std::string(kNoteNames[(c.note - 1) % kSemitones]) + char('0' + (c.note - 1) / kSemitones);
    else
        return "";
    char buf[8];
    if (c.instrument == 0)
        s += " ..";
    else if (c.instrument <= kLastInstrumentNumber)
        std::snprintf(buf, sizeof buf, " %02d", c.instrument), s += buf;
    else
        return "";
    const int command = c.volume >> 4, x = c.volume & 15;
    if (c.volume == 0) {
        s += " ...";
    } else if (c.volume >= kVolumeColumnSetFirst && c.volume <= kVolumeColumnSetLast) {
        std::snprintf(buf, sizeof buf, " v%02d", c.volume - kVolumeColumnSetFirst);
        s += buf;
    } else {
        char letter = 0;
        for (const VolumeLetter& l : kVolumeLetters)
            if (l.command == command) letter = l.letter;
        if (letter == 0) return "";
        std::snprintf(buf, sizeof buf, " %c%02d", letter, x);
        s += buf;
    }
    if (c.effect == 0 && c.parameter == 0) return s + " ...";
    if (c.effect > kLastEffectLetter) return "";
    const char letter = c.effect < 10 ? char('0' + c.effect) : char('A' + c.effect - 10);
    std::snprintf(buf, sizeof buf, " %c%02X", letter, c.parameter);
    return s + buf;
}

}  // namespace lumen
