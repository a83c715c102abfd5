#include "ui/key_map.h"

#include "game/form.h"

namespace dravik::ui {

std::int16_t VirtualKeyOf(int qtKey)
{
    switch (qtKey) {
        case Qt::Key_Left: return vbKeyLeft;
        case Qt::Key_Up: return vbKeyUp;
        case Qt::Key_Right: return vbKeyRight;
        case Qt::Key_Down: return vbKeyDown;
        default: return 0;
    }
}

}  // namespace dravik::ui
