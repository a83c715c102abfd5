#include "solve/layer_search.h"

#include <algorithm>
#include <stdexcept>

namespace dravik::solve {

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;
// Most of the history soon leads nowhere: every so many ticks, keep only
// what the layer descends from.
constexpr std::uint64_t kCompactEvery = 256;

}  // namespace

LayerSearch::LayerSearch(const PlaceGraph& graph, DeadlyBalls& balls)
    : graph_(graph), balls_(balls), first_(graph.Places(), kNone), stamp_(graph.Places(), 0)
{
}

Outcome LayerSearch::Search(const StageFields& fields, const std::vector<int>& order, const Limits& limits, Run& run)
{
    const std::size_t keys = order.size();
    const std::size_t keep = std::max<std::size_t>(1, limits.keep);
    nodes_.assign(1, Node{0, 0});

    std::vector<State> layer{State{0, 0, 0, 0, kNone, 0, KeySet{}}};
    for (std::uint64_t tick = 1; tick <= limits.ceiling; ++tick) {
        if (limits.timeUp && limits.timeUp()) {
            return Outcome::TimeUp;
        }
        ++now_;
        next_.clear();
        int most = 0;
        for (const State& s : layer) {
            most = std::max<int>(most, s.count);
            // The goal check comes first: with every key held, the square on
            // the goal wins before any ball is looked at.
            if (s.stage == keys && graph_.Goal(s.place)) {
                run = Unwind(s.node, tick);
                return Outcome::Won;
            }
            if (balls_.Hit(tick, graph_.Checked(s.place))) {
                continue;
            }
            ++statesTried_;
            State moved = s;
            for (std::uint8_t k : graph_.Touched(s.place)) {
                if (!moved.keys.Has(k)) {
                    moved.keys.Set(k);
                    ++moved.count;
                }
            }
            while (moved.stage < keys && moved.keys.Has(order[moved.stage])) {
                ++moved.stage;
            }
            const auto& leads = graph_.Next(s.place);
            for (std::size_t m = 0; m < kMoves.size(); ++m) {
                const std::uint32_t q = leads[GraphMove(kMoves[m])];
                if (q == PlaceGraph::kNowhere) {
                    continue;  // the checks see the square on the field
                }
                const std::uint16_t togo = fields.ToGo(moved.stage, q);
                if (togo == kNoWin || tick + 1 + togo > limits.ceiling) {
                    continue;
                }
                moved.place = q;
                moved.move = static_cast<std::uint8_t>(m);
                Offer(moved, togo, fields, keep);
            }
        }
        if (next_.empty()) {
            return Outcome::NoRun;
        }
        // The layer's history: each state's node, from its parent and move.
        for (State& s : next_) {
            nodes_.push_back(Node{s.node, s.move});
            s.node = static_cast<std::uint32_t>(nodes_.size() - 1);
        }
        layer.swap(next_);
        if (tick % kCompactEvery == 0) {
            Compact(layer);
        }
        if (limits.progress && tick % 250 == 0) {
            limits.progress(tick, layer.size(), most);
        }
    }
    return Outcome::NoRun;
}

// Files a state in the next layer at its place, unless a set of keys held
// there already holds all of its keys. One whose keys hold all of another's
// takes its place; when the place is full, it takes the place of the one
// farthest from the win, if it is nearer.
void LayerSearch::Offer(const State& state, std::uint16_t togo, const StageFields& fields, std::size_t keep)
{
    const std::uint32_t q = state.place;
    if (stamp_[q] != now_) {
        stamp_[q] = now_;
        first_[q] = static_cast<std::uint32_t>(next_.size());
        next_.push_back(state);
        next_.back().other = kNone;
        return;
    }
    std::size_t there = 0;
    std::uint32_t farthest = kNone;
    std::uint16_t farthestTogo = 0;
    for (std::uint32_t i = first_[q]; i != kNone; i = next_[i].other) {
        State& kept = next_[i];
        if (kept.keys.Holds(state.keys)) {
            return;
        }
        if (state.keys.Holds(kept.keys)) {
            const std::uint32_t other = kept.other;
            kept = state;
            kept.other = other;
            return;
        }
        ++there;
        const std::uint16_t t = fields.ToGo(kept.stage, q);
        if (farthest == kNone || t >= farthestTogo) {
            farthest = i;
            farthestTogo = t;
        }
    }
    if (there < keep) {
        next_.push_back(state);
        next_.back().other = next_[first_[q]].other;
        next_[first_[q]].other = static_cast<std::uint32_t>(next_.size() - 1);
    } else if (togo < farthestTogo) {
        const std::uint32_t other = next_[farthest].other;
        next_[farthest] = state;
        next_[farthest].other = other;
    }
}

// Drops the history that no state of the layer descends from.
void LayerSearch::Compact(std::vector<State>& layer)
{
    std::vector<std::uint32_t> renumber(nodes_.size(), 0);
    std::vector<std::uint8_t> live(nodes_.size(), 0);
    live[0] = 1;
    for (const State& s : layer) {
        for (std::uint32_t n = s.node; !live[n]; n = nodes_[n].parent) {
            live[n] = 1;
        }
    }
    std::vector<Node> kept;
    for (std::size_t n = 0; n < nodes_.size(); ++n) {
        if (live[n]) {
            renumber[n] = static_cast<std::uint32_t>(kept.size());
            kept.push_back(Node{renumber[nodes_[n].parent], nodes_[n].move});
        }
    }
    for (State& s : layer) {
        s.node = renumber[s.node];
    }
    nodes_.swap(kept);
}

// The run whose tick `tick` begins at the state of `node`: the moves that
// led there, then no arrow for the winning tick, so that the square rests
// on the start point where the win puts it.
Run LayerSearch::Unwind(std::uint32_t node, std::uint64_t tick) const
{
    Run run;
    run.winTick = tick;
    run.moves.assign(tick, Move{});
    std::uint64_t t = tick - 1;
    for (; node != 0; node = nodes_[node].parent) {
        if (t == 0) {
            throw std::logic_error("the history of the run is broken");
        }
        run.moves[--t] = kMoves[nodes_[node].move];
    }
    if (t != 0) {
        throw std::logic_error("the history of the run is broken");
    }
    return run;
}

}  // namespace dravik::solve
