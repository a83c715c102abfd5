#include "game/form.h"

namespace dravik {

// The arrow keys set the player's step on their axis; the step itself is
// taken by the tick. Within an axis the latest key-down wins, and a key-up of
// either key of an axis stops it. Modifiers make no difference.
void Form::Form_KeyDown(std::int16_t KeyCode, std::int16_t /*Shift*/)
{
    if (KeyCode == vbKeyRight) {
        MoveX = kPlayerStep;
    } else if (KeyCode == vbKeyLeft) {
        MoveX = -kPlayerStep;
    }
    if (KeyCode == vbKeyDown) {
        MoveY = kPlayerStep;
    } else if (KeyCode == vbKeyUp) {
        MoveY = -kPlayerStep;
    }
}

void Form::Form_KeyUp(std::int16_t KeyCode, std::int16_t /*Shift*/)
{
    if (KeyCode == vbKeyRight || KeyCode == vbKeyLeft) {
        MoveX = 0;
    }
    if (KeyCode == vbKeyDown || KeyCode == vbKeyUp) {
        MoveY = 0;
    }
}

}  // namespace dravik
