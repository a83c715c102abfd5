#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "run/run_file.h"

namespace dravik::solve {

// The arrows held during one tick: -1, 0 or 1 on each axis (left/up is -1).
struct Move {
    std::int8_t dx = 0;
    std::int8_t dy = 0;
    friend bool operator==(const Move&, const Move&) = default;
};

// The arrow events, delivered before `tick`, that turn the held arrows of
// `from` into those of `to`: a key-down for each axis that starts or turns,
// a key-up for each that stops.
std::vector<run::Event> EventsBetween(Move from, Move to, std::uint64_t tick);

// A whole run: the arrows held in each tick from tick 1, and the tick whose
// goal check declares the win (the last one, with no arrow held).
struct Run {
    std::vector<Move> moves;
    std::uint64_t winTick = 0;
};

// The script of a run, in dravik-sim's input format.
std::vector<run::Event> ScriptEvents(const Run& run);

struct SearchOptions {
    std::size_t tours = 1;      // the shortest tours of the keys to search, keeping the shortest run
    std::size_t rearrange = 2;  // orders near the best tour's to search after the tours (see Search)
    std::size_t keep = 8;       // sets of keys kept at one place in a tick (see LayerSearch)
    std::uint64_t maxTicks = 30000;
    // Looks only for runs that win by this tick; 0 for no such limit.
    std::uint64_t ceiling = 0;
    double timeLimit = 0;  // seconds of wall time; 0 for none
    // Receives a progress line now and then: the plan, then the tick, states,
    // keys collected and time taken as the search goes.
    std::function<void(const std::string&)> progress;
};

enum class Outcome { Won, TimeUp, NoRun };

struct SearchResult {
    Outcome outcome = Outcome::NoRun;
    Run run;
    std::string message;             // why there is no run
    std::uint64_t statesTried = 0;   // states whose tick the searches took
    std::size_t tours = 0;           // tours searched
    std::size_t bestTour = 0;        // the one that gave the run, counting from 0
    std::size_t rearranged = 0;      // orders searched after the tours
    std::size_t bestRearranged = 0;  // the one that gave the run, counting from 1; 0 for a tour
    bool cutShort = false;           // the time limit ended the search before every tour and order was tried
    std::uint32_t plannedTicks = 0;  // the first tour's win without moving balls
    std::uint64_t lowerBound = 0;    // no run can win before this tick; 0 when none is known
    double seconds = 0;
};

// How far a run may be from the best possible: the ticks between it and the
// lower bound, in percent of the run.
inline double GapPercent(std::uint64_t winTick, std::uint64_t lowerBound)
{
    return winTick == 0 || lowerBound > winTick
               ? 0.0
               : 100.0 * static_cast<double>(winTick - lowerBound) / static_cast<double>(winTick);
}

// The line that tells it: "run 2475, bound 2047, gap 17.3 %".
std::string GapLine(std::uint64_t winTick, std::uint64_t lowerBound);

// Searches each tour for its shortest winning run with no death (see
// LayerSearch), each after the first only for a run shorter than the best so
// far. Then, up to `rearrange` times, it searches an order made from the best
// one by taking two neighbouring sweeps in the other order, or turning one or
// both round, and keeps it when its run is shorter. Deterministic for given
// options, unless the time limit cuts the search short: then the best run
// found so far is the result, or none.
SearchResult Search(const SearchOptions& options);

}  // namespace dravik::solve
