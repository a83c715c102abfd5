#pragma once

#include <Qt>
#include <cstdint>

namespace dravik::ui {

// The virtual key code the game's key handlers expect for a Qt key: 37 to 40
// for the arrows, the usual codes for letters, digits and the common keys,
// and 0 for a key with no code. Only the arrows matter to the game.
std::int16_t VirtualKeyOf(int qtKey);

// The shift state the key handlers receive: 1 Shift, 2 Ctrl, 4 Alt.
std::int16_t ShiftStateOf(Qt::KeyboardModifiers modifiers);

}  // namespace dravik::ui
