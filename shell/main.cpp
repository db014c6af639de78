// Entry point of the player `lumen`.
#include <cstdio>
#include <cstring>

#include "shell/frame_timings.h"
#include "shell/options.h"
#include "shell/program.h"

#ifndef LUMEN_END_OF_SHOW_MS
#define LUMEN_END_OF_SHOW_MS lumen::kEndOfShowMs
#endif

int main(int argc, char** argv) {
    // Whole arguments only, unlike the display options: no program path or
    // other argument can turn the report on.
    bool timings = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--timings") == 0) timings = true;
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf(
                "usage: lumen [-m0|-m2|-m3] [-windowed] [--timings]\n"
                "Plays the show full screen at 640 x 480 unless told otherwise.\n"
                "  -m0        320 x 240\n"
                "  -m2        800 x 600\n"
                "  -m3        1024 x 768 (wins over -m2, which wins over -m0)\n"
                "  -windowed  play in a window\n"
                "  --timings  at exit, print one line: start-up time (process start to\n"
                "             the first show frame), frames drawn, frame time p50/p99/max\n"
                "Escape or closing the window ends the show.\n");
            return 0;
        }
    }
    if (!timings) return lumen::runProgram(lumen::joinCommandLine(argc, argv), LUMEN_END_OF_SHOW_MS);
    lumen::FrameTimings frameTimings;
    const int status = lumen::runProgram(lumen::joinCommandLine(argc, argv), LUMEN_END_OF_SHOW_MS, &frameTimings);
    std::printf("%s\n", frameTimings.report().c_str());
    return status;
}
