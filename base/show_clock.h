// The show's two fixed times: where the timeline's clock stands against the
// song's, and when the show ends. The player, the song tools and the packs share them.
#pragma once

namespace lumen {

// The timeline is drawn at the song clock plus this many milliseconds.
constexpr int kClockOffsetMs = 57;
// The first frame at this show time or later is the show's last.
constexpr int kEndOfShowMs = 512000;

}  // namespace lumen
