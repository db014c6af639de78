// Starting and stopping the private PulseAudio daemon through its command-line
// tools, and reading its log.
#include "pulse_null_sink.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "support/tool_run.h"

namespace lumen::testing {

namespace {
// Polls `done` every `step` for up to ten seconds; whether it came true.
template <typename Done>
bool waitUntil(Done done, std::chrono::milliseconds step) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (; std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(step))
        if (done()) return true;
    return false;
}
}  // namespace

PulseNullSink::PulseNullSink() {
    if (runCommand("command -v pulseaudio && command -v pactl").status != 0) {
        error_ = "pulseaudio is not installed (Debian package pulseaudio)";
        return;
    }
    char pattern[] = "/tmp/lumen-pulse-XXXXXX";
    if (!mkdtemp(pattern)) {
        error_ = "cannot make a directory for the sound server";
        return;
    }
    dir_ = pattern;
    chmod(dir_.c_str(), 0700);  // PulseAudio refuses a runtime directory others can enter
    const std::string socket = (dir_ / "native").string();
    server_ = "unix:" + socket;
    // Everything the daemon keeps (cookie, pid file, state) goes into the
    // private directory; anonymous access on the private socket needs no cookie.
    const std::string env =
        "HOME='" + dir_.string() + "' XDG_RUNTIME_DIR='" + dir_.string() + "' XDG_CONFIG_HOME='" + dir_.string() + "' ";
    const auto started = runCommand(env +
                                    "pulseaudio --daemonize=yes --exit-idle-time=-1 -n --log-level=debug --log-time=1 "
                                    "--log-target=file:'" +
                                    (dir_ / "pulse.log").string() +
                                    "' --load='module-null-sink sink_name=lumen_null' "
                                    "--load='module-native-protocol-unix auth-anonymous=1 socket=" +
                                    socket + "'");
    if (started.status != 0) {
        error_ = "pulseaudio did not start: " + started.output;
        return;
    }
    setenv("PULSE_SERVER", server_.c_str(), 1);
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    running_ = waitUntil(
        [] {
            const auto sinks = runCommand("pactl list short sinks");
            return sinks.status == 0 && sinks.output.find("lumen_null") != std::string::npos;
        },
        std::chrono::milliseconds(100));
    if (!running_) error_ = "the null sink did not appear within 10 s";
}

PulseNullSink::~PulseNullSink() {
    if (!server_.empty() && runCommand("pactl exit").status == 0) {
        // The daemon removes its pid file as it goes; removing the directory
        // before that would leave the daemon recreating parts of it.
        waitUntil([&] { return !std::filesystem::exists(dir_ / "pulse" / "pid"); }, std::chrono::milliseconds(20));
    }
    if (!dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
}

std::string PulseNullSink::log() const {
    const std::vector<uint8_t> bytes = readBytes(dir_ / "pulse.log");
    return {bytes.begin(), bytes.end()};
}

std::string PulseNullSink::underrunsSince(size_t from) const {
    const std::string all = log();
    std::istringstream in(from < all.size() ? all.substr(from) : std::string());
    std::string line, found;
    while (std::getline(in, line)) {
        std::string lower = line;
        for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (lower.find("underrun") != std::string::npos && lower.find("end of underrun") == std::string::npos)
            found += line + "\n";
    }
    return found;
}

}  // namespace lumen::testing
