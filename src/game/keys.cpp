#include "game/form.h"

namespace dravik {

// Hides every key the player touches. Hidden keys are tested and hidden again.
void Form::CheckKeys()
{
    PlayerRect = RectOf(Square);
    const std::int16_t last = Key.UBound();
    ScanIndex = 0;
    while (ScanIndex <= last) {
        Shape& key = Key.Item(ScanIndex);
        if (Touches(key)) {
            key.Visible = false;
        }
        Increment16(ScanIndex);
    }
}

}  // namespace dravik
