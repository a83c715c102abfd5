#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "solve/bound.h"
#include "solve/deadly_balls.h"
#include "solve/key_set.h"
#include "solve/search.h"
#include "solve/stage_fields.h"

namespace dravik::solve {

// The nine arrow combinations a tick can hold, in the order the search
// tries them.
inline constexpr std::array<Move, 9> kMoves = {{
    {0, 0},
    {1, 0},
    {-1, 0},
    {0, 1},
    {0, -1},
    {1, 1},
    {1, -1},
    {-1, 1},
    {-1, -1},
}};

// The index in the place graph's list of next places of an arrow combination.
constexpr std::size_t GraphMove(Move m)
{
    return static_cast<std::size_t>((m.dx + 1) * 3 + (m.dy + 1));
}

// Searches one order of the keys for its earliest win, a tick at a time.
// Each layer holds every place where a tick can begin that some run reaches
// alive, with the keys that run holds: at each place the sets of keys that
// no other set there holds entirely, up to `keep` of them. A run moves as the
// place graph says, the keys its ticks touch join its set, a tick whose
// checks see the square on a moving ball that kills ends it, and a run that
// could no longer win by the ceiling, even without moving balls, is dropped.
// So with a ceiling at or above the order's best run, the first win found is
// that run; with one below it, nothing is found.
class LayerSearch {
public:
    struct Limits {
        std::uint64_t ceiling = 0;  // no win later than this tick is looked for
        std::size_t keep = 8;       // key sets kept at one place
        // True when the search must stop; asked once a tick.
        std::function<bool()> timeUp;
        // Receives a line now and then: tick, states, keys, seconds.
        std::function<void(std::uint64_t tick, std::size_t states, int keys)> progress;
    };

    LayerSearch(const PlaceGraph& graph, DeadlyBalls& balls);

    // Won with the run in `run`, NoRun when every run died or could no
    // longer win by the ceiling, TimeUp when told to stop.
    Outcome Search(const StageFields& fields, const std::vector<int>& order, const Limits& limits, Run& run);

    // The states whose tick was taken, in every search so far.
    std::uint64_t StatesTried() const { return statesTried_; }

private:
    // One run that a layer keeps: where its next tick begins, the keys it
    // holds, and its place in the history.
    struct State {
        std::uint32_t place;
        std::uint16_t stage;  // how many keys of the order are all held
        std::uint16_t count;  // how many keys are held in all
        std::uint32_t node;   // in nodes_, or (while a layer is built) the parent's
        std::uint32_t other;  // another state at the same place in this layer
        std::uint8_t move;    // (while a layer is built) the move from the parent
        KeySet keys;
    };
    // The history of every state kept: the state it came from and its move.
    struct Node {
        std::uint32_t parent;
        std::uint8_t move;
    };

    void Offer(const State& state, std::uint16_t togo, const StageFields& fields, std::size_t keep);
    void Compact(std::vector<State>& layer);
    Run Unwind(std::uint32_t node, std::uint64_t tick) const;

    const PlaceGraph& graph_;
    DeadlyBalls& balls_;
    std::vector<State> next_;
    std::vector<std::uint32_t> first_, stamp_;  // by place: its first state in next_, and when that was set
    std::uint32_t now_ = 0;
    std::vector<Node> nodes_;
    std::uint64_t statesTried_ = 0;
};

}  // namespace dravik::solve
