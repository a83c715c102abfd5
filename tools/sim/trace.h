#pragma once

#include <cstdint>
#include <string>

#include "game/form.h"

namespace dravik::sim {

// One state line of the trace, as a JSON object on one line.
std::string StateLine(const Form& form, std::uint64_t tick, std::uint64_t wins);

// The line printed when the goal declares a win during a tick.
std::string WinLine(std::uint64_t tick);

// A coordinate as JSON: whole numbers as integers, others in shortest form.
std::string Coordinate(float value);

}  // namespace dravik::sim
