// Starting ffmpeg with a pipe on its standard input, feeding it and reaping it.
#include "video_encoder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "command.h"

namespace lumenkit {

namespace {
// What ffmpeg is told about the input and asked for: H.264 in 4:2:0 and AAC in
// MP4, which players and video sites accept; bit-exact flags keep version
// strings and timestamps out of the file, so the same frames give the same file.
constexpr const char* kAudioBitrate = "192k";
constexpr const char* kX264Presets[] = {"ultrafast", "superfast", "veryfast", "faster", "fast",
                                        "medium",    "slow",      "slower",   "veryslow", "placebo"};
// A whole frame or more waiting in the pipe, so lumenkit rarely waits on
// ffmpeg's reads (the kernel caps it at /proc/sys/fs/pipe-max-size).
constexpr int kPipeBytes = 1 << 20;
}  // namespace

bool isX264Preset(const std::string& name) {
    for (const char* p : kX264Presets)
        if (name == p) return true;
    return false;
}

std::string findFfmpeg() {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/ffmpeg";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    throw CommandError(
        "ffmpeg was not found on PATH; it encodes the video: install the Debian package ffmpeg "
        "(apt install ffmpeg), or write PNG frames with --frames DIR");
}

VideoEncoder::VideoEncoder(const std::string& ffmpeg, const std::string& outPath, const VideoSettings& s)
    : outPath_(outPath), tempPath_(outPath + ".part"), frameBytes_(size_t(s.width) * size_t(s.height) * 3) {
    const std::string size = std::to_string(s.width) + "x" + std::to_string(s.height);
    const std::string fps = std::to_string(s.fps);
    const std::string crf = std::to_string(s.crf);
    std::vector<std::string> args = {ffmpeg,
                                     "-hide_banner",
                                     "-loglevel",
                                     "error",
                                     "-nostdin",
                                     "-y",
                                     "-f",
                                     "rawvideo",
                                     "-pix_fmt",
                                     "rgb24",
                                     "-s",
                                     size,
                                     "-r",
                                     fps,
                                     "-i",
                                     "pipe:0",
                                     "-i",
                                     s.audioWav,
                                     "-map",
                                     "0:v",
                                     "-map",
                                     "1:a",
                                     "-c:v",
                                     "libx264",
                                     "-preset",
                                     s.preset,
                                     "-crf",
                                     crf,
                                     "-pix_fmt",
                                     "yuv420p",
                                     "-c:a",
                                     "aac",
                                     "-b:a",
                                     kAudioBitrate,
                                     "-fflags",
                                     "+bitexact",
                                     "-flags:v",
                                     "+bitexact",
                                     "-flags:a",
                                     "+bitexact",
                                     "-map_metadata",
                                     "-1",
                                     "-movflags",
                                     "+faststart",
                                     "-f",
                                     "mp4",
                                     tempPath_};
    // Frames read straight from GL are stored bottom-up; ffmpeg's flip only
    // turns its view of the rows, copying nothing.
    if (s.rowsBottomUp) {
        const auto at = std::find(args.begin(), args.end(), std::string("-c:v"));
        args.insert(at, {"-vf", "vflip"});
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0) throw CommandError(std::string("cannot make a pipe for ffmpeg: ") + std::strerror(errno));
    // A dying ffmpeg must show up as a write error here, not end lumenkit.
    signal(SIGPIPE, SIG_IGN);
    child_ = fork();
    if (child_ < 0) {
        close(fds[0]);
        close(fds[1]);
        throw CommandError(std::string("cannot start ffmpeg: ") + std::strerror(errno));
    }
    if (child_ == 0) {
        dup2(fds[0], STDIN_FILENO);
        close(fds[0]);
        close(fds[1]);
        execv(argv[0], argv.data());
        std::fprintf(stderr, "lumenkit: cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    close(fds[0]);
    pipe_ = fds[1];
    // Best effort: a smaller pipe only means more waiting.
    fcntl(pipe_, F_SETPIPE_SZ, kPipeBytes);
    fcntl(pipe_, F_SETFD, FD_CLOEXEC);
}

VideoEncoder::~VideoEncoder() { abandon(); }

void VideoEncoder::abandon() {
    if (pipe_ >= 0) close(pipe_);
    pipe_ = -1;
    if (child_ > 0) {
        kill(child_, SIGTERM);
        int status = 0;
        waitpid(child_, &status, 0);
        child_ = -1;
        unlink(tempPath_.c_str());
    }
}

void VideoEncoder::writeFrame(const uint8_t* rgb) {
    size_t done = 0;
    while (done < frameBytes_) {
        const ssize_t n = write(pipe_, rgb + done, frameBytes_ - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            abandon();
            throw CommandError("ffmpeg stopped taking frames (see its message above); " + outPath_ +
                               " was not written");
        }
        done += size_t(n);
    }
}

void VideoEncoder::finish() {
    close(pipe_);
    pipe_ = -1;
    int status = 0;
    while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
    }
    child_ = -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        unlink(tempPath_.c_str());
        const std::string how = WIFEXITED(status) ? "exit code " + std::to_string(WEXITSTATUS(status)) : "a signal";
        throw CommandError("ffmpeg failed (" + how + "); " + outPath_ + " was not written");
    }
    if (std::rename(tempPath_.c_str(), outPath_.c_str()) != 0) {
        const std::string why = std::strerror(errno);
        unlink(tempPath_.c_str());
        throw CommandError("cannot move the finished video to " + outPath_ + ": " + why);
    }
}

}  // namespace lumenkit
