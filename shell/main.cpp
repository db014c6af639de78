// Entry point of the player `lumen`.
#include <cstdio>
#include <cstring>

#include "shell/options.h"
#include "shell/program.h"

#ifndef LUMEN_END_OF_SHOW_MS
#define LUMEN_END_OF_SHOW_MS lumen::kEndOfShowMs
#endif

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf(
                "usage: lumen [-m0|-m2|-m3] [-windowed]\n"
                "Plays the show full screen at 640 x 480 unless told otherwise.\n"
                "  -m0        320 x 240\n"
                "  -m2        800 x 600\n"
                "  -m3        1024 x 768 (wins over -m2, which wins over -m0)\n"
                "  -windowed  play in a window\n"
                "Escape or closing the window ends the show.\n");
            return 0;
        }
    }
    return lumen::runProgram(lumen::joinCommandLine(argc, argv), LUMEN_END_OF_SHOW_MS);
}
