#include "game/form.h"

namespace dravik {

// Puts the player on the start point, Left first.
void Form::Respawn()
{
    Square.Left = kStartLeft;
    Square.Top = kStartTop;
}

// Shows every key again, in index order, counting with the given scan counter.
void Form::ShowAllKeys(std::int16_t& counter)
{
    const std::int16_t last = Key.UBound();
    counter = 0;
    while (counter <= last) {
        Key.Item(counter).Visible = true;
        Increment16(counter);
    }
}

}  // namespace dravik
