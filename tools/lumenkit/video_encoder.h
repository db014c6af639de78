// The ffmpeg command-line tool as the video encoder: raw RGB frames go down a
// pipe, the sound comes from a WAV file, the MP4 appears only when ffmpeg has
// finished it (it writes a temporary file that is renamed at the end).
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace lumenkit {

// x264's speed against file size at the same quality (CRF). On the show at
// 640 x 480, veryfast takes under half medium's CPU time per frame and its
// files are no larger; ultrafast and superfast save a little more time but
// make files three to four times as large.
inline constexpr const char* kDefaultX264Preset = "veryfast";
// The presets x264 knows, fastest first.
bool isX264Preset(const std::string& name);

// The ffmpeg on PATH, or a CommandError naming the Debian package to install.
std::string findFfmpeg();

struct VideoSettings {
    int width = 0;
    int height = 0;
    int fps = 0;
    int crf = 0;
    std::string audioWav;  // the sound, as long as the frames will last
    std::string preset = kDefaultX264Preset;
    bool rowsBottomUp = false;  // frames arrive as GL reads them; ffmpeg flips them
};

class VideoEncoder {
public:
    // Starts ffmpeg; throws CommandError when it cannot be started.
    VideoEncoder(const std::string& ffmpeg, const std::string& outPath, const VideoSettings& settings);
    // Unfinished: stops ffmpeg and removes the temporary file.
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // One frame, width x height x 3 bytes, rows top-down (or bottom-up, as set).
    void writeFrame(const uint8_t* rgb);
    // Closes the pipe, waits for ffmpeg and moves the file into place; throws
    // CommandError (leaving no output) when ffmpeg failed.
    void finish();

private:
    void abandon();

    std::string outPath_;
    std::string tempPath_;
    size_t frameBytes_;
    int pipe_ = -1;
    pid_t child_ = -1;
};

}  // namespace lumenkit
