#include "run/event.h"

#include "game/form.h"

namespace dravik::run {

bool IsArrow(std::uint16_t keyCode)
{
    return keyCode >= vbKeyLeft && keyCode <= vbKeyDown;
}

void Apply(Form& form, const Event& event)
{
    const auto code = static_cast<std::int16_t>(event.keyCode);  // 16-bit, as the window passes it
    switch (event.kind) {
        case EventKind::KeyDown: form.Form_KeyDown(code, 0); break;
        case EventKind::KeyUp: form.Form_KeyUp(code, 0); break;
        case EventKind::Reset: form.mnuReset_Click(); break;
        case EventKind::Clock: form.tmrTime_Timer(); break;
    }
}

}  // namespace dravik::run
