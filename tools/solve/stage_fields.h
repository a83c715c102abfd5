#pragma once

#include <cstdint>
#include <vector>

#include "solve/bound.h"

// How far the win still is from every place, for every stage of an order of
// the keys, in the game without moving balls. The search drops the runs that
// it says could no longer win in time, and files the rest by it.
namespace dravik::solve {

// Where each place can be reached from: the place graph's moves turned round.
class ReverseGraph {
public:
    explicit ReverseGraph(const PlaceGraph& graph);
    const PlaceGraph& Graph() const { return graph_; }
    // The places whose tick leads to q with some arrow combination.
    const std::uint32_t* FromBegin(std::uint32_t q) const { return from_.data() + first_[q]; }
    const std::uint32_t* FromEnd(std::uint32_t q) const { return from_.data() + first_[q + 1]; }

private:
    const PlaceGraph& graph_;
    std::vector<std::uint32_t> first_, from_;
};

inline constexpr std::uint16_t kNoWin = 0xFFFF;

// For an order of every key: ToGo(s, p) is the fewest ticks from a tick that
// begins at place p, with the first s keys of the order collected, to the
// tick that wins, touching the others in the order given (a tick may touch
// several in a row). The tick beginning at p counts: a place on the goal
// with every key collected is 0. kNoWin where no win can follow.
class StageFields {
public:
    // How far, in ticks, each stage's values reach beyond the last place
    // that the stage before it needs; farther places read kNoWin. A state
    // that far behind the best could not catch up anyway.
    static constexpr std::uint32_t kReach = 300;

    // With `like`, the stages whose keys from there on are the same in both
    // orders are taken from it instead of being measured again.
    StageFields(const ReverseGraph& reverse, const std::vector<int>& order, const StageFields* like = nullptr);

    std::uint16_t ToGo(std::size_t stage, std::uint32_t place) const { return fields_[stage * places_ + place]; }
    // The win tick of the best run in the order with no moving ball: tick 1
    // begins on the start point.
    std::uint32_t WinTick() const;
    std::size_t Stages() const { return stages_; }

private:
    std::size_t places_ = 0, stages_ = 0;
    std::vector<int> order_;
    std::vector<std::uint16_t> fields_;
};

}  // namespace dravik::solve
