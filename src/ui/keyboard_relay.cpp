#include "ui/keyboard_relay.h"

namespace dravik::ui {

int KeyboardRelay::ArrowSlot(std::int16_t keyCode)
{
    return keyCode >= vbKeyLeft && keyCode <= vbKeyDown ? keyCode - vbKeyLeft : -1;
}

void KeyboardRelay::Press(std::int16_t keyCode, std::int16_t shift)
{
    if (const int slot = ArrowSlot(keyCode); slot >= 0) {
        held_[static_cast<std::size_t>(slot)] = true;
    }
    form_.Form_KeyDown(keyCode, shift);
    Delivered(true, keyCode);
}

void KeyboardRelay::Release(std::int16_t keyCode, std::int16_t shift, bool autoRepeat)
{
    if (autoRepeat) {
        return;
    }
    if (const int slot = ArrowSlot(keyCode); slot >= 0) {
        held_[static_cast<std::size_t>(slot)] = false;
    }
    form_.Form_KeyUp(keyCode, shift);
    Delivered(false, keyCode);
}

void KeyboardRelay::ReleaseAll()
{
    for (std::size_t slot = 0; slot < held_.size(); ++slot) {
        if (held_[slot]) {
            held_[slot] = false;
            const auto code = static_cast<std::int16_t>(vbKeyLeft + static_cast<int>(slot));
            form_.Form_KeyUp(code, 0);
            Delivered(false, code);
        }
    }
}

void KeyboardRelay::Delivered(bool down, std::int16_t keyCode) const
{
    if (delivered_) {
        delivered_(down, keyCode);
    }
}

bool KeyboardRelay::IsHeld(std::int16_t keyCode) const
{
    const int slot = ArrowSlot(keyCode);
    return slot >= 0 && held_[static_cast<std::size_t>(slot)];
}

}  // namespace dravik::ui
