#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "game/form.h"

namespace dravik::ui {

// Passes the window's key presses and releases to the form's key handlers and
// keeps track of the arrows held down. The keyboard repeats a held key as
// release and press pairs; the repeated releases are dropped, or the player
// would stop for a moment at every repeat. A window that loses the keyboard
// never hears the releases made meanwhile, so on deactivation every arrow
// still held is released: nothing walks on with no key down.
class KeyboardRelay {
public:
    // `delivered` hears of every key event passed on, after the form has it.
    using Listener = std::function<void(bool down, std::int16_t keyCode)>;
    explicit KeyboardRelay(Form& form, Listener delivered = {}) : form_(form), delivered_(std::move(delivered)) {}

    void Press(std::int16_t keyCode, std::int16_t shift);
    void Release(std::int16_t keyCode, std::int16_t shift, bool autoRepeat);

    // Releases every arrow held, as if the player had let go of it.
    void ReleaseAll();

    bool IsHeld(std::int16_t keyCode) const;

private:
    static int ArrowSlot(std::int16_t keyCode);

    void Delivered(bool down, std::int16_t keyCode) const;

    Form& form_;
    Listener delivered_;
    std::array<bool, 4> held_{};  // Left, Up, Right, Down
};

}  // namespace dravik::ui
