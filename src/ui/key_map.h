#pragma once

#include <Qt>
#include <cstdint>

namespace dravik::ui {

// The virtual key code of a Qt key, as the game's key handlers read it: 37 to
// 40 for the arrows, 0 for every other key, which the game does not read.
std::int16_t VirtualKeyOf(int qtKey);

}  // namespace dravik::ui
