// The player program: start-up, the frame loop on the real window, shutdown.
#pragma once
#include <string>

#include "shell/main_loop.h"
#include "shell/player_controls.h"

namespace lumen {

class FrameTimings;

// Runs the whole show for this command line; returns the process exit code.
// Errors are one line on stderr. endOfShow exists for tests of the player.
// With time controls that start anywhere but the top (or --dev), the show
// plays from the seekable soundtrack instead, through the same frame loop;
// --to ends it earlier. With timings, every show frame drawn and shown is
// recorded there, in every mode.
int runProgram(const std::string& commandLine, int endOfShow = kEndOfShowMs, const PlayerControls& controls = {},
               FrameTimings* timings = nullptr);

}  // namespace lumen
