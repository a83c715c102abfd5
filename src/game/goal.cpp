#include "game/form.h"

namespace dravik {

// The win: the player overlaps the goal while every key is hidden. The level
// restarts at once (keys shown, player on the start) and then the box opens;
// the rest of the tick runs after it is closed.
void Form::CheckGoal()
{
    BuildRect(Square, PlayerRect);
    if (!Touches(shpGoal)) {
        return;
    }
    std::int16_t InvisibleKeys = 0;
    const std::int16_t last = Key.UBound();
    ScanIndex = 0;
    while (ScanIndex <= last) {
        if (!Key.Item(ScanIndex).Visible) {
            Increment16(InvisibleKeys);
        }
        Increment16(ScanIndex);
    }
    if (InvisibleKeys != Key.Count()) {
        return;
    }
    ShowAllKeys(ScanIndex);
    Respawn();
    if (box_ != nullptr) {
        box_->Show(kWinPrompt);
    }
}

}  // namespace dravik
