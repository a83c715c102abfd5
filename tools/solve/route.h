#pragma once

#include <cstdint>
#include <vector>

#include "level/level.h"

// The solver's map of the level and its plan of the run: which key to fetch
// next and how far the rest of the run still is. All of this only ranks
// candidate moves; what a move really does is always learned from the game's
// own tick.
namespace dravik::solve {

// Grid pitch of the map, in twips: the player's step per tick, so one cell is
// one tick of travel on each axis.
inline constexpr int kPitch = 30;

// Where the player's square could stand, ignoring everything that moves: a
// cell (i, j) stands for the square at Left 30 i, Top 30 j, and is free when
// that square overlaps no wall and no ball of the field. Cells are numbered
// i + j * Width().
class StaticMap {
public:
    explicit StaticMap(const Level& level);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Cells() const { return width_ * height_; }
    bool Free(int cell) const { return free_[static_cast<std::size_t>(cell)] != 0; }

    // The cell of a square at (left, top), rounding down; -1 off the map.
    int CellAt(float left, float top) const;
    int CellOf(int i, int j) const { return i + j * width_; }
    int ColumnOf(int cell) const { return cell % width_; }
    int RowOf(int cell) const { return cell / width_; }

private:
    int width_ = 0, height_ = 0;
    std::vector<std::uint8_t> free_;
};

// Ticks of travel from every cell to the nearest source cell, moving one cell
// a tick in any of eight directions through free cells. A blocked cell next
// to a reached one (a square pressed into a wall) counts one tick more than
// its best neighbour; kFar marks a cell that cannot reach any source.
using Field = std::vector<std::uint16_t>;
inline constexpr std::uint16_t kFar = 0xFFFF;
Field DistanceField(const StaticMap& map, const std::vector<int>& sources);

// Keys that one vertical sweep collects: every key of a lane can be touched
// by a square at the same Left, and the keys follow one another closely
// enough that a sweep touches each in turn. A lane may hold a single key.
struct Lane {
    std::vector<int> keys;  // key indexes, by increasing Top
    std::vector<int> aims;  // for each key, the cell the sweep aims at
};

// Groups every key of the level into lanes. Throws std::runtime_error when a
// key cannot be touched from any free cell.
std::vector<Lane> BuildLanes(const Level& level, const StaticMap& map);

// The plan of a run: the keys in the order to fetch them, the cell aimed at
// for each, and the travel still ahead once the key of each stage is reached.
struct Route {
    std::vector<int> order;                // key indexes
    std::vector<std::size_t> sweeps;       // where each lane's sweep begins in the order
    std::vector<int> aims;                 // aim cell of each key in order
    std::vector<int> goalCells;            // free cells overlapping the goal
    std::vector<std::uint32_t> remaining;  // remaining[s]: ticks from aims[s] to the goal along the order
    std::uint32_t length = 0;              // estimated ticks from the start point to the goal
};

// Plans tours of the keys. The travel between every two aims is measured
// once; a tour then sweeps every lane, each down or up the screen, from the
// start point to the goal, and the planner gives the shortest tours on the
// static map in order. Exact for up to 18 lanes; beyond that it gives one
// tour, sweeping the nearest lane next.
class RoutePlanner {
public:
    RoutePlanner(const Level& level, const StaticMap& map);

    // The `count` shortest tours, shortest first; fewer when there are not so many.
    std::vector<Route> Tours(std::size_t count) const;

    static constexpr std::size_t kMostLanes = 18;

private:
    struct Sweep {
        std::size_t lane = 0;
        bool up = false;  // against the lane's order, from its lowest key to its highest
        friend bool operator==(const Sweep&, const Sweep&) = default;
    };
    struct Step {
        Sweep sweep;
        std::uint32_t ticks;
    };

    int Entry(Sweep s) const;
    int Exit(Sweep s) const;
    std::vector<Sweep> SweepsOf(std::size_t lane) const;
    std::uint32_t Hop(int fromKey, Sweep to) const;  // fromKey -1: from the start point
    std::size_t Slot(std::size_t mask, Sweep s) const;
    std::uint32_t Finish(std::size_t mask, Sweep last) const;
    // The best sweep to make next, with the lanes of mask swept and the
    // square at key `at`, leaving out those barred; ticks to the goal.
    Step BestNext(std::size_t mask, int at, const std::vector<Sweep>& barred) const;
    Route Build(const std::vector<Sweep>& tour) const;

    std::vector<Lane> lanes_;
    std::vector<int> goalCells_;
    std::vector<std::vector<std::uint32_t>> between_;  // between_[a][b]: ticks from the aim of key a to that of key b
    std::vector<std::uint32_t> fromStart_, toGoal_;
    std::uint32_t startToGoal_ = 0;
    std::vector<std::uint32_t> inside_;  // ticks along each lane, first aim to last
    std::vector<std::uint16_t> finish_;  // see the constructor
};

}  // namespace dravik::solve
