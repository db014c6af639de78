// Show times as users type them: seconds ("75", "75.25") or minutes and
// seconds ("1:15", "01:15.250"), read to whole milliseconds.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace lumen {

// Nothing when the text is not such a time (or is negative or absurdly large).
std::optional<int> parseShowTime(std::string_view text);

// mm:ss.mmm, for titles and listings.
std::string formatShowTime(int ms);

}  // namespace lumen
