// Reading and writing show times.
#include "shell/show_time_text.h"

#include <cstdio>

namespace lumen {

namespace {
// Longer than any show; keeps every sum below overflow.
constexpr long long kLongestTimeMs = 24LL * 3600 * 1000;

// Digits [. digits]: whole units and, scaled to milliseconds, the fraction.
bool readSeconds(std::string_view s, long long* ms) {
    long long whole = 0, frac = 0, scale = 1000;
    size_t k = 0;
    bool digits = false;
    for (; k < s.size() && s[k] >= '0' && s[k] <= '9'; ++k) {
        whole = whole * 10 + (s[k] - '0');
        digits = true;
        if (whole > kLongestTimeMs) return false;
    }
    if (k < s.size() && s[k] == '.') {
        ++k;
        bool fracDigits = false;
        for (; k < s.size() && s[k] >= '0' && s[k] <= '9'; ++k) {
            fracDigits = true;
            scale /= 10;
            frac += (s[k] - '0') * scale;  // digits past the millisecond add 0
        }
        if (!fracDigits) return false;
    }
    if (!digits || k != s.size()) return false;
    *ms = whole * 1000 + frac;
    return true;
}
}  // namespace

std::optional<int> parseShowTime(std::string_view text) {
    long long ms = 0;
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        if (!readSeconds(text, &ms)) return std::nullopt;
    } else {
        long long minutesMs = 0, secondsMs = 0;
        const std::string_view minutes = text.substr(0, colon), seconds = text.substr(colon + 1);
        if (minutes.empty() || minutes.find('.') != std::string_view::npos || !readSeconds(minutes, &minutesMs))
            return std::nullopt;
        if (!readSeconds(seconds, &secondsMs) || secondsMs >= 60000) return std::nullopt;
        ms = minutesMs * 60 + secondsMs;
    }
    if (ms > kLongestTimeMs) return std::nullopt;
    return static_cast<int>(ms);
}

std::string formatShowTime(int ms) {
    char text[32];
    if (ms < 0) ms = 0;
    std::snprintf(text, sizeof text, "%02d:%02d.%03d", ms / 60000, ms / 1000 % 60, ms % 1000);
    return text;
}

}  // namespace lumen
