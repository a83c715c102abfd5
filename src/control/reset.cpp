#include "game/form.h"

namespace dravik {

// The RESET command: the player back on the start, both counters to zero and
// every key shown. The balls keep their places and their way.
void Form::mnuReset_Click()
{
    Respawn();
    Deaths.Caption = "0";
    Time.Caption = "0";
    ShowAllKeys(ScanIndex);
}

}  // namespace dravik
