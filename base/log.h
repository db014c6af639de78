// Engine messages: engine code never prints; it reports through logMessage,
// and each program (player, tools, tests) points the sink where it wants.
#pragma once
#include <functional>
#include <string_view>

namespace lumen {

enum class LogLevel { Info, Warning, Error };

// Receives one message, without a trailing newline.
using LogSink = std::function<void(LogLevel, std::string_view)>;

// Hands the message to the current sink. The default sink writes the message
// and a newline to stderr, whatever the level.
void logMessage(LogLevel level, std::string_view message);

// Replaces the sink and returns the previous one; an empty sink restores the
// default. Set it before starting threads that log: the sink is not locked.
LogSink setLogSink(LogSink sink);

}  // namespace lumen
