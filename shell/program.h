// The player program: start-up, the frame loop on the real window, shutdown.
#pragma once
#include <string>

#include "shell/main_loop.h"

namespace lumen {

class FrameTimings;

// Runs the whole show for this command line; returns the process exit code.
// Errors are one line on stderr. endOfShow exists for tests of the player.
// With timings, every show frame on screen is recorded there.
int runProgram(const std::string& commandLine, int endOfShow = kEndOfShowMs, FrameTimings* timings = nullptr);

}  // namespace lumen
