#include "game/form.h"

namespace dravik {

// Puts the player on the start point, Left first.
void Form::Respawn()
{
    Square.Left = kStartLeft;
    Square.Top = kStartTop;
}

// Shows every key again, in index order, counting with the given scan counter.
// Keys side by side are shown in one pass, the counter left where the scan
// leaves it; a gap, or a last index the counter cannot pass, takes the scan
// one key at a time, to fail where it fails.
void Form::ShowAllKeys(std::int16_t& counter)
{
    const std::int16_t last = Key.UBound();
    Shape* keys = Key.Contiguous();
    if (keys != nullptr && last < INT16_MAX) {
#pragma GCC unroll 8  // a store a key: unrolled, two stores go out each cycle
        for (int k = 0; k <= last; ++k) {
            keys[k].Visible = true;
        }
        counter = static_cast<std::int16_t>(last + 1);
        return;
    }
    counter = 0;
    while (counter <= last) {
        Key.Item(counter).Visible = true;
        Increment16(counter);
    }
}

}  // namespace dravik
