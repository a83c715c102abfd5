#pragma once

#include <cstdint>

namespace dravik::solve {

// A tick that no winning run can beat: no run, from the start of the game,
// declares a win at an earlier tick. Why it is sound is told in
// docs/solver.md. It runs the game's own tick once for every place the
// square can reach, some hundred thousand ticks.
std::uint64_t WinTickLowerBound();

}  // namespace dravik::solve
