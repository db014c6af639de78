// The show played from any show time, and with --dev as an authoring tool:
// Space pauses picture and sound, Left/Right seek a second, PgUp/PgDn ten,
// Home restarts, and the title shows the show time and the song position.
#pragma once
#include "platform/display.h"
#include "shell/loading.h"
#include "shell/main_loop.h"
#include "shell/player_controls.h"
#include "timeline/event_player.h"

namespace lumen {

// Takes over after loading, in place of the plain soundtrack and frame loop;
// returns the process exit code.
int runAuthoringShow(ShellState& state, platform::Display& display, EventPlayer& player, LoadingSequence& loading,
                     const PlayerControls& controls, int endOfShow);

}  // namespace lumen
