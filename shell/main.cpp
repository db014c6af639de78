// Entry point of the player `lumen`.
#include <cstdio>
#include <cstring>
#include <string>

#include "shell/frame_timings.h"
#include "shell/options.h"
#include "shell/player_controls.h"
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
                "usage: lumen [-m0|-m2|-m3] [-windowed] [--from T] [--to T] [--dev] [--timings]\n"
                "Plays the show full screen at 640 x 480 unless told otherwise.\n"
                "  -m0        320 x 240\n"
                "  -m2        800 x 600\n"
                "  -m3        1024 x 768 (wins over -m2, which wins over -m0)\n"
                "  -windowed  play in a window\n"
                "  --from T   start at show time T (seconds, or mm:ss.mmm), the music exactly there\n"
                "  --to T     end the show at show time T\n"
                "  --dev      authoring keys: Space pause/resume, Left/Right 1 s back/on,\n"
                "             PgUp/PgDn 10 s back/on, Home restart; the title shows the\n"
                "             show time and the song position (order:row)\n"
                "  --timings  at exit, print one line: start-up time (process start to\n"
                "             the first show frame), frames drawn, frame time p50/p99/max\n"
                "Escape or closing the window ends the show.\n");
            return 0;
        }
    }
    lumen::PlayerControls controls;
    std::string error;
    if (!lumen::readPlayerControls(argc, argv, &controls, &error)) {
        std::fprintf(stderr, "lumen: %s (see lumen --help)\n", error.c_str());
        return 2;
    }
    const std::string commandLine = lumen::joinCommandLine(argc, argv);
    if (!timings) return lumen::runProgram(commandLine, LUMEN_END_OF_SHOW_MS, controls);
    lumen::FrameTimings frameTimings;
    const int status = lumen::runProgram(commandLine, LUMEN_END_OF_SHOW_MS, controls, &frameTimings);
    std::printf("%s\n", frameTimings.report().c_str());
    return status;
}
