// The Windows virtual-key codes that window events carry and the player reads:
// Escape ends the show; the rest are the authoring keys of lumen --dev.
#pragma once

namespace lumen::platform {

constexpr int kKeyEscape = 0x1B;
constexpr int kKeySpace = 0x20;
constexpr int kKeyPageUp = 0x21;
constexpr int kKeyPageDown = 0x22;
constexpr int kKeyHome = 0x24;
constexpr int kKeyLeft = 0x25;
constexpr int kKeyUp = 0x26;
constexpr int kKeyRight = 0x27;
constexpr int kKeyDown = 0x28;

}  // namespace lumen::platform
