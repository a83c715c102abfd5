#pragma once

#include <ostream>

#include "ui/command_line.h"

namespace dravik::ui {

// dravik --screenshot: plays the ticks and events asked for with no window and
// writes the client area as the window paints it. Always paints offscreen,
// whatever the environment's platform, display or scale factor. Returns the
// exit status, having said on `err` what went wrong.
int RunScreenshot(const CommandLine& options, std::ostream& err);

}  // namespace dravik::ui
