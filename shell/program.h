// The player program: start-up, the frame loop on the real window, shutdown.
#pragma once
#include <string>

#include "shell/main_loop.h"

namespace lumen {

// Runs the whole show for this command line; returns the process exit code.
// Errors are one line on stderr. endOfShow exists for tests of the player.
int runProgram(const std::string& commandLine, int endOfShow = kEndOfShowMs);

}  // namespace lumen
