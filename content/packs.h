// The show's two packs as constant byte arrays compiled into the program: the
// loader pack (the loading display) and the main pack (the show).
#pragma once
#include <cstdint>
#include <span>

namespace lumen::content {

std::span<const uint8_t> loaderPack();
std::span<const uint8_t> mainPack();

}  // namespace lumen::content
