// The process-wide log sink behind logMessage, with stderr as the default.
#include "base/log.h"

#include <cstdio>
#include <utility>

namespace lumen {

namespace {

void writeToStderr(LogLevel, std::string_view message) {
    std::fwrite(message.data(), 1, message.size(), stderr);
    std::fputc('\n', stderr);
}

LogSink& currentSink() {
    static LogSink sink = writeToStderr;
    return sink;
}

}  // namespace

void logMessage(LogLevel level, std::string_view message) { currentSink()(level, message); }

LogSink setLogSink(LogSink sink) {
    LogSink previous = std::exchange(currentSink(), sink ? std::move(sink) : LogSink(writeToStderr));
    return previous;
}

}  // namespace lumen
