// Running lumenkit and other commands from tests as a user would, and whole-file
// reads and writes: one copy for every suite that drives the toolkit.
#pragma once
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

namespace lumen::testing {

struct CommandResult {
    int status = -1;     // the exit code, or -1 when the command did not exit normally
    std::string output;  // stdout and stderr together, or stderr alone when asked
};

enum class Capture { Both, ErrorsOnly };

inline CommandResult runCommand(const std::string& command, Capture capture = Capture::Both) {
    CommandResult r;
    std::FILE* pipe = popen((command + (capture == Capture::Both ? " 2>&1" : " 2>&1 >/dev/null")).c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.output.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// The lumenkit under test: LUMENKIT (the test main sets it), else the build's own.
inline CommandResult runLumenkit(const std::string& args, Capture capture = Capture::Both) {
    const char* tool = std::getenv("LUMENKIT");
    return runCommand(std::string(tool && *tool ? tool : LUMEN_BINARY_DIR "/tools/lumenkit/lumenkit") + " " + args,
                      capture);
}

inline std::vector<uint8_t> readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
}

}  // namespace lumen::testing
