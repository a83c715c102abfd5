#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "solve/search.h"

namespace dravik::solve {

// What playing a run from the start did, through dravik-sim's own runner.
struct Replay {
    std::vector<std::uint64_t> winTicks;  // every tick whose goal check declared a win
    std::string deaths;                   // the DEATHS caption after the last tick
    std::string finalState;               // the state line after the last tick, as dravik-sim prints it
    bool WinsAt(std::uint64_t tick) const { return winTicks.size() == 1 && winTicks.front() == tick; }
};

// Plays the run's script on a fresh form up to and including its win tick.
Replay PlayBack(const Run& run);

}  // namespace dravik::solve
