#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dravik::server {

// A leaderboard run lasts at most one hour of play and its file is at most
// 1 MB: anything longer is refused before a tick is played.
inline constexpr std::uint64_t kMostTicks = 230'400;
inline constexpr std::size_t kMostBytes = 1 << 20;

// What re-playing a submitted run found. An accepted run's result is its
// first win's stretch: the ticks from the start, the last RESET or the last
// win to the win, and the deaths in between.
struct Verdict {
    bool accepted = false;
    std::string reason;  // why not, in words ("line 3: ...", "no win", ...)
    std::uint64_t ticks = 0;
    std::uint64_t deaths = 0;
    // What makes the run the same as another: the SHA-256, in hex, of its
    // events up to the winning tick (what comes after cannot change the
    // result, so a copy with a tail added is still the same run).
    std::string identity;
};

// Reads a run file and plays it with the game to its end: its "# final"
// tick, else its last event's, as the page watches it. It is accepted when a
// win comes by then and, where the file has them, the state at every
// "# hash" line and at the "# final" line is the one the replay reaches.
Verdict Judge(std::string_view file);

}  // namespace dravik::server
