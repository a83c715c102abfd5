#pragma once

#include "game/form.h"

namespace dravik {

// Members that cannot overlap the player are passed over side by side (see
// NextContact); every other member gets the overlap test of its own turn, with
// ScanIndex on its index, so contacts, faults and an overflow of ScanIndex
// happen at the member and in the order they always do.
template <typename OnContact>
void Form::ScanContacts(ControlGroup& group, OnContact onContact)
{
    const std::int16_t last = group.UBound();
    const Shape* side = group.Contiguous();
    ScanIndex = 0;
    while (ScanIndex <= last) {
        if (side != nullptr) {
            ScanIndex = NextContact(side, ScanIndex, last, PlayerRect);
        }
        Shape& member = group.Item(ScanIndex);
        if (Touches(member)) {
            onContact(member);
        }
        Increment16(ScanIndex);
    }
}

}  // namespace dravik
