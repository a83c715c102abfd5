#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "run/run_file.h"
#include "run/session.h"

namespace dravik::run {

// What replaying a recorded run to its "# final" line found.
struct Outcome {
    std::uint64_t ticks = 0;  // the final line's tick, where the run was played to
    std::uint64_t wins = 0;
    std::string deaths, time;
    std::string endState;     // the state line after the last tick
    bool endMatches = false;  // the same text as the final line's
    // The first "# hash" line whose state the replay does not reproduce.
    std::optional<StateHash> astray;
    std::optional<Win> firstWin;
    std::optional<Win> lastWin;
};

// Plays a recorded run to the tick of its "# final" line, checking the state
// at every "# hash" line on the way. Nothing, with the reason in `error`,
// when the run has no final line or it cannot be read (see RunEnd). A fatal
// error of the game is thrown as the game throws it.
std::optional<Outcome> CheckRun(const Script& script, std::string& error);

}  // namespace dravik::run
