#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/script.h"

namespace dravik::sim {

// One field of the state that a run does not reproduce.
struct Difference {
    std::string field;  // "deaths", "balls.Balls4", ...
    std::string expected, found;
};

struct Verdict {
    std::uint64_t ticks = 0;
    std::uint64_t wins = 0;
    std::string deaths, time;
    std::vector<Difference> differences;  // empty when the run reproduces its final line
};

// The longest run a recording holds, in ticks: a little over 18 days of play
// at 64 ticks a second. dravik stops recording there, and --verify and
// --replay refuse a run that goes on longer, so that a file cannot keep them
// busy for years.
inline constexpr std::uint64_t kLongestRun = 100'000'000;

// The tick of a "# final" line; nothing, with the reason in `error`, when the
// line holds no state line or its tick lies beyond kLongestRun.
std::optional<std::uint64_t> FinalTick(const FinalLine& final, std::string& error);

// The tick at which watching a run ends: that of its "# final" line, else
// that of its last event (0 with none). Nothing, with the reason in `error`,
// when the final line is not read or the run lies beyond kLongestRun.
std::optional<std::uint64_t> RunEnd(const Script& script, std::string& error);

// Plays a recorded run to the tick of its "# final" line and compares the
// state with that line. Returns the verdict, or the reason the final line
// cannot be read (no such line, not a state line) in `error`.
std::optional<Verdict> Verify(const Script& script, std::string& error);

}  // namespace dravik::sim
