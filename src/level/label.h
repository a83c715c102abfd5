#pragma once

#include <string>

#include "level/layout.h"

namespace dravik {

// A text label of the counter display. The counters hold their number only as
// this caption text.
struct Label {
    std::string Caption;
    const LabelRow* layout = nullptr;  // where and how it is drawn
};

}  // namespace dravik
