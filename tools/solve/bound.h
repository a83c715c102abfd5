#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "game/rect.h"
#include "solve/deadly_balls.h"
#include "solve/position_set.h"

namespace dravik::solve {

// The game with every ball parked far away, as a graph of the places where
// a tick can begin (where the last tick left the square), reached from the
// start point. Each place has the nine places its tick can lead to, one for
// each arrow combination, the keys and the goal that its tick's checks touch,
// and whether those checks see the square on a ball of the field. Built with
// the game's own tick, once for every place: some hundred thousand ticks.
class PlaceGraph {
public:
    PlaceGraph();

    static constexpr std::uint32_t kNowhere = 0xFFFFFFFF;

    std::size_t Places() const { return next_.size(); }
    int Keys() const { return keyCount_; }

    // The place where a tick begins with the square at (left, top), or
    // kNowhere when no run can reach it. The start point is place 0.
    std::uint32_t Find(float left, float top) const { return seen_.Find(left, top); }
    // Where the next tick begins after each arrow combination (Left, none,
    // Right on the outer axis, then Up, none, Down); kNowhere for a deadly place.
    const std::array<std::uint32_t, 9>& Next(std::uint32_t p) const { return next_[p]; }
    // The keys that the checks of a tick beginning at p touch, and its goal.
    std::span<const std::uint8_t> Touched(std::uint32_t p) const
    {
        return {touched_.data() + firstKey_[p], touched_.data() + firstKey_[p + 1]};
    }
    bool Goal(std::uint32_t p) const { return goal_[p] != 0; }
    // The square's rectangle as the checks of a tick beginning at p see it,
    // after the push-out: what the balls of that tick are tested against.
    const RECT& Checked(std::uint32_t p) const { return checked_[p]; }

    // The earliest tick in which a run could declare the win, having
    // touched every key of `keys` (at most 8) in earlier ticks, were there no
    // balls but the field; 0 when no run can. Why this is a bound on the
    // real game is told in docs/solver.md.
    std::uint64_t EarliestWin(std::span<const int> keys) const;

    // The same with the moving balls that kill where the game puts them in
    // each tick: a run that one of them touches dies, and its stretch
    // without a death starts over on the start point.
    std::uint64_t EarliestWinAmongBalls(std::span<const int> keys, DeadlyBalls& balls) const;

    // The earliest tick by whose end a run could have touched every key of
    // `keys` (at most 8), were there no balls but the field; 0 when none can.
    std::uint64_t EarliestTouch(std::span<const int> keys) const;

    // The earliest win of each key alone, by key index.
    std::vector<std::uint64_t> EarliestWinThroughEachKey() const;

private:
    std::uint64_t Earliest(std::span<const int> keys, bool win) const;
    // For each place, the bits of the keys (at most 8) its tick touches.
    std::vector<std::uint8_t> TouchBits(std::span<const int> keys) const;
    // The places whose checks see the square on the goal.
    std::vector<std::uint32_t> Goals() const;
    // The fewest ticks from a tick beginning at each place to one beginning
    // at one of the sources; kNowhere where none can follow.
    std::vector<std::uint32_t> TicksTo(const std::vector<std::uint32_t>& sources) const;

    PositionSet seen_;
    std::vector<std::array<std::uint32_t, 9>> next_;  // kNowhere for none (a deadly place)
    std::vector<std::uint8_t> goal_;                  // the checks touch the goal
    std::vector<RECT> checked_;                       // the square as the checks see it
    std::vector<std::uint32_t> firstKey_;             // keys touched by place p: touched_[firstKey_[p] ..]
    std::vector<std::uint8_t> touched_;
    int keyCount_ = 0;
    std::vector<std::uint32_t> firstFrom_, from_;  // where each place can be reached from: from_[firstFrom_[q] ..]
};

// The keys the bound follows all at once (see docs/solver.md).
std::span<const int> FollowedKeys();

// A tick that no winning run can beat: the earliest win, among the balls,
// of a run that touches every key the bound follows (see docs/solver.md).
std::uint64_t WinTickLowerBound(const PlaceGraph& graph, DeadlyBalls& balls);
std::uint64_t WinTickLowerBound();

}  // namespace dravik::solve
