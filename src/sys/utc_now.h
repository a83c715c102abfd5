#pragma once

#include <string>

namespace dravik::sys {

// The time now, in UTC, as "2026-12-08T23:44:23Z": when a recording was
// made. Front ends call it; the game itself reads no clock.
std::string UtcNow();

}  // namespace dravik::sys
