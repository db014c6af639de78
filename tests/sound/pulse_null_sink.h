// A private PulseAudio daemon with one null sink, for tests that need a sound
// device on machines without a sound card. It consumes audio at the real rate.
#pragma once
#include <cstddef>
#include <filesystem>
#include <string>

namespace lumen::testing {

class PulseNullSink {
public:
    // Starts the daemon in a fresh private directory and points this process's
    // PulseAudio clients (and SDL's pulseaudio driver) at it. On failure
    // running() is false and error() says why.
    PulseNullSink();
    // Asks the daemon to exit and removes its directory.
    ~PulseNullSink();
    PulseNullSink(const PulseNullSink&) = delete;
    PulseNullSink& operator=(const PulseNullSink&) = delete;

    bool running() const { return running_; }
    const std::string& error() const { return error_; }
    // The daemon's debug log so far.
    std::string log() const;
    // Log lines after byte `from` of the log that report a stream running dry.
    // A stream's start ("end of underrun") is not one of them.
    std::string underrunsSince(size_t from) const;

private:
    std::filesystem::path dir_;
    std::string server_;
    bool running_ = false;
    std::string error_;
};

}  // namespace lumen::testing
