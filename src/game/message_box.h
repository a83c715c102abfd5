#pragma once

#include <string_view>

namespace dravik {

// The modal message box the goal opens. The window shows a real box and
// returns when the player closes it; headless code just notes it.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual void Show(std::string_view prompt) = 0;
};

}  // namespace dravik
