#include "game/contact_scan.h"

namespace dravik {

// Hides every key the player touches. Hidden keys are tested and hidden again.
void Form::CheckKeys()
{
    BuildRect(Square, PlayerRect);
    ScanContacts(Key, [](Shape& key) { key.Visible = false; });
}

}  // namespace dravik
