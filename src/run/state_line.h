#pragma once

#include <cstdint>
#include <string>

namespace dravik {
class Form;
}

namespace dravik::run {

// The state after a tick as one line of JSON: the tick, the player and its
// step, the 17 velocities, every ball, the keys, both counters and the wins.
// dravik-sim prints it, a recording ends with it, and its hash proves a run
// on the way.
std::string StateLine(const Form& form, std::uint64_t tick, std::uint64_t wins);

// The line dravik-sim prints when the goal declares a win during a tick.
std::string WinLine(std::uint64_t tick);

// A coordinate as JSON: whole numbers as integers, others in shortest form.
std::string Coordinate(float value);

// The state line's hash (64-bit FNV-1a), the same on every build.
std::uint64_t StateHash(const Form& form, std::uint64_t tick, std::uint64_t wins);

}  // namespace dravik::run
